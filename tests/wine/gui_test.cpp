// The real maskfold.exe in a throwaway prefix: its main window as the user
// sees it, Apply's and Exit's registry writes, the option toggles.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/identifiers.h"
#include "common/twips.h"
#include "driver.h"

namespace {
using driver::Program;

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi;
}

std::string Text(const std::optional<driver::Value>& value) {
  if (!value) return "<missing>";
  if (value->type != REG_SZ) return "<type " + std::to_string(value->type) + ">";
  return value->data.substr(0, value->data.find('\0'));
}

std::optional<DWORD> Dword(const std::optional<driver::Value>& value) {
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
  DWORD number;
  memcpy(&number, value->data.data(), 4);
  return number;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::SetText(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer",
                    "seed.example:8080");
    driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
    driver::SetText(HKEY_CURRENT_USER, driver::kTypedUrls, "url1", "http://before.example/");
    ::CreateDirectoryA(R"(C:\cookies)", nullptr);
    ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
    folder_ = driver::InstallProgram("Maskfold Test");
  }
  std::string folder_;
};

TEST_F(MainWindowTest, ShowsTheCurrentProxyAndPutsTheFocusOnApply) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);

  EXPECT_EQ(driver::WindowText(main), "Maskfold");
  const LONG style = ::GetWindowLongA(main, GWL_STYLE);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
  EXPECT_TRUE(style & WS_SYSMENU);

  const int dpi = ScreenDpi();
  RECT client{};
  ::GetClientRect(main, &client);
  EXPECT_EQ(client.right, twips::ToPixels(2445, dpi));
  EXPECT_EQ(client.bottom, twips::ToPixels(4905, dpi));

  // Centred on the screen.
  RECT outer{};
  ::GetWindowRect(main, &outer);
  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  EXPECT_NEAR(outer.left, (screen_width - (outer.right - outer.left)) / 2, 1);

  EXPECT_EQ(driver::WindowText(program.ProxyBox()), "seed.example:8080");
  EXPECT_EQ(program.Tooltip(program.ProxyBox()), "seed.example:8080");
  EXPECT_EQ(program.FocusedWindow(), program.Button("&Apply"));
  EXPECT_TRUE(program.Button("E&xit"));
  EXPECT_TRUE(driver::FindChild(main, "Static", "Current Proxy && Port"));

  // The cookies folder is never shown, and no control holds it: another
  // program could change a control's text, and with it where Apply works.
  EXPECT_FALSE(driver::FindChild(main, "Static", R"(C:\cookies)"));
}

TEST_F(MainWindowTest, WithoutAProxyValueTheProxyBoxShowsNotFound) {
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer");
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), "Not Found");
  EXPECT_EQ(program.Tooltip(program.ProxyBox()), "Not Found");
}

TEST_F(MainWindowTest, ApplyPointsTheBrowserAtTheTypedProxyAndExitTurnsItOff) {
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  ::SendMessageA(program.ProxyBox(), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(driver::LoopbackProxy().c_str()));
  program.ApplyAndWait();

  EXPECT_FALSE(driver::KeyExists(HKEY_CURRENT_USER, driver::kTypedUrls));
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 1u);
  EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer")),
            driver::LoopbackProxy());
  EXPECT_EQ(program.Tooltip(program.ProxyBox()), driver::LoopbackProxy());

  // An empty proxy would leave pages unproxied: refused, with one message,
  // and the proxy stays.
  ::SendMessageA(program.ProxyBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  program.ApplyAndWait();
  EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer")),
            driver::LoopbackProxy());
  EXPECT_EQ(program.Tooltip(program.ProxyBox()), driver::LoopbackProxy());
  ASSERT_EQ(program.Dialogs().size(), 1u);
  EXPECT_NE(program.Dialogs()[0].find("The proxy box is empty"), std::string::npos);

  program.Click("E&xit");
  DWORD exit_code = 1;
  ASSERT_TRUE(program.WaitForExit(10000, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 0u);
  EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer")),
            "Not Set");

  // The next start shows what Exit left.
  Program again(folder_);
  ASSERT_TRUE(again.WaitForMainWindow());
  EXPECT_EQ(driver::WindowText(again.ProxyBox()), "Not Set");
}

TEST_F(MainWindowTest, ClosingTheWindowTurnsTheProxyOffLikeExit) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  program.ApplyAndWait(driver::LoopbackProxy());
  ASSERT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 1u);
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitForExit(10000));
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 0u);
  EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer")),
            "Not Set");
}

TEST_F(MainWindowTest, ApplyAndExitWaitWhileApplyRunsAndACloseWaitsForItsEnd) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const HWND apply = program.Button("&Apply"), exit = program.Button("E&xit");
  auto state = [&] {
    return std::string(::IsWindowEnabled(apply) ? "apply on" : "apply off") +
           (::IsWindowEnabled(exit) ? ", exit on" : ", exit off");
  };
  // The shell's confirmation before the cookie goes to the recycle bin.
  auto confirmations = [&] {
    std::vector<std::string> states;
    for (const auto& dialog : program.Dialogs())
      if (dialog.rfind("Maskfold|", 0) != 0)
        states.push_back(dialog.substr(dialog.find_last_of('|') + 1));
    return states;
  };
  program.SetDialogProbe(state);
  driver::WriteFileBytes(R"(C:\cookies\tracker.txt)", "a cookie");
  program.ApplyAndWait(driver::LoopbackProxy());
  ASSERT_FALSE(confirmations().empty());
  for (const auto& seen : confirmations()) EXPECT_EQ(seen, "apply off, exit off");
  EXPECT_EQ(state(), "apply on, exit on");
  EXPECT_EQ(program.FocusedWindow(), apply);

  // Closing the window while the shell asks: the program ends once Apply is
  // done, with the proxy off.
  program.SetDialogProbe([&] {
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::main_window::kExitButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(exit));
    return state();
  });
  driver::WriteFileBytes(R"(C:\cookies\tracker.txt)", "a cookie");
  driver::WriteFileBytes(R"(C:\cookies\Jar\kept.txt)", "a protected cookie");
  program.Click("&Apply");
  ASSERT_TRUE(program.WaitForExit(20000));
  EXPECT_EQ(driver::ReadFileBytes(R"(C:\cookies\kept.txt)"), "a protected cookie")
      << "Apply ran to its end before the program did";
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 0u);
  ::DeleteFileA(R"(C:\cookies\Jar\kept.txt)");
}

