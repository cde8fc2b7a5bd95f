// The banner against the real platform: the download over WinINet from the
// test's loopback server, start-up with its jar repair, and the banner shown
// and re-read on activation, and its view left alone by other programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include "banner/download.h"
#include "common/identifiers.h"
#include "driver.h"

namespace {
using driver::Program;
const std::string kFailure =
    "Maskfold|An error has occured in the file transfer or write.  Please try again later.";

// What the tests' WinINet client prints for the URL in the given mode.
std::string Fetch(const char* mode, const std::string& url) {
  std::string command = "\"";
  command += driver::BuildFolder();
  command += R"(\wininet_fetch.exe" )";
  command += mode;
  command += " " + url;
  return driver::Run(command).output;
}

std::string ServerBytes(const std::string& path) {
  return Fetch("direct", driver::ServerUrl(path));
}

std::string Count() { return ServerBytes("/count"); }

// The request headers the server saw last for the path.
std::string HeadersSeen(const std::string& path) { return ServerBytes("/headers" + path); }

class DownloadFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CreateDirectoryA(kFolder, nullptr);
    driver::WriteFileBytes(
        kTarget, "an older banner, longer than the new one will be" + std::string(20000, '.'));
    driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
  }
  static constexpr const char* kFolder = R"(C:\banner test)";
  static constexpr const char* kTarget = R"(C:\banner test\cache.gif)";
  platform::transfer::Control transfer;
  // Message boxes of this very process are answered like a user would.
  driver::DialogWatcher dialogs{::GetCurrentProcessId()};
};

TEST_F(DownloadFileTest, StoresTheBodyByteForByte) {
  EXPECT_EQ(banner::DownloadFile(transfer, driver::ServerUrl("/cache.gif?v=2"), kFolder),
            banner::Stored::kStored);
  const std::string stored = driver::ReadFileBytes(kTarget);
  EXPECT_EQ(stored.substr(0, 6), "GIF89a");
  EXPECT_EQ(stored, ServerBytes("/cache.gif"));
  EXPECT_TRUE(dialogs.Seen().empty());
}

// The failure is reported for start-up to tell, never shown here.
TEST_F(DownloadFileTest, A404LeavesTheOldBannerAndIsReportedAsAFailure) {
  const std::string before = driver::ReadFileBytes(kTarget);
  EXPECT_EQ(banner::DownloadFile(transfer, driver::ServerUrl("/missing.gif"), kFolder),
            banner::Stored::kFailed);
  EXPECT_EQ(driver::ReadFileBytes(kTarget), before);
  EXPECT_FALSE(::GetFileAttributesA(R"(C:\banner test\missing.gif)") != INVALID_FILE_ATTRIBUTES);
  // A body over the size fails the same way, whole as it came.
  EXPECT_EQ(banner::DownloadFile(transfer, driver::ServerUrl("/cache.gif?pad"), kFolder),
            banner::Stored::kFailed);
  EXPECT_TRUE(driver::ReadFileBytes(kTarget) == before) << "the old banner stays";
  ::Sleep(200);
  EXPECT_TRUE(dialogs.Seen().empty());
}

TEST_F(DownloadFileTest, AServerThatNeverAnswersFailsWithinTheTimeOut) {
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(banner::DownloadFile(transfer, driver::ServerUrl("/hang.gif"), kFolder),
            banner::Stored::kFailed);
  EXPECT_LT(::GetTickCount() - start, 40000u);
}

TEST_F(DownloadFileTest, ABusyControlReturnsFalseSilently) {
  struct Executing : platform::transfer::Control {
    bool Busy() const override { return true; }
  } executing;
  const std::string count = Count();
  EXPECT_EQ(banner::DownloadFile(executing, driver::ServerUrl("/cache.gif"), kFolder),
            banner::Stored::kBusy);
  EXPECT_EQ(Count(), count);
  EXPECT_TRUE(dialogs.Seen().empty());
}

