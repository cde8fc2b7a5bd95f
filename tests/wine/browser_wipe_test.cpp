// Apply on today's browsers' own stores: real SQLite databases in each
// browser's schema at its real place in the prefix, the sites the user
// protected kept, a copy of each changed store in the recycle bin, caches
// emptied, and an open browser never written under.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "browser_stores.h"
#include "common/identifiers.h"
#include "driver.h"

namespace {

using driver::Cookie;
using driver::OpenBrowser;

std::vector<Cookie> Hosts(std::initializer_list<const char*> hosts) {
  std::vector<Cookie> cookies;
  for (const char* host : hosts) cookies.push_back({host});
  return cookies;
}

bool Emptied(const std::string& folder) {
  return driver::FolderEntries(folder) == std::vector<std::string>{".", ".."};
}

void FillCache(const std::string& cache) {
  driver::MakeFolders(cache + "\\index-dir");
  driver::WriteFileBytes(cache + "\\data_0", "cached");
  driver::WriteFileBytes(cache + "\\index-dir\\the-real-index", "index");
}

class BrowserWipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string cookies = driver::UseCookiesFolder();
    jar_ = cookies + "\\" + std::string(ids::kJarFolder);
    // Protected: one site through the list, one through a legacy jar cookie.
    driver::WriteFileBytes(jar_ + "\\Protected sites.lst", "example.com\r\n");
    driver::WriteFileBytes(jar_ + "\\user@shop.example.org[1].txt",
                           "id\nkept\nshop.example.org/\n1024\n0\n0\n0\n0\n*\n");
    chrome_ = driver::LocalAppData() + R"(\Google\Chrome\User Data)";
    edge_ = driver::LocalAppData() + R"(\Microsoft\Edge\User Data)";
    stores_ = {
        {"chrome default",
         driver::MakeChromiumStore(chrome_, "Default",
                                   Hosts({"example.com", ".example.com", "www.example.com",
                                          "badexample.com", ".tracker.net", "shop.example.org"})),
         {".example.com", "example.com", "shop.example.org", "www.example.com"}},
        {"chrome profile 1",
         driver::MakeChromiumStore(chrome_, "Profile 1",
                                   Hosts({".ads.example.net", ".cart.shop.example.org"})),
         {".cart.shop.example.org"}},
        {"firefox",
         driver::MakeFirefoxStore("x.default-release",
                                  Hosts({".example.com", "example.org", ".EXAMPLE.COM"})),
         {".EXAMPLE.COM", ".example.com"}},
    };
    FillCache(chrome_ + R"(\Default\GPUCache)");
    FillCache(chrome_ + R"(\Default\Cache\Cache_Data)");
    FillCache(chrome_ + R"(\Default\Cache\No_Vary_Search)");
    firefox_cache_ =
        driver::LocalAppData() + R"(\Mozilla\Firefox\Profiles\x.default-release\cache2)";
    FillCache(firefox_cache_);
    // Not cookie stores: a corrupt file, and a database of another shape.
    corrupt_ = driver::MakeChromiumStore(edge_, "Default", {});
    driver::WriteFileBytes(corrupt_, std::string(4096, '\x5A'));
    // Reached through a Unix link that Wine shows as a plain file
    // (MASKFOLD_FILE_LINKS): Profile 2's store is this one.
    elsewhere_ = driver::MakeChromiumStore("C:", "Elsewhere", Hosts({".tracker.net"}));
    linked_store_ = chrome_ + R"(\Profile 2\Network\Cookies)";
    foreign_ =
        driver::MakeDatabase(driver::LocalAppData() + R"(\Vivaldi\User Data\Default\Cookies)",
                             "CREATE TABLE visits(url TEXT); INSERT INTO visits VALUES('x')");
  }

  struct Store {
    const char* name;
    std::string database;
    std::vector<std::string> kept;
  };
  std::vector<Store> stores_;
  std::string jar_, chrome_, edge_, firefox_cache_, corrupt_, foreign_, elsewhere_, linked_store_;
};

