// Apply's wipe against the real platform: a URL cache with real entries, a
// cookies folder with real persistent cookies, a jar, and the shell's own
// confirmation dialogs answered as a user would.
#include <windows.h>

#include <shlobj.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "browser_stores.h"
#include "common/identifiers.h"
#include "driver.h"
#include "probe_crowd.h"

namespace {

// Names and contents of the files of a folder matching a pattern by their
// long names (the platform's own match takes "x.txtold" for "*.txt").
std::map<std::string, std::string> Files(const std::string& folder, const char* pattern) {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  const std::string ending = std::string(pattern).substr(1);
  do {
    const std::string name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (ending.empty() ||
         (name.size() > ending.size() &&
          !::lstrcmpiA(name.c_str() + name.size() - ending.size(), ending.c_str()))))
      files[found.cFileName] = driver::ReadFileBytes(folder + "\\" + found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return files;
}

// The content entries the browser's cache lists (cookies and history aside).
std::vector<std::string> ContentEntries() {
  std::vector<std::string> urls;
  std::vector<char> buffer(16384);
  DWORD size = static_cast<DWORD>(buffer.size());
  auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
  HANDLE search = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
  if (!search) return urls;
  do {
    const std::string url = info->lpszSourceUrlName;
    if (url.rfind("Cookie:", 0) != 0 && url.rfind("Visited:", 0) != 0) urls.push_back(url);
    size = static_cast<DWORD>(buffer.size());
  } while (::FindNextUrlCacheEntryA(search, info, &size));
  ::FindCloseUrlCache(search);
  return urls;
}

void AddCacheEntry(const std::string& url, const std::string& body) {
  char path[MAX_PATH] = {};
  ASSERT_TRUE(::CreateUrlCacheEntryA(url.c_str(), 0, "htm", path, 0)) << url;
  driver::WriteFileBytes(path, body);
  FILETIME never{};
  ASSERT_TRUE(::CommitUrlCacheEntryA(url.c_str(), path, never, never, NORMAL_CACHE_ENTRY, nullptr,
                                     0, nullptr, nullptr))
      << url;
}

std::string BrowserCookies(const std::string& url) {
  std::string command = "\"";
  command += driver::BuildFolder();
  command += R"(\wininet_fetch.exe" cookie )";
  command += url;
  return driver::Run(command).output;
}

// The line under the proxy box, as the user reads it.
std::string StatusLine(driver::Program& program) {
  return driver::WindowText(
      ::GetDlgItem(program.WaitForMainWindow(), ids::main_window::kStatusLine));
}

class WipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cookies_ = driver::UseCookiesFolder();
    jar_ = cookies_ + "\\" + std::string(ids::kJarFolder);
    // The prefix is the test program's: an earlier test's cookie files go.
    for (const std::string& folder : {cookies_, jar_})
      for (const auto& [name, bytes] : Files(folder, "*.txt"))
        ::DeleteFileA((folder + "\\" + name).c_str());

    // Persistent cookies, written by WinINet as the browser writes them.
    for (const char* site : {"protected", "tracker", "other"}) {
      const std::string url = std::string("http://") + site + ".example/";
      const std::string cookie =
          std::string("id=") + site + "; expires=Fri, 31 Dec 2038 23:59:59 GMT";
      ASSERT_TRUE(::InternetSetCookieA(url.c_str(), nullptr, cookie.c_str())) << site;
    }
    const auto cookie_files = Files(cookies_, "*.txt");
    ASSERT_EQ(cookie_files.size(), 3u);
    for (const auto& [name, bytes] : cookie_files)
      if (bytes.find("protected") != std::string::npos) protected_ = name;
    ASSERT_FALSE(protected_.empty());
    ASSERT_TRUE(::CopyFileA((cookies_ + "\\" + protected_).c_str(),
                            (jar_ + "\\" + protected_).c_str(), FALSE));
    driver::WriteFileBytes(jar_ + "\\notes.dat", "not a cookie");
    driver::WriteFileBytes(cookies_ + "\\keep.me", "not a cookie either");
    driver::WriteFileBytes(cookies_ + "\\keep.txtold", "a cookie by its short name only");
    ::CreateDirectoryA((cookies_ + "\\keep.txt").c_str(), nullptr);
    driver::WriteFileBytes(cookies_ + "\\keep.txt\\inside.txt",
                           "inside a folder named like a cookie");

