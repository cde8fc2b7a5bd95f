// The Browser Cookies window against real stores: SQLite databases in the
// browsers' own schemas at their places in the prefix, and the jar's file
// of protected sites.
#include <windows.h>

#include <gtest/gtest.h>

#include "browser_stores.h"
#include "common/identifiers.h"
#include "driver.h"
#include "sqlite3.h"

namespace {
using driver::Program;
using Texts = std::vector<std::string>;
using namespace ids::browser_cookies;

class BrowserCookiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jar_ = driver::UseCookiesFolder() + "\\" + std::string(ids::kJarFolder);
    file_ = jar_ + "\\Protected sites.lst";
    driver::WriteFileBytes(file_, "example.com\r\n");
    driver::WriteFileBytes(jar_ + "\\user@shop.example.org[1].txt", "id\nkept\n");
    chrome_ = driver::MakeChromiumStore(
        driver::LocalAppData() + R"(\Google\Chrome\User Data)", "Default",
        {{".tracker.net"}, {"www.example.com"}, {"B.example"}, {"a.example"}});
    driver::MakeFirefoxStore("x.default-release", {{".tracker.net"}, {"news.example.org"}});
    // Site data too: one site's alone, one beside its cookies.
    const std::string indexed_db =
        driver::LocalAppData() + R"(\Google\Chrome\User Data\Default\IndexedDB\)";
    driver::MakeFolders(indexed_db + "https_only-data.example_0.indexeddb.leveldb");
    driver::MakeFolders(indexed_db + "https_tracker.net_0.indexeddb.leveldb");
  }

  // Opens the window and waits until the stores are read.
  HWND Open(Program& program) {
    program.ChooseMenuItem(ids::menu::kBrowserCookies);
    const HWND window = ::FindWindowA(ids::window_class::kBrowserCookies, nullptr);
    for (int i = 0; window && i < 100 && Hint(window).starts_with("Reading"); ++i) ::Sleep(100);
    return window;
  }
  static std::string Hint(HWND window) {
    return driver::WindowText(::GetDlgItem(window, kHintLabel));
  }
  static Texts Entries(HWND window, int list) {
    return driver::ListTexts(::GetDlgItem(window, list), LB_GETCOUNT, LB_GETTEXT);
  }
  // A double-click on the list's entry, as the list reports it.
  static void DoubleClick(HWND window, int list, int index) {
    const HWND box = ::GetDlgItem(window, list);
    ::SendMessageA(box, LB_SETCURSEL, index, 0);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(list, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(box), SMTO_NORMAL, 30000, &result);
  }

  std::string jar_, file_, chrome_;
};