TEST_F(DownloadFileTest, TheRequestTakesTheProxyTheBrowserIsSetTo) {
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 1);
  driver::SetText(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer",
                  driver::ServerUrl("").substr(7));  // 127.0.0.1:PORT
  const std::string count = Count();
  EXPECT_EQ(banner::DownloadFile(transfer, "http://maskfold.example/cache.gif", kFolder),
            banner::Stored::kStored);
  EXPECT_EQ(std::stoi(Count()), std::stoi(count) + 1);
  EXPECT_EQ(driver::ReadFileBytes(kTarget).substr(0, 6), "GIF89a");
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
}

// The colour on the screen in the middle of the main window's banner.
COLORREF BannerColour(HWND main) {
  const HWND banner = driver::FindChild(main, ids::window_class::kGifView);
  RECT rect{};
  ::GetWindowRect(banner, &rect);
  HDC screen = ::GetDC(nullptr);
  const COLORREF colour =
      ::GetPixel(screen, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

// The colours the banner shows over a while: an animation shows several.
std::set<COLORREF> BannerColours(HWND main, DWORD ms = 1500) {
  std::set<COLORREF> colours;
  for (DWORD waited = 0; waited < ms; waited += 50) {
    colours.insert(BannerColour(main));
    ::Sleep(50);
  }
  return colours;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
    ::CreateDirectoryA(R"(C:\cookies)", nullptr);
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
    folder_ = driver::InstallProgram("Maskfold Startup");
    ::RemoveDirectoryA(R"(C:\cookies\Jar)");
    ::DeleteFileA(R"(C:\cookies\Jar)");
  }
  std::string folder_;
};

TEST_F(StartupTest, AMissingJarIsAnnouncedAloneThenCreated) {
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_EQ(program.Dialogs(),
            std::vector<std::string>{
                R"(Maskfold|The folder C:\cookies\Jar is missing--Click OK to restore it.)"});
  EXPECT_EQ(::GetFileAttributesA(R"(C:\cookies\Jar)") & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(StartupTest, AFileNamedJarSatisfiesTheTest) {
  driver::WriteFileBytes(R"(C:\cookies\Jar)", "a file, not a folder");
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_TRUE(program.Dialogs().empty());
  EXPECT_EQ(driver::ReadFileBytes(R"(C:\cookies\Jar)"), "a file, not a folder");
}

TEST_F(StartupTest, AReadOnlyBannerIsRewrittenAndShownAnimated) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  const std::string banner = folder_ + R"(\cache.gif)";
  driver::WriteFileBytes(banner, "an old banner");
  ::SetFileAttributesA(banner.c_str(), FILE_ATTRIBUTE_READONLY);
  // What a run ended between writing and renaming left behind.
  driver::WriteFileBytes(banner + ".partial", "half a banner");
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ(driver::ReadFileBytes(banner), ServerBytes("/cache.gif"));
  EXPECT_EQ(driver::FolderEntries(folder_),
            (std::vector<std::string>{".", "..", "cache.gif", "hand.cur", "maskfold.exe"}));
  EXPECT_TRUE(program.Dialogs().empty());
  const auto colours = BannerColours(main);
  std::string seen;
  for (COLORREF colour : colours) seen += std::to_string(colour) + " ";
  EXPECT_TRUE(colours.count(kRed) && colours.count(kBlue)) << "both frames in turn; seen " << seen;
}

TEST_F(StartupTest, AFailedDownloadStillShowsTheMainWindowAndTheSplashGoes) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  Program program(folder_, driver::ServerUrl("/missing.gif"));
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_EQ(program.Dialogs(),
            std::vector<std::string>{kFailure + "|(visible: " + ids::window_class::kSplash + ")"});
  // The main window shows first, then the splash window goes.
  for (int i = 0; i < 50 && ::FindWindowA(ids::window_class::kSplash, nullptr); ++i) ::Sleep(100);
  EXPECT_FALSE(::FindWindowA(ids::window_class::kSplash, nullptr));
}

// A banner server that sends one byte every 3 s would hold start-up for
// minutes: the download's deadline ends it as a failed one.
TEST_F(StartupTest, ATricklingBannerServerHoldsStartUpNoLongerThanTheDeadline) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  const std::string banner = folder_ + R"(\cache.gif)";
  driver::WriteFileBytes(banner, "the banner of an earlier run");
  Program program(folder_, driver::ServerUrl("/cache.gif?trickle"));
  ASSERT_TRUE(program.WaitForMainWindow(banner::kDeadlineMs + 25000));
  EXPECT_EQ(program.Dialogs(),
            std::vector<std::string>{kFailure + "|(visible: " + ids::window_class::kSplash + ")"});
  EXPECT_EQ(driver::ReadFileBytes(banner), "the banner of an earlier run");
}