    for (int i = 0; i < 3; ++i)
      AddCacheEntry("http://cache.example/page" + std::to_string(i), "page " + std::to_string(i));
    ASSERT_EQ(ContentEntries().size(), 3u);
  }

  std::string cookies_, jar_, protected_;
};

TEST_F(WipeTest, ApplyEmptiesTheCacheAndKeepsOnlyTheProtectedCookies) {
  const auto jar_before = Files(jar_, "*");
  ASSERT_EQ(BrowserCookies("http://tracker.example/"), "id=tracker");

  driver::Program program(driver::InstallProgram("Maskfold Wipe"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());

  EXPECT_TRUE(ContentEntries().empty());
  EXPECT_EQ(Files(cookies_, "*.txt"), Files(jar_, "*.txt"));
  EXPECT_EQ(Files(jar_, "*"), jar_before) << "the jar is copied from, never changed";
  for (const char* kept : {"keep.me", "keep.txtold"})
    EXPECT_TRUE(driver::PathExists(cookies_ + "\\" + kept)) << kept;
  EXPECT_EQ(driver::ReadFileBytes(cookies_ + "\\keep.txt\\inside.txt"),
            "inside a folder named like a cookie");

  // The deleted cookies went to the recycle bin, not into nothing.
  const auto trash = Files(driver::TrashFolder(), "*.txt");
  EXPECT_EQ(trash.size(), 3u);

  // The platform asked before deleting; the program itself said nothing.
  const auto dialogs = program.Dialogs();
  for (const auto& dialog : dialogs) EXPECT_NE(dialog.rfind("Maskfold|", 0), 0u) << dialog;
  EXPECT_FALSE(dialogs.empty());

  // What the browser sees now, from a fresh process.
  EXPECT_EQ(BrowserCookies("http://protected.example/"), "id=protected");
  EXPECT_EQ(BrowserCookies("http://tracker.example/"), "");
  EXPECT_EQ(BrowserCookies("http://other.example/"), "");

  // The line under the proxy box says the route was checked, and what went.
  const std::string status = StatusLine(program);
  EXPECT_EQ(status.rfind("Through " + driver::LoopbackProxy() + ", checked at ", 0), 0u) << status;
  EXPECT_NE(status.find(": pages load (http "), std::string::npos) << status;
  EXPECT_NE(status.find("\nCleared 3 cache entries, 3 cookie files; copies in the Recycle Bin"),
            std::string::npos)
      << status;
}

TEST_F(WipeTest, AHostileCookiesFolderDeletesAndCopiesNothing) {
  driver::WriteFileBytes(R"(C:\rootnote.txt)", "a text file at the root of the drive");
  const auto cookies_before = Files(cookies_, "*");
  for (const char* folder :
       {"", "C:", R"(C:\)", R"(C:\rootnote.txt)", R"(%WINDIR%\NoSuchFolder)"}) {
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", folder);
    driver::Program program(driver::InstallProgram("Maskfold Hostile"));
    ASSERT_TRUE(program.WaitForMainWindow()) << folder;
    // Start-up may have told of a missing jar already; Apply says one thing.
    const std::size_t before = program.Dialogs().size();
    program.ApplyAndWait(driver::LoopbackProxy());
    const auto dialogs = program.Dialogs();
    ASSERT_EQ(dialogs.size(), before + 1) << folder;
    EXPECT_EQ(dialogs.back().rfind("Maskfold|Your cookies were left alone", 0), 0u)
        << dialogs.back();
    EXPECT_TRUE(driver::PathExists(R"(C:\rootnote.txt)")) << folder;
    EXPECT_EQ(Files(cookies_, "*"), cookies_before) << folder;
  }
}

bool Topmost(HWND window) { return ::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST; }

// The shell's confirmation has no owner: no window of the program covers it.
// A log-off asked for while it is up waits until the restore is done. (Wine
// leaves WS_EX_TOPMOST on an owned window made non-topmost, so only the main
// window's band is checked.)
TEST_F(WipeTest, TheShellsDialogsAreUncoveredAndTheSessionEndWaitsForTheRestore) {
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
  driver::Program program(driver::InstallProgram("Maskfold Session"));
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  program.ChooseMenuItem(ids::menu::kAlwaysOnTop);
  program.ChooseMenuItem(ids::menu::kCookieManager);
  ASSERT_TRUE(Topmost(main));

  bool ended = false;
  program.SetDialogProbe([&] {
    const std::string topmost = Topmost(main) ? "topmost" : "not topmost";
    if (!ended) driver::Run("wineboot.exe --end-session");
    ended = true;
    return topmost;
  });
  program.SetProxyText(driver::LoopbackProxy());
  program.Click("&Apply");
  const HWND apply = program.Button("&Apply");
  for (int i = 0; i < 600 && (::IsWindowEnabled(apply) || program.Dialogs().empty()); ++i)
    ::Sleep(50);
  for (int i = 0; i < 600 && !::IsWindowEnabled(apply) && !program.WaitForExit(0); ++i) ::Sleep(50);
  ASSERT_TRUE(ended);
  // Wine takes the refusal as the end of the log-off: the program goes on.
  EXPECT_FALSE(program.WaitForExit(0));
  EXPECT_TRUE(Topmost(main)) << "back in the topmost band";
  const auto dialogs = program.Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].substr(dialogs[0].rfind('|')), "|not topmost") << dialogs[0];
  EXPECT_EQ(Files(cookies_, "*.txt"), Files(jar_, "*.txt")) << "deleted, then restored";
}

