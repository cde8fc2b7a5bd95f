// The proxy list in the main window, the About window, and every launch the
// program makes (editor, help page, maker's site) from a folder whose path
// holds a blank and an "&".
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/identifiers.h"
#include "common/twips.h"
#include "driver.h"

namespace {
using driver::Program;

std::vector<std::string> Launches(std::size_t expected, DWORD timeout_ms = 15000) {
  const DWORD start = ::GetTickCount();
  std::vector<std::string> lines;
  do {
    lines.clear();
    std::ifstream log(R"(C:\launches.txt)");
    for (std::string line; std::getline(log, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    if (lines.size() >= expected) break;
    ::Sleep(100);
  } while (::GetTickCount() - start < timeout_ms);
  return lines;
}

HWND AboutWindow(DWORD process, int* count) {
  const auto found = driver::TopLevelWindows(process, ids::window_class::kAbout, false);
  *count = static_cast<int>(found.size());
  return found.empty() ? nullptr : found.front();
}

// Whether the window holds the mouse.
bool HoldsMouse(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) &&
         info.hwndCapture == window;
}

void Press(HWND window, POINT at, UINT message) {
  ::PostMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                 MAKELPARAM(at.x, at.y));
}

// A press at a point of the window, in front, whose release comes outside
// (the window holds the mouse meanwhile, so it sees that release); then a
// release at the point of a press made elsewhere. Neither is a click.
void PressesThatAreNoClick(HWND window, POINT in_window) {
  Press(window, in_window, WM_LBUTTONDOWN);
  EXPECT_TRUE(driver::WaitUntil([&] { return HoldsMouse(window); }));
  Press(window, {-50, -50}, WM_LBUTTONUP);
  EXPECT_TRUE(driver::WaitUntil([&] { return !HoldsMouse(window); }));
  Press(window, in_window, WM_LBUTTONUP);
}

class ProxyListAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::SetText(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer", "registry:1");
    ::CreateDirectoryA(R"(C:\cookies)", nullptr);
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
    folder_ = driver::InstallProgram("Maskfold & Co");
  }
  std::string folder_;
};

TEST_F(ProxyListAboutTest, TheProxyBoxListsTheFileEntriesInOrderAndKeepsTheRegistryText) {
  driver::WriteFileBytes(folder_ + R"(\proxy.dat)",
                         "\"a,b\",,dup\r\n  spaced  \r\n\r\ndup\r\n\"q r\"");
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  const std::vector<std::string> expected = {"a,b", "", "dup", "spaced", "", "dup", "q r"};
  EXPECT_EQ(driver::ListTexts(program.ProxyBox(), CB_GETCOUNT, CB_GETLBTEXT), expected);
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), "registry:1");
  EXPECT_EQ(program.Tooltip(program.ProxyBox()), "registry:1");
}

// The file as Notepad, PowerShell 5's ">" and older editors save it: its
// items read as text; a file in no encoding the program knows is told, and
// none of its bytes become entries.
TEST_F(ProxyListAboutTest, TheProxyFileIsReadAsTextInTheEncodingsItIsSavedIn) {
  using namespace std::string_literals;
  // The test's code page, the system's, is Windows-1252 in these prefixes.
  const std::vector<std::string> items = {"pr\xF6xy", "b"};
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> items;
  } files[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBFpr\xC3\xB6xy,b\r\n", items},
      {"UTF-16 LE with its mark", "\xFF\xFEp\0r\0\xF6\0x\0y\0,\0b\0\r\0\n\0"s, items},
      {"UTF-16 BE with its mark", "\xFE\xFF\0p\0r\0\xF6\0x\0y\0,\0b\0\r\0\n"s, items},
      {"ANSI", "pr\xF6xy,b\r\n", items},
      {"UTF-16 without a mark", "p\0:\08\0\r\0\n\0"s, {}},
  };
  for (const auto& file : files) {
    driver::WriteFileBytes(folder_ + R"(\proxy.dat)", file.bytes);
    Program program(folder_);
    ASSERT_TRUE(program.WaitForMainWindow()) << file.what;
    EXPECT_EQ(driver::ListTexts(program.ProxyBox(), CB_GETCOUNT, CB_GETLBTEXT), file.items)
        << file.what;
    EXPECT_EQ(driver::WindowText(program.ProxyBox()), "registry:1") << file.what;
    const std::vector<std::string> dialogs = program.Dialogs();
    if (!file.items.empty()) {
      EXPECT_TRUE(dialogs.empty()) << file.what;
      continue;
    }
    ASSERT_EQ(dialogs.size(), 1u) << file.what;
    EXPECT_EQ(
        dialogs[0].rfind("Maskfold|The proxy list " + folder_ + R"(\proxy.dat cannot be read)", 0),
        0u)
        << dialogs[0];
    EXPECT_NE(dialogs[0].find("Save the file as UTF-8 or ANSI text"), std::string::npos)
        << dialogs[0];
  }
}

