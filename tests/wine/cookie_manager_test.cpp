// The Cookie Manager against the real platform: a cookies folder with real
// cookie files (written by WinINet) and a jar.
#include <windows.h>

#include <shlobj.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/identifiers.h"
#include "driver.h"

namespace {
using driver::Program;

// The names in the order the file lists show them: sorted, ignoring case.
std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

class CookieManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cookies_ = driver::UseCookiesFolder();
    jar_ = cookies_ + "\\" + std::string(ids::kJarFolder);
    EmptyFolder(jar_);  // the prefix is shared by the cases of this file
    for (const char* site : {"alpha", "beta"}) {
      const std::string url = std::string("http://") + site + ".example/";
      const std::string cookie =
          std::string("id=") + site + "; expires=Fri, 31 Dec 2038 23:59:59 GMT";
      ASSERT_TRUE(::InternetSetCookieA(url.c_str(), nullptr, cookie.c_str()));
    }
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((cookies_ + "\\*.txt").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do names_.push_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    ASSERT_EQ(names_.size(), 2u);
    names_ = Sorted(names_);  // index 0 is the first entry of the list
  }

  static void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }

  // Opens the Cookie Manager and returns its window.
  HWND Open(Program& program) {
    program.ChooseMenuItem(ids::menu::kCookieManager);
    for (int i = 0; i < 50; ++i, ::Sleep(100))
      if (HWND window = ::FindWindowA(ids::window_class::kCookieManager, nullptr);
          window && ::IsWindowVisible(window))
        return window;
    return nullptr;
  }
  static HWND CookieList(HWND manager) {
    return ::GetDlgItem(manager, ids::cookie_manager::kCookieList);
  }
  static HWND JarList(HWND manager) { return ::GetDlgItem(manager, ids::cookie_manager::kJarList); }
  static void Click(HWND manager, const char* caption) {
    const HWND strip = driver::FindChild(manager, ids::window_class::kButtonStrip);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(driver::FindChild(strip, "Button", caption), BM_CLICK, 0, 0, SMTO_NORMAL,
                          30000, &result);
  }
  // A double-click on the list's entry, as the list reports it.
  static void DoubleClick(HWND manager, int index) {
    ::SendMessageA(CookieList(manager), LB_SETCURSEL, index, 0);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(
        manager, WM_COMMAND, MAKEWPARAM(ids::cookie_manager::kCookieList, LBN_DBLCLK),
        reinterpret_cast<LPARAM>(CookieList(manager)), SMTO_NORMAL, 30000, &result);
  }

  std::string cookies_, jar_;
  std::vector<std::string> names_;
};

TEST_F(CookieManagerTest, OpensTopmostWithBothListsAndProtectMovesOneFile) {
  driver::WriteFileBytes(jar_ + "\\" + names_[0], "an older copy in the jar");
  driver::WriteFileBytes(jar_ + "\\notes.dat", "not a cookie");
  const std::string bytes = driver::ReadFileBytes(cookies_ + "\\" + names_[0]);
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND manager = Open(program);
  ASSERT_TRUE(manager);
  EXPECT_EQ(driver::WindowText(manager), "Cookie Manager");
  EXPECT_TRUE(::GetWindowLongA(manager, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT outer{};
  ::GetWindowRect(manager, &outer);
  EXPECT_EQ(outer.right - outer.left, 460);
  EXPECT_EQ(outer.bottom - outer.top, 340);
  EXPECT_EQ(driver::ListTexts(CookieList(manager), LB_GETCOUNT, LB_GETTEXT), Sorted(names_));
  EXPECT_EQ(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT),
            Sorted({names_[0], "notes.dat"}));

  DoubleClick(manager, 0);
  EXPECT_FALSE(driver::PathExists(cookies_ + "\\" + names_[0]));
  EXPECT_EQ(driver::ReadFileBytes(jar_ + "\\" + names_[0]), bytes) << "the jar copy is replaced";
  EXPECT_EQ(driver::ListTexts(CookieList(manager), LB_GETCOUNT, LB_GETTEXT),
            std::vector<std::string>{names_[1]});
  EXPECT_EQ(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT),
            Sorted({names_[0], "notes.dat"}));
  EXPECT_TRUE(program.Dialogs().empty());
}