TEST_F(BrowserWipeTest, ApplyKeepsTheProtectedSitesAndLeavesAnOpenBrowserAlone) {
  const std::string corrupt_bytes = driver::ReadFileBytes(corrupt_);
  const std::string foreign_bytes = driver::ReadFileBytes(foreign_);
  // Outside every cache: a junction to it from a cache is never followed.
  const std::string outside = R"(C:\Outside)";
  FillCache(outside);
  // The run made it a link (MASKFOLD_LINK).
  ASSERT_TRUE(::GetFileAttributesA((chrome_ + R"(\Default\Code Cache)").c_str()) &
              FILE_ATTRIBUTE_REPARSE_POINT);

  std::map<std::string, std::string> before;
  for (const auto& store : stores_) before[store.name] = driver::ReadFileBytes(store.database);
  {
    OpenBrowser chrome("chrome.exe");
    ASSERT_TRUE(chrome.Running());
    driver::Program program(driver::InstallProgram("Maskfold Browsers"));
    ASSERT_TRUE(program.WaitForMainWindow());
    program.ApplyAndWait(driver::LoopbackProxy());
    const auto dialogs = program.Dialogs();
    ASSERT_FALSE(dialogs.empty());
    const std::string& told = dialogs.back();
    EXPECT_NE(told.find("The cookies of Chrome were left as they are because it is open. Close "
                        "Chrome, then press Apply again."),
              std::string::npos)
        << told;
    EXPECT_NE(told.find(corrupt_), std::string::npos) << told;
    EXPECT_NE(told.find(foreign_), std::string::npos) << told;
    EXPECT_EQ(told.find("Firefox"), std::string::npos) << told;
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(driver::ReadFileBytes(stores_[i].database), before[stores_[i].name])
          << stores_[i].name << " untouched while Chrome is open";
    EXPECT_TRUE(driver::PathExists(chrome_ + R"(\Default\GPUCache\data_0)"));
  }
  EXPECT_EQ(driver::StoreHosts(stores_[2].database), stores_[2].kept);
  EXPECT_TRUE(Emptied(firefox_cache_));

  // Chrome closed: Apply again wipes its stores too, but for the one that
  // leads elsewhere.
  const std::string elsewhere_bytes = driver::ReadFileBytes(elsewhere_);
  driver::Program program(driver::InstallProgram("Maskfold Browsers Again"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  ASSERT_FALSE(program.Dialogs().empty());
  const std::string told = program.Dialogs().back();
  EXPECT_NE(told.find("links to files elsewhere, so they were left as they are:\n" + linked_store_),
            std::string::npos)
      << told;
  EXPECT_TRUE(driver::ReadFileBytes(elsewhere_) == elsewhere_bytes)
      << "the store it leads to changed";
  for (const auto& store : stores_) {
    EXPECT_EQ(driver::StoreHosts(store.database), store.kept) << store.name;
    EXPECT_EQ(driver::IntegrityCheck(store.database), "ok") << store.name;
  }
  EXPECT_EQ(driver::ReadFileBytes(corrupt_), corrupt_bytes);
  EXPECT_EQ(driver::ReadFileBytes(foreign_), foreign_bytes);
  EXPECT_TRUE(Emptied(chrome_ + R"(\Default\Cache)")) << "the whole cache, not only Cache_Data";
  EXPECT_EQ(driver::FolderEntries(chrome_ + R"(\Default\GPUCache)"),
            (std::vector<std::string>{".", "..", "linked_entry"}))
      << "a file link is left, and what it leads to";
  EXPECT_EQ(driver::FolderEntries(outside),
            (std::vector<std::string>{".", "..", "data_0", "index-dir"}));

  // Each changed store went to the recycle bin first, named for what it is:
  // Firefox's twice, once for each Apply.
  std::vector<std::string> trash;
  for (const auto& name : driver::FolderEntries(driver::TrashFolder()))
    if (name.rfind("Cookies of ", 0) == 0)
      trash.push_back(name.substr(0, name.find(" before Maskfold ")) +
                      (name.find(".sqlite-wal") != std::string::npos ? " wal" : ""));
  std::sort(trash.begin(), trash.end());
  const std::string firefox = "Cookies of Firefox, x.default-release,";
  EXPECT_EQ(trash, (std::vector<std::string>{"Cookies of Chrome, Default,",
                                             "Cookies of Chrome, Profile 1,", firefox, firefox,
                                             firefox + " wal", firefox + " wal"}));
}

// Chromium on Windows holds its store open without sharing it while it runs:
// such a store is named as open, with its browser to close, and left as it is.
TEST_F(BrowserWipeTest, AStoreHeldOpenWithoutSharingIsNamedAsOpen) {
  const std::string& store = stores_[0].database;  // Chrome's Default
  const std::string before = driver::ReadFileBytes(store);
  const HANDLE held = ::CreateFileA(store.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  driver::Program program(driver::InstallProgram("Maskfold Held Store"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  ::CloseHandle(held);
  ASSERT_FALSE(program.Dialogs().empty());
  const std::string told = program.Dialogs().back();
  EXPECT_NE(told.find("The cookies of Chrome were left as they are because it is open. Close "
                      "Chrome, then press Apply again."),
            std::string::npos)
      << told;
  EXPECT_EQ(told.find(store), std::string::npos) << "not called an unknown file: " << told;
  EXPECT_TRUE(driver::ReadFileBytes(store) == before) << "the held store changed";
}

// The recycle bin cannot take the copies (here its folder is a file): the
// shell deletes them for good without a word, and the stores stay as they are.
TEST_F(BrowserWipeTest, NoStoreChangesWhenTheRecycleBinCannotTakeItsCopy) {
  driver::EmptyTrash();
  const std::string bin = driver::TrashFolder();
  ASSERT_TRUE(::RemoveDirectoryA(bin.c_str()));
  driver::WriteFileBytes(bin, "not a folder");
  const std::string firefox = stores_[2].database;
  const std::string before = driver::ReadFileBytes(firefox);
  {
    driver::Program program(driver::InstallProgram("Maskfold No Bin"));
    ASSERT_TRUE(program.WaitForMainWindow());
    program.ApplyAndWait(driver::LoopbackProxy());
    ASSERT_FALSE(program.Dialogs().empty());
    const std::string told = program.Dialogs().back();
    EXPECT_NE(told.find("could not be copied to the recycle bin first"), std::string::npos) << told;
    EXPECT_NE(told.find(firefox), std::string::npos) << told;
  }
  EXPECT_TRUE(driver::ReadFileBytes(firefox) == before) << "wiped without its copy";
  ::DeleteFileA(bin.c_str());
  ::CreateDirectoryA(bin.c_str(), nullptr);
}

// Apply's last message is up when the session ends: nothing is at risk any
// more, so the session does not wait, and the proxy goes off with the
// process.
TEST_F(BrowserWipeTest, TheSessionEndingWhileApplysLastMessageIsUpTurnsTheProxyOff) {
  // The earlier run, ended by the test, left its record: no repair at start.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, R"(Software\Maskfold)");
  OpenBrowser chrome("chrome.exe");
  ASSERT_TRUE(chrome.Running());
  driver::Program program(driver::InstallProgram("Maskfold Session End"));
  ASSERT_TRUE(program.WaitForMainWindow());
  ::SendMessageA(program.ProxyBox(), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(driver::LoopbackProxy().c_str()));
  // The shell's confirmation of the cookie delete comes first; Apply has
  // ended (its buttons are back) when its last message shows.
  const HWND apply = program.Button("&Apply");
  bool ended = false;
  program.SetDialogProbe([&] {
    const DWORD enabled =
        driver::ReadDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable").value_or(9);
    if (!ended && ::IsWindowEnabled(apply)) {
      ended = true;
      driver::Run("wineboot.exe --end-session");
    }
    return "proxy " + std::to_string(enabled) + (ended ? " ended" : "");
  });
  program.Click("&Apply");
  DWORD code = 0;
  const bool exited = program.WaitForExit(60000, &code);
  // The process may end while the watcher's probe still runs.
  driver::WaitUntil([&] {
    const auto seen = program.Dialogs();
    return !seen.empty() && seen.back().ends_with(" ended");
  });
  const auto dialogs = program.Dialogs();
  std::string seen;
  for (const auto& dialog : dialogs) seen += "\n" + dialog;
  ASSERT_TRUE(exited) << "the process outlived the session; dialogs:" << seen;
  ASSERT_TRUE(ended) << "exit code " << code << seen;
  EXPECT_EQ(code, 0u) << "ended from main, its message loop left";
  ASSERT_FALSE(dialogs.empty());
  EXPECT_NE(dialogs.back().find("The cookies of Chrome were left"), std::string::npos) << seen;
  EXPECT_NE(dialogs.back().find("|proxy 1 ended"), std::string::npos) << "on while the box was up";
  EXPECT_EQ(driver::ReadDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable"), 0u);
  EXPECT_FALSE(driver::KeyExists(HKEY_CURRENT_USER, R"(Software\Maskfold)")) << "the record";
}

}  // namespace