TEST_F(ProxyListAboutTest, WithoutAProxyFileTheListIsEmptyAndTheWindowStillShows) {
  ::DeleteFileA((folder_ + R"(\proxy.dat)").c_str());
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_TRUE(driver::ListTexts(program.ProxyBox(), CB_GETCOUNT, CB_GETLBTEXT).empty());
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), "registry:1");
}

TEST_F(ProxyListAboutTest, TheAboutWindowIsOneWindowHiddenAndShownAtTheSamePlace) {
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  DWORD process = ::GetProcessId(program.Process());
  int count = 0;
  EXPECT_FALSE(AboutWindow(process, &count));

  program.ChooseMenuItem(ids::menu::kAbout);
  const HWND about = AboutWindow(process, &count);
  ASSERT_TRUE(about);
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(::IsWindowVisible(about));
  EXPECT_EQ(driver::WindowText(about), "Corvane");
  EXPECT_TRUE(::GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(driver::FindChild(about, "Static", "Corvane can be found on the internet at:"));
  EXPECT_TRUE(driver::FindChild(about, "Static", "maskfold.example"));
  EXPECT_TRUE(driver::FindChild(about, "Static", "E-mail:  info@maskfold.example"));
  RECT first{};
  ::GetWindowRect(about, &first);
  EXPECT_NEAR(first.left, (::GetSystemMetrics(SM_CXSCREEN) - (first.right - first.left)) / 2, 1);

  // Moved by the user, hidden, shown again: where the user left it.
  ::SetWindowPos(about, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(about, "Button", "Hide"), BM_CLICK, 0, 0, SMTO_NORMAL,
                        10000, &result);
  EXPECT_FALSE(::IsWindowVisible(about));
  program.ChooseMenuItem(ids::menu::kAbout);
  program.ChooseMenuItem(ids::menu::kAbout);
  EXPECT_EQ(AboutWindow(process, &count), about);
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(::IsWindowVisible(about));
  RECT again{};
  ::GetWindowRect(about, &again);
  EXPECT_EQ(again.left, 10);
  EXPECT_EQ(again.top, 20);

  // The close box hides it like "Hide".
  ::SendMessageTimeoutA(about, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
  EXPECT_FALSE(::IsWindowVisible(about));
  EXPECT_TRUE(::IsWindow(about));

  // And so does Esc.
  program.ChooseMenuItem(ids::menu::kAbout);
  ASSERT_TRUE(::IsWindowVisible(about));
  // The keys go to it once it has come to the front.
  ASSERT_TRUE(program.WaitUntilActive(about));
  program.PressKey(VK_ESCAPE);
  EXPECT_TRUE(driver::WaitUntil([&] { return !::IsWindowVisible(about); }));
  EXPECT_TRUE(::IsWindow(about));
}

TEST_F(ProxyListAboutTest, EachLaunchStartsTheRightTargetWithTheRightArgument) {
  // A recorder stands in for Notepad and for the browser.
  ::CreateDirectoryA(R"(C:\tools)", nullptr);
  const std::string recorder = driver::BuildFolder() + R"(\launch_recorder.exe)";
  ASSERT_TRUE(::CopyFileA(recorder.c_str(), R"(C:\tools\recorder.exe)", FALSE));
  ASSERT_TRUE(::CopyFileA(recorder.c_str(), R"(C:\windows\system32\notepad.exe)", FALSE));
  // A notepad.exe in the program's folder, which is also its current folder,
  // is passed over.
  ASSERT_TRUE(::CopyFileA(recorder.c_str(), (folder_ + R"(\notepad.exe)").c_str(), FALSE));
  driver::SetText(HKEY_CURRENT_USER, R"(Software\Wine\DllOverrides)", "notepad.exe", "native");
  for (const char* key : {R"(Software\Classes\http\shell\open\command)",
                          R"(Software\Classes\https\shell\open\command)"})
    driver::SetText(HKEY_LOCAL_MACHINE, key, nullptr, R"("C:\tools\recorder.exe" "%1")");
  ::DeleteFileA(R"(C:\launches.txt)");

  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  // Shown and in front: the About window then opens over it.
  ASSERT_TRUE(program.WaitUntilActive(main));
  program.ChooseMenuItem(ids::menu::kEditProxyList);
  EXPECT_EQ(Launches(1).size(), 1u);
  program.ChooseMenuItem(ids::menu::kHelpContents);
  EXPECT_EQ(Launches(2).size(), 2u);

  // A click on the web address of the About window, in front.
  program.ChooseMenuItem(ids::menu::kAbout);
  int count = 0;
  const HWND about = AboutWindow(::GetProcessId(program.Process()), &count);
  ASSERT_TRUE(about);
  ASSERT_TRUE(program.WaitUntilActive(about));
  RECT label{};
  ::GetWindowRect(driver::FindChild(about, "Static", "maskfold.example"), &label);
  POINT middle{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
  ::ScreenToClient(about, &middle);
  Press(about, middle, WM_LBUTTONDOWN);
  Press(about, middle, WM_LBUTTONUP);
  EXPECT_EQ(Launches(3).size(), 3u);
  PressesThatAreNoClick(about, middle);

  // A press on the banner's frame while the About window is in front is
  // none: a user's press brings its window to the front first, and one
  // behind could not hold the mouse.
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const POINT frame{twips::ToPixels(2225, dpi), twips::ToPixels(1000, dpi)};
  Press(main, frame, WM_LBUTTONDOWN);
  Press(main, frame, WM_LBUTTONUP);

  // With the About window hidden, the main window is in front: a click on
  // the banner's frame, beside the banner itself, opens the banner's page.
  // Posted, the click on "Hide" comes after that press (a sent one would
  // overtake it).
  ::PostMessageA(driver::FindChild(about, "Button", "Hide"), BM_CLICK, 0, 0);
  ASSERT_TRUE(program.WaitUntilActive(main));
  Press(main, frame, WM_LBUTTONDOWN);
  Press(main, frame, WM_LBUTTONUP);
  const std::vector<std::string> expected = {
      R"(C:\windows\system32\notepad.exe|"C:\windows\system32\notepad.exe" )"
      R"("C:\Program Files\Maskfold & Co\proxy.dat")",
      R"(C:\tools\recorder.exe|"C:\tools\recorder.exe" "https://maskfold.example/help.htm")",
      R"(C:\tools\recorder.exe|"C:\tools\recorder.exe" "https://maskfold.example/")",
      R"(C:\tools\recorder.exe|"C:\tools\recorder.exe" "https://maskfold.example/redirect.htm")"};
  EXPECT_EQ(Launches(4), expected);
  PressesThatAreNoClick(main, frame);
  // Nothing more opens, then or later.
  EXPECT_EQ(Launches(5, 3000), expected);
  // The program did not wait for any of them and shows no message.
  EXPECT_TRUE(program.Dialogs().empty());
}

}  // namespace