TEST_F(CookieManagerTest, EmptyDeletesOnlyCookieFilesOrSaysThereAreNone) {
  driver::WriteFileBytes(jar_ + "\\" + names_[0], "protected");
  driver::WriteFileBytes(jar_ + "\\notes.dat", "not a cookie");
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND manager = Open(program);
  ASSERT_TRUE(manager);

  Click(manager, "Empty Protected Cookies");
  EXPECT_FALSE(driver::PathExists(jar_ + "\\" + names_[0]));
  EXPECT_TRUE(driver::PathExists(jar_ + "\\notes.dat"));
  EXPECT_EQ(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT),
            std::vector<std::string>{"notes.dat"});
  EXPECT_TRUE(program.Dialogs().empty());

  // Nothing left to delete: the window steps aside for the message.
  Click(manager, "Empty Protected Cookies");
  EXPECT_EQ(program.Dialogs(),
            std::vector<std::string>{
                std::string("No Cookies Found|No protected cookies to delete!|(visible: ") +
                ids::window_class::kMain + ")"});
  EXPECT_TRUE(::IsWindowVisible(manager));
  EXPECT_EQ(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT),
            std::vector<std::string>{"notes.dat"});

  // Under the box the window is closed and the Cookie Manager opened anew:
  // when the box goes, the old window's handler must not touch what was
  // freed, and the new one works.
  HWND reopened = nullptr;
  program.SetDialogProbe([&] {
    if (reopened) return std::string();
    const HWND closed = Open(program);
    Click(closed, "Done");
    driver::WaitUntilGone(closed);
    reopened = Open(program);
    return std::string("reopened");
  });
  Click(manager, "Empty Protected Cookies");
  ASSERT_TRUE(reopened);
  EXPECT_NE(reopened, manager);
  EXPECT_FALSE(::IsWindow(manager));
  DoubleClick(reopened, 0);
  EXPECT_EQ(driver::ListTexts(JarList(reopened), LB_GETCOUNT, LB_GETTEXT),
            Sorted({names_[0], "notes.dat"}));
  EXPECT_EQ(program.Dialogs().size(), 2u) << program.Dialogs().back();
  EXPECT_FALSE(program.WaitForExit(0));
}

TEST_F(CookieManagerTest, ACopyThatFailsLosesNothing) {
  const std::string target = jar_ + "\\" + names_[0];
  driver::WriteFileBytes(target, "held open");
  const std::string original = driver::ReadFileBytes(cookies_ + "\\" + names_[0]);
  // Another process holds the jar copy open: it cannot be replaced.
  const HANDLE held =
      ::CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND manager = Open(program);
  ASSERT_TRUE(manager);
  DoubleClick(manager, 0);
  ::CloseHandle(held);
  EXPECT_EQ(driver::ReadFileBytes(cookies_ + "\\" + names_[0]), original);
  EXPECT_EQ(driver::ReadFileBytes(target), "held open");
  const auto dialogs = program.Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_NE(dialogs[0].find("could not be copied"), std::string::npos) << dialogs[0];
}

TEST_F(CookieManagerTest, DoneUnloadsAndTheNextOpenReadsTheListsAfresh) {
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  HWND manager = Open(program);
  ASSERT_TRUE(manager);
  EXPECT_TRUE(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT).empty());
  Click(manager, "Done");
  EXPECT_TRUE(driver::WaitUntilGone(manager));

  driver::WriteFileBytes(jar_ + "\\" + names_[1], "protected meanwhile");
  manager = Open(program);
  ASSERT_TRUE(manager);
  EXPECT_EQ(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT),
            std::vector<std::string>{names_[1]});
  // The close box does what Done does.
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(manager, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
  EXPECT_FALSE(::IsWindow(manager));
}