TEST_F(BrowserCookiesTest, ListsTheSitesWithTheirBrowsersAndMovesThemAcross) {
  Program program(driver::InstallProgram("Maskfold Browsers"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  EXPECT_EQ(driver::WindowText(window), "Browser Cookies");
  EXPECT_TRUE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(Hint(window).find("Chrome and Firefox"), std::string::npos) << Hint(window);
  EXPECT_EQ(driver::WindowText(::GetDlgItem(window, kStatusLabel)), "");
  // www.example.com is kept by example.com; shop.example.org by the jar's
  // legacy cookie.
  EXPECT_EQ(Entries(window, kSiteList),
            (Texts{"a.example (Chrome: cookies)", "b.example (Chrome: cookies)",
                   "news.example.org (Firefox: cookies)", "only-data.example (Chrome: site data)",
                   "tracker.net (Chrome, Firefox: cookies, site data)"}));
  EXPECT_EQ(Entries(window, kProtectedList), (Texts{"example.com", "shop.example.org"}));

  DoubleClick(window, kSiteList, 4);
  EXPECT_EQ(driver::ReadFileBytes(file_), "example.com\r\ntracker.net\r\n");
  EXPECT_EQ(Entries(window, kProtectedList),
            (Texts{"example.com", "shop.example.org", "tracker.net"}));
  EXPECT_EQ(Entries(window, kSiteList).size(), 4u);

  // Enter on the protected list: example.com goes, and its subdomain comes
  // back on the left.
  ASSERT_TRUE(program.WaitUntilActive(window));
  program.PressKey(VK_TAB);
  ASSERT_EQ(::GetDlgCtrlID(program.FocusedWindow()), kProtectedList);
  ::SendMessageA(::GetDlgItem(window, kProtectedList), LB_SETCURSEL, 0, 0);
  program.PressKey(VK_RETURN);
  EXPECT_EQ(driver::ReadFileBytes(file_), "tracker.net\r\n");
  EXPECT_EQ(Entries(window, kSiteList),
            (Texts{"a.example (Chrome: cookies)", "b.example (Chrome: cookies)",
                   "news.example.org (Firefox: cookies)", "only-data.example (Chrome: site data)",
                   "www.example.com (Chrome: cookies)"}));
  EXPECT_TRUE(program.Dialogs().empty());

  // The jar's cookie keeps its site protected.
  DoubleClick(window, kProtectedList, 0);
  EXPECT_EQ(driver::ReadFileBytes(file_), "tracker.net\r\n");
  EXPECT_EQ(Entries(window, kProtectedList), (Texts{"shop.example.org", "tracker.net"}));
  ASSERT_EQ(program.Dialogs().size(), 1u);
  EXPECT_NE(program.Dialogs()[0].find("protected by a cookie in the Cookie Manager's"),
            std::string::npos)
      << program.Dialogs()[0];
}

TEST_F(BrowserCookiesTest, ALockedStoreIsNamedUntilReadAgainFindsItFree) {
  sqlite3* lock = nullptr;
  ASSERT_EQ(sqlite3_open(chrome_.c_str(), &lock), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(lock, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  Program program(driver::InstallProgram("Maskfold Browsers"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  EXPECT_EQ(driver::WindowText(::GetDlgItem(window, kStatusLabel))
                .rfind("Could not read the cookies of Chrome,", 0),
            0u);
  // The site data is still read: the store's browser is named in its place.
  EXPECT_EQ(Entries(window, kSiteList),
            (Texts{"news.example.org (Firefox: cookies)", "only-data.example (Chrome: site data)",
                   "tracker.net (Chrome, Firefox: cookies, site data)"}));

  sqlite3_exec(lock, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(lock);
  const HWND strip = driver::FindChild(window, ids::window_class::kButtonStrip);
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(strip, "Button", "Read Again"), BM_CLICK, 0, 0,
                        SMTO_NORMAL, 30000, &result);
  for (int i = 0; i < 100 && Hint(window).starts_with("Reading"); ++i) ::Sleep(100);
  EXPECT_EQ(driver::WindowText(::GetDlgItem(window, kStatusLabel)), "");
  EXPECT_EQ(Entries(window, kSiteList).size(), 5u);
  EXPECT_TRUE(program.Dialogs().empty());
}

TEST_F(BrowserCookiesTest, WithoutStoresTheHintSaysSoAndTheKeyboardWorks) {
  for (const std::string& file :
       {chrome_, driver::RoamingAppData() + R"(\Mozilla\Firefox\profiles.ini)"})
    ASSERT_TRUE(::DeleteFileA(file.c_str())) << file;
  Program program(driver::InstallProgram("Maskfold Browsers"));
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  // The fourth item of the Tools menu, chosen as a user would with the keys,
  // once the menu has opened (opening it posts a key of its own).
  ASSERT_TRUE(program.WaitUntilActive(main));
  const DWORD process = ::GetProcessId(program.Process());
  ::PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 't');
  for (int i = 0; i < 50 && driver::TopLevelWindows(process, "#32768").empty(); ++i) ::Sleep(100);
  for (UINT key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) program.PressKey(key);
  HWND window = nullptr;
  for (int i = 0; i < 50 && !window; ++i, ::Sleep(100))
    window = ::FindWindowA(ids::window_class::kBrowserCookies, nullptr);
  ASSERT_TRUE(window);
  for (int i = 0; i < 100 && Hint(window).starts_with("Reading"); ++i) ::Sleep(100);
  EXPECT_EQ(Hint(window), "No browser's cookies were found.");
  EXPECT_TRUE(Entries(window, kSiteList).empty());
  ASSERT_TRUE(program.WaitUntilActive(window));
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) {
    order.push_back(::GetDlgCtrlID(program.FocusedWindow()));
    program.PressKey(VK_TAB);
  }
  EXPECT_EQ(order, (std::vector<int>{kSiteList, kProtectedList, kReadAgainButton, kDoneButton,
                                     kSiteList}));
  program.PressKey(VK_ESCAPE);
  EXPECT_TRUE(driver::WaitUntilGone(window));
  EXPECT_TRUE(program.Dialogs().empty());
}

}  // namespace