// Last in the file: its two Applies leave the browser's cookie index in a state
// the cookie cases above do not expect.
TEST(LongUrlWipeTest, ALongTrackingUrlInTheCacheIsDeletedWithoutAMessage) {
  driver::UseCookiesFolder();
  // An earlier Apply of this prefix left a proxy on: the banner comes direct.
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
  const std::string tracking = "http://tracker.example/pixel?id=" + std::string(3000, 'x');
  for (const auto& url : ContentEntries()) ::DeleteUrlCacheEntryA(url.c_str());
  AddCacheEntry(tracking, "alone in the cache");
  ASSERT_EQ(ContentEntries(), std::vector<std::string>{tracking});

  driver::Program program(driver::InstallProgram("Maskfold Long Url"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  EXPECT_TRUE(ContentEntries().empty());

  // Among others, where it is not the first entry read.
  for (int i = 0; i < 3; ++i) AddCacheEntry("http://cache.example/again" + std::to_string(i), "");
  AddCacheEntry(tracking + "y", "among others");
  program.ApplyAndWait(driver::LoopbackProxy());
  EXPECT_TRUE(ContentEntries().empty());
  for (const auto& dialog : program.Dialogs())
    EXPECT_NE(dialog.rfind("Maskfold|", 0), 0u) << dialog;
}

// A cookies folder named outside the system's ANSI code page: the program
// reads and uses its path in UTF-8, as it would for a Japanese user name on
// an English Windows.
TEST(WideNameWipeTest, ACookiesFolderNamedInJapaneseIsWipedAndRestored) {
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
  const std::wstring cookies = L"C:\\\u30AF\u30C3\u30AD\u30FC";  // "cookie" in katakana
  const std::wstring jar =
      cookies + L"\\" + std::wstring(ids::kJarFolder.begin(), ids::kJarFolder.end());
  ASSERT_TRUE(::CreateDirectoryW(cookies.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(jar.c_str(), nullptr));
  auto write = [](const std::wstring& path, const char* bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr);
    ::CloseHandle(file);
  };
  write(cookies + L"\\tracker.txt", "a tracking cookie");
  write(cookies + L"\\\u4FDD\u8B77.txt", "an older copy");  // "protected"
  write(jar + L"\\\u4FDD\u8B77.txt", "a protected cookie");
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                            L"Settings\\Cache\\Special Paths\\Cookies",
                            &key),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, L"Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(cookies.c_str()),
                   static_cast<DWORD>((cookies.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);

  driver::Program program(driver::InstallProgram("Maskfold Wide"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  for (const auto& dialog : program.Dialogs())
    EXPECT_NE(dialog.rfind("Maskfold|", 0), 0u) << dialog;
  EXPECT_EQ(::GetFileAttributesW((cookies + L"\\tracker.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  const HANDLE file = ::CreateFileW((cookies + L"\\\u4FDD\u8B77.txt").c_str(), GENERIC_READ, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char bytes[64] = {};
  DWORD read = 0;
  ::ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
  ::CloseHandle(file);
  EXPECT_STREQ(bytes, "a protected cookie");
}

// The pixels of a window as the screen shows them now, darker than mid grey:
// a label's text, unless something lies over it.
int DarkPixelsOnScreen(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return 0;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  int dark = 0;
  const auto* pixels = static_cast<const std::uint8_t*>(bits);
  for (int i = 0; i < width * height; ++i)
    dark += pixels[4 * i] + pixels[4 * i + 1] + pixels[4 * i + 2] < 3 * 100;
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return dark;
}

// A long Apply: the window answers at every moment, and shows its progress
// meanwhile, on screen, naming the stage under way.
TEST(ResponsiveWipeTest, TheWindowAnswersAtEveryMomentOfALongApplyAndShowsItsProgress) {
  driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
  const std::string cookies = driver::UseCookiesFolder();
  for (int i = 0; i < 3000; ++i) AddCacheEntry("http://bulk.example/" + std::to_string(i), "x");
  for (int i = 0; i < 300; ++i)
    driver::WriteFileBytes(cookies + "\\bulk" + std::to_string(i) + ".txt", "a cookie");

  const auto jar_before = Files(cookies + "\\Jar", "*");
  driver::Program program(driver::InstallProgram("Maskfold Responsive"));
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const HWND apply = program.Button("&Apply");
  const HWND bar = ::GetDlgItem(main, ids::main_window::kWipeBar);
  const HWND label = ::GetDlgItem(main, ids::main_window::kWipeLabel);
  ASSERT_TRUE(bar && label);
  EXPECT_FALSE(::IsWindowVisible(bar));
  program.SetProxyText(driver::LoopbackProxy());
  program.Click("&Apply");
  for (int i = 0; i < 200 && ::IsWindowEnabled(apply); ++i) ::Sleep(5);
  ASSERT_FALSE(::IsWindowEnabled(apply)) << "Apply started";

  // Meanwhile a window from the Tools menu answers the keyboard, and refuses
  // to protect a cookie while Apply deletes and restores them.
  program.ChooseMenuItem(ids::menu::kCookieManager);
  const HWND manager = ::FindWindowA(ids::window_class::kCookieManager, nullptr);
  ASSERT_TRUE(manager);
  ASSERT_TRUE(program.WaitUntilActive(manager));
  const HWND first = program.FocusedWindow();
  program.PressKey(VK_TAB);
  EXPECT_NE(program.FocusedWindow(), first) << "Tab moves on";
  const HWND list = ::GetDlgItem(manager, ids::cookie_manager::kCookieList);
  ::SendMessageA(list, LB_SETCURSEL, 0, 0);
  DWORD_PTR answered = 0;
  ::SendMessageTimeoutA(manager, WM_COMMAND,
                        MAKEWPARAM(ids::cookie_manager::kCookieList, LBN_DBLCLK),
                        reinterpret_cast<LPARAM>(list), SMTO_NORMAL, 30000, &answered);
  program.PressKey(VK_ESCAPE);
  EXPECT_TRUE(driver::WaitUntilGone(manager, 2000)) << "Esc closes it";
  EXPECT_FALSE(::IsWindowEnabled(apply)) << "all that while Apply ran";

  DWORD slowest = 0;
  bool progress_seen = false;
  int most_dark = 0;  // of the progress text, on screen
  std::set<std::string> stages;
  const DWORD start = ::GetTickCount();
  while (!::IsWindowEnabled(apply) && ::GetTickCount() - start < 60000) {
    const DWORD asked = ::GetTickCount();
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    slowest = std::max<DWORD>(slowest, ::GetTickCount() - asked);
    if (::IsWindowVisible(label)) {
      progress_seen = true;
      const std::string text = driver::WindowText(label);
      stages.insert(text.substr(0, text.find(':')));
      if (text.starts_with("Cache: ")) most_dark = std::max(most_dark, DarkPixelsOnScreen(label));
    }
    ::Sleep(10);
  }
  EXPECT_TRUE(::IsWindowEnabled(apply)) << "Apply ended";
  // A window that waited on Apply's work would take seconds; the rest is
  // what a machine running other tests beside this one may add.
  EXPECT_LT(slowest, 500u) << "the longest the window took to answer, in ms";
  EXPECT_TRUE(progress_seen);
  EXPECT_GT(most_dark, 20) << "the progress text is drawn where it is seen";
  EXPECT_TRUE(stages.contains("Cache")) << "the stage is named";
  EXPECT_FALSE(::IsWindowVisible(bar)) << "shown only while Apply runs";
  EXPECT_TRUE(ContentEntries().empty());
  EXPECT_EQ(Files(cookies + "\\Jar", "*"), jar_before) << "nothing half-protected";
  EXPECT_EQ(Files(cookies, "*.txt"), Files(cookies + "\\Jar", "*.txt"))
      << "nothing kept back from the wipe";
  const auto dialogs = program.Dialogs();
  EXPECT_TRUE(std::any_of(dialogs.begin(), dialogs.end(), [](const std::string& dialog) {
    return dialog.find("Apply is deleting and restoring cookies") != std::string::npos;
  }));
}

// An open browser is asked about before the switch: Cancel changes nothing.
TEST_F(WipeTest, AnOpenBrowserIsAskedAboutBeforeTheSwitch) {
  const std::string store = driver::MakeChromiumStore(
      driver::LocalAppData() + R"(\Google\Chrome\User Data)", "Default", {{"tracker.example"}});
  driver::OpenBrowser chrome("chrome.exe");
  ASSERT_TRUE(chrome.Running());
  const auto cookies_before = Files(cookies_, "*.txt");
  driver::Program program(driver::InstallProgram("Maskfold Open Browser"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.AnswerDialogs({"Cancel"});
  program.ApplyAndWait(driver::LoopbackProxy());
  // After the start's repair of an earlier test's program, if any, the one
  // question.
  const auto dialogs = program.Dialogs();
  ASSERT_FALSE(dialogs.empty());
  EXPECT_EQ(dialogs.back().rfind("Maskfold|Chrome is open.", 0), 0u) << dialogs.back();
  EXPECT_EQ(
      std::count_if(dialogs.begin(), dialogs.end(),
                    [](const std::string& d) { return d.find("is open.") != std::string::npos; }),
      1);
  EXPECT_EQ(
      driver::ReadDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable").value_or(0),
      0u);
  EXPECT_FALSE(driver::KeyExists(HKEY_CURRENT_USER, R"(Software\Maskfold)"));
  EXPECT_EQ(Files(cookies_, "*.txt"), cookies_before);
  EXPECT_EQ(ContentEntries().size(), 3u);
  EXPECT_EQ(driver::StoreHosts(store), (std::vector<std::string>{"tracker.example"}));
}

// A route that does not carry pages is asked about before anything is
// deleted: Go Back puts the user's own settings back, as another process's
// WinHTTP sees them, with every cookie file, cache entry and browser store
// as it was; Keep It goes on with Apply.
TEST_F(WipeTest, AFailingRouteIsAskedAboutBeforeAnythingIsDeleted) {
  const auto crowd = crowd::Ask("refused=1&silent=1&login=1&noconnect=1&auth=1");
  ASSERT_EQ(crowd.size(), 5u);
  const std::string store =
      driver::MakeChromiumStore(driver::LocalAppData() + R"(\Google\Chrome\User Data)", "Default",
                                {{"tracker.example"}, {"other.example"}});
  const std::map<std::string, const char*> said = {
      {"refused", "(http and https): refused or unreachable, so web pages will not load"},
      {"silent", ": timed out, so web pages will not load through it."},
      {"login", "a page that is not the test page (a login page?)"},
      {"noconnect", "for https: refused the tunnel (HTTP 403), so https pages will not load."},
      {"auth", "asks for a proxy password (HTTP 407)"}};
  const auto settings = [] {
    std::string fetch = "\"";
    fetch += driver::BuildFolder();
    fetch += R"(\wininet_fetch.exe" settings LAN)";
    const std::string seen = driver::Run(fetch).output;
    return seen.substr(0, seen.find(" |"));
  };
  const auto cookies_before = Files(cookies_, "*.txt");
  driver::Program program(driver::InstallProgram("Maskfold Route"));
  ASSERT_TRUE(program.WaitForMainWindow());
  // After the start's repair of an earlier test's program, ended by the test.
  const std::string own = settings();
  for (const auto& proxy : crowd) {
    program.AnswerDialogs({"Go Back"});
    program.ApplyAndWait(proxy.proxy);
    const auto dialogs = program.Dialogs();
    ASSERT_GE(dialogs.size(), 2u) << proxy.kind;
    const std::string& question = dialogs[dialogs.size() - 2];
    EXPECT_NE(question.find("but your browsers' pages do not get through it"), std::string::npos)
        << question;
    EXPECT_NE(question.find(said.at(proxy.kind)), std::string::npos) << question;
    EXPECT_NE(dialogs.back().find("Maskfold put your own settings back. Nothing was deleted"),
              std::string::npos)
        << dialogs.back();
    EXPECT_EQ(settings(), own) << proxy.kind;
    EXPECT_EQ(Files(cookies_, "*.txt"), cookies_before) << proxy.kind;
    EXPECT_EQ(ContentEntries().size(), 3u) << proxy.kind;
    EXPECT_EQ(driver::StoreHosts(store),
              (std::vector<std::string>{"other.example", "tracker.example"}))
        << proxy.kind;
    EXPECT_EQ(StatusLine(program), "Your own settings: no Maskfold proxy");
  }
  // Kept: Apply goes on through it, and the line says what the check found.
  const auto noconnect = std::find_if(crowd.begin(), crowd.end(),
                                      [](const auto& proxy) { return proxy.kind == "noconnect"; });
  program.AnswerDialogs({"Keep It"});
  program.ApplyAndWait(noconnect->proxy);
  EXPECT_NE(settings().find("proxy=" + noconnect->proxy), std::string::npos) << settings();
  EXPECT_TRUE(ContentEntries().empty());
  EXPECT_EQ(Files(cookies_, "*.txt"), Files(jar_, "*.txt"));
  EXPECT_TRUE(driver::StoreHosts(store).empty());
  EXPECT_NE(StatusLine(program).find(": https pages do not load\nCleared "), std::string::npos)
      << StatusLine(program);
}

}  // namespace