TEST_F(CookieManagerTest, AMissingJarGivesOneMessageAndTheWindowStaysUsable) {
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  ::RemoveDirectoryA(jar_.c_str());
  const std::size_t before = program.Dialogs().size();
  const HWND manager = Open(program);
  ASSERT_TRUE(manager);
  for (int i = 0; i < 20 && program.Dialogs().size() == before; ++i) ::Sleep(100);
  const auto dialogs = program.Dialogs();
  ASSERT_EQ(dialogs.size(), before + 1);
  EXPECT_NE(dialogs.back().find("does not exist"), std::string::npos) << dialogs.back();
  EXPECT_EQ(driver::ListTexts(CookieList(manager), LB_GETCOUNT, LB_GETTEXT).size(), names_.size());
  EXPECT_TRUE(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT).empty());
  Click(manager, "Done");
  EXPECT_TRUE(driver::WaitUntilGone(manager));
}

TEST_F(CookieManagerTest, NoPathToTheDriveRootTouchesAFileThere) {
  driver::WriteFileBytes(R"(C:\rootnote.txt)", "a text file at the root of the drive");
  ::CreateDirectoryA(R"(C:\Jar)", nullptr);  // as an older version left it
  driver::WriteFileBytes(R"(C:\Jar\jarred.txt)", "in a jar at the root");
  const auto root_before = driver::FolderEntries("C:");
  for (const char* folder : {R"(C:\.)", R"(C:\windows\..)", "C:/", R"(C:\\.\\)",
                             R"(\\?\C:\windows\..)", R"(\\.\C:\)", "C:", ""}) {
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", folder);
    Program program(driver::InstallProgram("Maskfold Root"));
    ASSERT_TRUE(program.WaitForMainWindow()) << folder;
    for (const auto& dialog : program.Dialogs())
      EXPECT_EQ(dialog.find("is missing"), std::string::npos) << folder << ": " << dialog;
    const std::size_t before = program.Dialogs().size();

    const HWND manager = Open(program);
    ASSERT_TRUE(manager) << folder;
    for (int i = 0; i < 20 && program.Dialogs().size() == before; ++i) ::Sleep(100);
    ASSERT_EQ(program.Dialogs().size(), before + 1) << folder;
    EXPECT_NE(program.Dialogs().back().find("so both lists are empty"), std::string::npos)
        << program.Dialogs().back();
    EXPECT_TRUE(driver::ListTexts(CookieList(manager), LB_GETCOUNT, LB_GETTEXT).empty());
    EXPECT_TRUE(driver::ListTexts(JarList(manager), LB_GETCOUNT, LB_GETTEXT).empty());
    DoubleClick(manager, 0);
    Click(manager, "Empty Protected Cookies");
    Click(manager, "Done");

    program.ApplyAndWait(driver::LoopbackProxy());
    ASSERT_EQ(program.Dialogs().size(), before + 2) << folder;
    EXPECT_EQ(program.Dialogs().back().rfind("Maskfold|Your cookies were left alone", 0), 0u)
        << program.Dialogs().back();
    EXPECT_EQ(driver::FolderEntries("C:"), root_before) << folder;
    EXPECT_EQ(driver::ReadFileBytes(R"(C:\rootnote.txt)"), "a text file at the root of the drive");
    EXPECT_EQ(driver::ReadFileBytes(R"(C:\Jar\jarred.txt)"), "in a jar at the root") << folder;
  }
}

TEST_F(CookieManagerTest, TabReachesEveryControlAndEscClosesLikeDone) {
  Program program(driver::InstallProgram("Maskfold Cookies"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND manager = Open(program);
  ASSERT_TRUE(manager);
  ASSERT_TRUE(program.WaitUntilActive(manager));
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) {
    const HWND focus = program.FocusedWindow();
    order.push_back(::GetDlgCtrlID(focus));
    program.PressKey(VK_TAB);
    // Wine's input-idle wait may return before the key is handled.
    driver::WaitUntil([&] { return program.FocusedWindow() != focus; }, 2000);
  }
  using namespace ids::cookie_manager;
  EXPECT_EQ(order,
            (std::vector<int>{kCookieList, kJarList, kEmptyJarButton, kDoneButton, kCookieList}));
  program.PressKey(VK_ESCAPE);
  EXPECT_TRUE(driver::WaitUntilGone(manager));
}

}  // namespace