TEST_F(MainWindowTest, TheEndOfTheSessionTurnsTheProxyOffLikeExit) {
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  ::SendMessageA(program.ProxyBox(), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(driver::LoopbackProxy().c_str()));
  program.ApplyAndWait();
  ASSERT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 1u);

  driver::Run("wineboot.exe --end-session");
  DWORD exit_code = 1;
  ASSERT_TRUE(program.WaitForExit(20000, &exit_code));
  // Only the return from the message loop, through main, ends it with 0.
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 0u);
  EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer")),
            "Not Set");
}

// Two would share one proxy and one record: a second start brings the
// running window to the front and ends, and --off still does its work.
TEST_F(MainWindowTest, ASecondStartBringsTheRunningWindowToTheFrontAndEnds) {
  Program first(folder_);
  const HWND main = first.WaitForMainWindow();
  ASSERT_TRUE(main);
  ::SendMessageA(first.ProxyBox(), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(driver::LoopbackProxy().c_str()));
  first.ApplyAndWait();
  ::ShowWindow(main, SW_MINIMIZE);
  driver::WaitUntil([&] { return ::IsIconic(main) != FALSE; });

  Program second(folder_);
  DWORD code = 99;
  ASSERT_TRUE(second.WaitForExit(20000, &code)) << "a second Maskfold kept running";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(driver::WaitUntil([&] {
    return !::IsIconic(main) && ::GetForegroundWindow() == main;
  })) << "the running window came to the front";
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 1u)
      << "its proxy left on";

  const auto off = driver::Run("\"" + folder_ + "\\maskfold.exe\" --off");
  EXPECT_EQ(off.exit_code, 0u);
  EXPECT_EQ(Dword(driver::Read(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable")), 0u);
}

TEST_F(MainWindowTest, OptionTicksStartFromTheRegistryAndEachClickWritesTheNewState) {
  // A click writes the value of the state it moves to, so what it writes
  // tells which tick the load set.
  const struct {
    const char* full_screen;  // nullptr: no value
    const char* save_history;
    const char* kiosk_writes;  // after one click
    const char* history_writes;
  } cases[] = {
      {"yes", "no", "no", "yes"},       // both ticked at load
      {nullptr, nullptr, "yes", "no"},  // both unticked
      {"Yes", "yes", "yes", "no"},      // exact text only
  };
  for (const auto& c : cases) {
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, driver::kIeMain, "FullScreen");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, driver::kIeMain, "Save_Session_History_On_Exit");
    if (c.full_screen)
      driver::SetText(HKEY_CURRENT_USER, driver::kIeMain, "FullScreen", c.full_screen);
    if (c.save_history)
      driver::SetText(HKEY_CURRENT_USER, driver::kIeMain, "Save_Session_History_On_Exit",
                      c.save_history);
    Program program(folder_);
    ASSERT_TRUE(program.WaitForMainWindow());
    program.ChooseMenuItem(ids::menu::kFullScreen);
    program.ChooseMenuItem(ids::menu::kClearTempOnExit);
    EXPECT_EQ(Text(driver::Read(HKEY_CURRENT_USER, driver::kIeMain, "FullScreen")), c.kiosk_writes);
    EXPECT_EQ(
        Text(driver::Read(HKEY_CURRENT_USER, driver::kIeMain, "Save_Session_History_On_Exit")),
        c.history_writes);
    // A second click writes the other value.
    program.ChooseMenuItem(ids::menu::kFullScreen);
    EXPECT_NE(Text(driver::Read(HKEY_CURRENT_USER, driver::kIeMain, "FullScreen")), c.kiosk_writes);
  }
}

TEST_F(MainWindowTest, AlwaysOnTopMakesTheWindowTopmostAndCentresIt) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  EXPECT_FALSE(::GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  program.ChooseMenuItem(ids::menu::kAlwaysOnTop);
  EXPECT_TRUE(::GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT outer{};
  ::GetWindowRect(main, &outer);
  EXPECT_EQ(outer.right - outer.left, 168);
  EXPECT_EQ(outer.bottom - outer.top, 220);
  EXPECT_NEAR(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 168) / 2, 1);
  EXPECT_NEAR(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - 220) / 2, 1);
}

TEST_F(MainWindowTest, AMissingHandCursorDoesNotStopTheProgram) {
  const std::string folder = driver::InstallProgram("Maskfold No Cursor", false);
  Program program(folder);
  ASSERT_TRUE(program.WaitForMainWindow());
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), "seed.example:8080");
}

}  // namespace
