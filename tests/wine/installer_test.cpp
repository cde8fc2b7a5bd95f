// The per-user installer, as a user and an administrator meet it: a silent
// install without elevation, the Start menu entry, the entry among installed
// programs, the program started from there, a reinstall of the same version
// and an upgrade that take the place of the installed one and keep the
// user's proxy list and pointer, and an uninstall that leaves nothing but
// those and the downloaded banner.
#include <gtest/gtest.h>
#include <windows.h>

#include <msi.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>

#include "common/identifiers.h"
#include "driver.h"

namespace {

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A package of the build folder, by its path there.
std::string Package(const char* variable) {
  std::string path = driver::BuildFolder() + "\\" + FromEnvironment(variable);
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string KnownFolder(int csidl) {
  char folder[MAX_PATH] = {};
  ::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, folder);
  return folder;
}

int Msiexec(const std::string& arguments) {
  return static_cast<int>(driver::Run("msiexec.exe " + arguments + " /qn", 120000).exit_code);
}

struct Entry {
  std::string product_code, version, publisher;
};

// The programs named "Maskfold" among the installed ones, in either hive.
std::vector<Entry> InstalledEntries() {
  constexpr const char* kUninstall = R"(Software\Microsoft\Windows\CurrentVersion\Uninstall)";
  std::vector<Entry> entries;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY list = nullptr;
    if (::RegOpenKeyExA(root, kUninstall, 0, KEY_READ, &list) != ERROR_SUCCESS) continue;
    char name[256];
    for (DWORD i = 0, size = sizeof name;
         ::RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
      const std::string key = std::string(kUninstall) + "\\" + name;
      auto text = [&](const char* value) {
        const auto read = driver::Read(root, key.c_str(), value);
        return read ? read->data.substr(0, read->data.find('\0')) : std::string();
      };
      if (text("DisplayName") == ids::kProgramTitle)
        entries.push_back({name, text("DisplayVersion"), text("Publisher")});
    }
    ::RegCloseKey(list);
  }
  return entries;
}

std::string ShortcutTarget(const std::string& link) {
  ::CoInitialize(nullptr);
  std::string target;
  IShellLinkA* shell_link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell_link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      const std::wstring wide(link.begin(), link.end());
      char path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
          SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0)))
        target = path;
      file->Release();
    }
    shell_link->Release();
  }
  ::CoUninitialize();
  return target;
}

TEST(InstallerTest, InstallsPerUserUpgradesInPlaceKeepingTheUsersFilesAndUninstallsCleanly) {
  const std::string versions = FromEnvironment("MASKFOLD_VERSIONS");
  const std::string version = versions.substr(0, versions.find('|'));
  const std::string newer = versions.substr(versions.find('|') + 1);
  const std::string folder = KnownFolder(CSIDL_LOCAL_APPDATA) + R"(\Programs\Maskfold)";
  const std::string shortcut = KnownFolder(CSIDL_PROGRAMS) + R"(\Maskfold.lnk)";

  ASSERT_EQ(Msiexec("/i \"" + Package("MASKFOLD_MSI") + "\""), 0);
  EXPECT_EQ(driver::FolderEntries(folder),
            (std::vector<std::string>{".", "..", "LICENSE.txt", "hand.cur", "maskfold.exe",
                                      "proxy.dat", "readme.txt"}));
  EXPECT_EQ(ShortcutTarget(shortcut), folder + R"(\maskfold.exe)");
  auto entries = InstalledEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].version, version);
  EXPECT_EQ(entries[0].publisher, ids::kMakerName);
  char icon[MAX_PATH] = {};
  DWORD size = sizeof icon;
  EXPECT_EQ(::MsiGetProductInfoA(entries[0].product_code.c_str(), INSTALLPROPERTY_PRODUCTICON, icon,
                                 &size),
            static_cast<UINT>(ERROR_SUCCESS));
  EXPECT_NE(std::string(icon), "");

  {
    // Started where the Start menu entry points; its banner is written into
    // the folder without elevation.
    driver::Program program(folder);
    ASSERT_TRUE(program.WaitForMainWindow());
    EXPECT_EQ(driver::ListTexts(program.ProxyBox(), CB_GETCOUNT, CB_GETLBTEXT),
              (std::vector<std::string>{"127.0.0.1:3128", "127.0.0.1:8080", "127.0.0.1:8118"}));
    EXPECT_TRUE(driver::PathExists(folder + R"(\cache.gif)"));
    EXPECT_TRUE(program.Dialogs().empty());
  }

  // The user's own list and pointer outlive every package that follows.
  const std::string edited = "edited.example:8080\r\n", cursor = "the user's own pointer";
  driver::WriteFileBytes(folder + R"(\proxy.dat)", edited);
  driver::WriteFileBytes(folder + R"(\hand.cur)", cursor);
  const auto expect_users_files = [&](const char* after) {
    EXPECT_EQ(driver::ReadFileBytes(folder + R"(\proxy.dat)"), edited) << after;
    EXPECT_EQ(driver::ReadFileBytes(folder + R"(\hand.cur)"), cursor) << after;
  };

  // Another build of the same version takes the place of the first.
  const std::string first = entries[0].product_code;
  ASSERT_EQ(Msiexec("/i \"" + Package("MASKFOLD_MSI_TWIN") + "\""), 0);
  entries = InstalledEntries();
  ASSERT_EQ(entries.size(), 1u) << "no twin beside the first";
  EXPECT_NE(entries[0].product_code, first);
  EXPECT_EQ(entries[0].version, version);
  EXPECT_EQ(driver::FolderEntries(folder),
            (std::vector<std::string>{".", "..", "LICENSE.txt", "cache.gif", "hand.cur",
                                      "maskfold.exe", "proxy.dat", "readme.txt"}));
  expect_users_files("reinstalled");

  ASSERT_EQ(Msiexec("/i \"" + Package("MASKFOLD_MSI_UPGRADE") + "\""), 0);
  entries = InstalledEntries();
  ASSERT_EQ(entries.size(), 1u) << "upgraded in place";
  EXPECT_EQ(entries[0].version, newer);
  expect_users_files("upgraded");
  EXPECT_TRUE(driver::PathExists(folder + R"(\maskfold.exe)"));

  ASSERT_EQ(Msiexec("/x " + entries[0].product_code), 0);
  EXPECT_EQ(driver::FolderEntries(folder),
            (std::vector<std::string>{".", "..", "cache.gif", "hand.cur", "proxy.dat"}));
  expect_users_files("uninstalled");
  EXPECT_FALSE(driver::PathExists(shortcut));
  EXPECT_TRUE(InstalledEntries().empty());
}

}  // namespace