// The banner's server learns nothing of who the user was: WinINet holds a
// cookie for it, and the banner request neither sends it nor takes one.
TEST_F(StartupTest, TheBannerRequestSendsAndTakesNoCookie) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  Fetch("preconfig", driver::ServerUrl("/cache.gif?cookie=visitor"));
  Fetch("preconfig", driver::ServerUrl("/cache.gif"));
  ASSERT_NE(HeadersSeen("/cache.gif").find("visitor=set-by-server"), std::string::npos)
      << "the browser's own requests carry the cookie";

  Program program(folder_, driver::ServerUrl("/cache.gif?cookie=banner"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const std::string headers = HeadersSeen("/cache.gif");
  EXPECT_NE(headers.find("Maskfold"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("Cookie"), std::string::npos) << headers;
  const std::string held = Fetch("cookie", driver::ServerUrl("/"));
  EXPECT_NE(held.find("visitor="), std::string::npos) << held;
  EXPECT_EQ(held.find("banner="), std::string::npos) << held;
  EXPECT_TRUE(program.Dialogs().empty());
}

// The splash once it is on the screen, or null.
HWND WaitForSplash(const Program& program) {
  for (int i = 0; i < 400; ++i) {
    const auto shown =
        driver::TopLevelWindows(::GetProcessId(program.Process()), ids::window_class::kSplash);
    if (!shown.empty()) return shown.front();
    ::Sleep(25);
  }
  return nullptr;
}

// Closed while the banner trickles in, the splash makes way for the main
// window at once; the user chose not to wait, so no failure is reported.
TEST_F(StartupTest, ClosingTheSplashGoesOnToTheMainWindowAtOnce) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  const std::string banner = folder_ + R"(\cache.gif)";
  driver::WriteFileBytes(banner, "the banner of an earlier run");
  Program program(folder_, driver::ServerUrl("/cache.gif?trickle"));
  const HWND splash = WaitForSplash(program);
  ASSERT_TRUE(splash);
  ::PostMessageA(splash, WM_CLOSE, 0, 0);
  // Well before the download's deadline would end it.
  ASSERT_TRUE(program.WaitForMainWindow(banner::kDeadlineMs * 2 / 3));
  EXPECT_TRUE(program.Dialogs().empty());
  EXPECT_FALSE(program.WaitForExit(0));
  EXPECT_EQ(driver::ReadFileBytes(banner), "the banner of an earlier run");
}

// A banner server that never answers holds start-up for the whole time-out:
// the splash meanwhile is drawn and answers like any window.
TEST_F(StartupTest, TheSplashIsDrawnAndAnswersWhileTheBannerServerIsSilent) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  Program program(folder_, driver::ServerUrl("/hang.gif"));
  const HWND splash = WaitForSplash(program);
  ASSERT_TRUE(splash);

  DWORD slowest = 0;
  for (int i = 0; i < 30; ++i) {
    const DWORD asked = ::GetTickCount();
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(splash, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    slowest = std::max<DWORD>(slowest, ::GetTickCount() - asked);
    ::Sleep(50);
  }
  // Blocked by the download, it would take the whole ten seconds.
  EXPECT_LT(slowest, 500u) << "the longest the splash took to answer, in ms";
  // The picture's dark field, near the bottom left corner.
  RECT client{};
  ::GetClientRect(splash, &client);
  POINT corner{10, client.bottom - 10};
  ::ClientToScreen(splash, &corner);
  HDC screen = ::GetDC(nullptr);
  const COLORREF seen = ::GetPixel(screen, corner.x, corner.y);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(seen, RGB(0x16, 0x2A, 0x4C));
  EXPECT_TRUE(
      driver::TopLevelWindows(::GetProcessId(program.Process()), ids::window_class::kMain).empty())
      << "start-up still waits on the banner";
}

TEST_F(StartupTest, TheBannerIsReadAgainOnlyWhenComingBackFromTheProgramsOwnWindow) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const std::string banner = folder_ + R"(\cache.gif)";

  // Replaced while the program runs: seen after a visit to the About window.
  driver::WriteFileBytes(banner, ServerBytes("/green.gif"));
  program.ChooseMenuItem(ids::menu::kAbout);
  const HWND about = ::FindWindowA(ids::window_class::kAbout, nullptr);
  ASSERT_TRUE(about);
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(about, "Button", "Hide"), BM_CLICK, 0, 0, SMTO_NORMAL,
                        10000, &result);
  ::SetForegroundWindow(main);
  ::Sleep(300);
  EXPECT_EQ(BannerColours(main, 600), std::set<COLORREF>{kGreen});

  // Replaced again, but the user only went to another program and back.
  driver::WriteFileBytes(banner, ServerBytes("/cache.gif"));
  const HWND other = ::CreateWindowExA(0, "STATIC", "another program", WS_POPUP | WS_VISIBLE, 0, 0,
                                       50, 50, nullptr, nullptr, nullptr, nullptr);
  ::SetForegroundWindow(other);
  ::Sleep(300);
  ::SetForegroundWindow(main);
  ::Sleep(300);
  ::DestroyWindow(other);
  EXPECT_EQ(BannerColours(main, 600), std::set<COLORREF>{kGreen});
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// Another program may post anything to the program's windows: messages of
// the private ranges, each with an address that means nothing here, leave
// the program running, answering and showing its banner.
TEST_F(StartupTest, MessagesWithAPointerFromAnotherProcessLeaveTheProgramWorking) {
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  program.ChooseMenuItem(ids::menu::kAbout);
  program.ChooseMenuItem(ids::menu::kTestProxies);
  std::vector<HWND> targets;
  for (const char* window_class :
       {ids::window_class::kMain, ids::window_class::kAbout, ids::window_class::kCookieManager,
        ids::window_class::kProxyTest}) {
    for (HWND window :
         driver::TopLevelWindows(::GetProcessId(program.Process()), window_class, false)) {
      targets.push_back(window);
      ::EnumChildWindows(window, &CollectWindow, reinterpret_cast<LPARAM>(&targets));
    }
  }
  ASSERT_TRUE(::FindWindowA(ids::window_class::kAbout, nullptr) &&
              ::FindWindowA(ids::window_class::kProxyTest, nullptr));
  ASSERT_EQ(std::count(targets.begin(), targets.end(),
                       driver::FindChild(main, ids::window_class::kGifView)),
            1);
  constexpr LPARAM kNowhere = 0x0BADF00D;
  for (HWND target : targets) {
    char window_class[64] = {};
    ::GetClassNameA(target, window_class, sizeof window_class);
    // The standard controls' own messages are theirs to guard.
    if (std::string_view(window_class).starts_with("Maskfold"))
      for (UINT message : {WM_USER, WM_APP})
        for (UINT n = 0; n < 16; ++n) ::PostMessageA(target, message + n, kNowhere, kNowhere);
  }
  // A message sent is handled before those posted: wait for them first.
  EXPECT_FALSE(program.WaitForExit(1000));
  DWORD_PTR result = 0;
  EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result));
  EXPECT_TRUE(program.Dialogs().empty());
  for (const char* window_class : {ids::window_class::kAbout, ids::window_class::kProxyTest})
    ::SendMessageTimeoutA(::FindWindowA(window_class, nullptr), WM_CLOSE, 0, 0, SMTO_NORMAL, 10000,
                          &result);
  ::SetForegroundWindow(main);
  ::Sleep(300);
  const auto colours = BannerColours(main);
  EXPECT_TRUE(colours.count(kRed) && colours.count(kBlue)) << "the banner still plays";
}

}  // namespace
