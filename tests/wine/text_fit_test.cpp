// No clipped text: every caption, label and button text of the windows fits
// its control, measured in the control's own face and size, at 96, 120 and
// 144 dpi, against the control's size in the running program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <set>

#include "common/identifiers.h"
#include "driver.h"
#include "ui/layout.h"

namespace {
using driver::Program;

// The controls written in bold; every other one is in the regular face.
const std::set<int> kBold = {
    ids::cookie_manager::kHintLabel,   ids::cookie_manager::kJarLabel,
    ids::cookie_manager::kCookieLabel, ids::browser_cookies::kHintLabel,
    ids::browser_cookies::kSiteLabel,  ids::browser_cookies::kProtectedLabel};
constexpr char kLongestStatus[] =
    "Through 203.113.114.115:65535, checked at 14:03: pages load (http 7999 ms, https 7999 ms)\n"
    "Cleared 99,999 cache entries, 9,999 cookie files, the data of 9,999 sites, Chrome, Edge and "
    "Firefox; copies in the Recycle Bin";
// A push button draws its text inside its border and focus frame.
constexpr int kButtonMarginX = 4, kButtonMarginY = 3;

struct Fit {
  SIZE needed{};
  SIZE room{};
};

Fit Measure(HWND control, int dpi) {
  char kind[64] = {};
  ::GetClassNameA(control, kind, sizeof kind);
  const LONG style = ::GetWindowLongA(control, GWL_STYLE);
  const bool button = lstrcmpiA(kind, "Button") == 0;
  RECT room{};
  ::GetClientRect(control, &room);
  if (button) ::InflateRect(&room, -kButtonMarginX, -kButtonMarginY);

  UINT format = DT_CALCRECT;
  if (button ? !(style & BS_MULTILINE) : (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP)
    format |= DT_SINGLELINE;
  else
    format |= DT_WORDBREAK;
  if (!button && (style & SS_NOPREFIX)) format |= DT_NOPREFIX;

  LOGFONTA face{};
  face.lfHeight = -static_cast<LONG>(std::lround(ui::kControlPoints * dpi / 72.0));
  face.lfWeight = kBold.count(::GetDlgCtrlID(control)) ? FW_BOLD : FW_NORMAL;
  face.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(face.lfFaceName, ui::kControlFace, LF_FACESIZE);
  const HFONT font = ::CreateFontIndirectA(&face);
  const HDC dc = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, font);
  const std::string text = driver::WindowText(control);
  RECT needed{0, 0, room.right - room.left, 0};
  ::DrawTextA(dc, text.c_str(), -1, &needed, format);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  ::DeleteObject(font);
  return {{needed.right, needed.bottom}, {room.right - room.left, room.bottom - room.top}};
}

BOOL CALLBACK Collect(HWND control, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(control);
  return TRUE;
}

// Every label and button with text, at any depth, lies wholly inside its
// window and holds its text.
void ExpectTextFits(HWND window, int dpi) {
  RECT client{};
  ::GetClientRect(window, &client);
  std::vector<HWND> controls;
  ::EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&controls));
  for (HWND control : controls) {
    char kind[64] = {};
    ::GetClassNameA(control, kind, sizeof kind);
    const std::string text = driver::WindowText(control);
    if (text.empty() || (lstrcmpiA(kind, "Static") && lstrcmpiA(kind, "Button"))) continue;
    const std::string where = std::to_string(dpi) + " dpi, \"" + text + "\"";
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                rect.bottom <= client.bottom)
        << where << " lies outside its window";
    const Fit fit = Measure(control, dpi);
    EXPECT_LE(fit.needed.cx, fit.room.cx) << where << " is too wide";
    EXPECT_LE(fit.needed.cy, fit.room.cy) << where << " is too high";
  }
}

TEST(TextFitTest, EveryTextFitsItsControlAtThreeResolutions) {
  ::CreateDirectoryA(R"(C:\cookies)", nullptr);
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
  const std::string folder = driver::InstallProgram("Maskfold Text");
  for (int dpi : {96, 120, 144}) {
    driver::SetDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", dpi);
    Program program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main) << dpi;
    ExpectTextFits(main, dpi);
    // The status line at its longest for a proxy given by its address.
    ::SendMessageA(::GetDlgItem(main, ids::main_window::kStatusLine), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(kLongestStatus));
    ExpectTextFits(main, dpi);
    program.ChooseMenuItem(ids::menu::kCookieManager);
    program.ChooseMenuItem(ids::menu::kAbout);
    program.ChooseMenuItem(ids::menu::kBrowserCookies);
    for (const char* window_class : {ids::window_class::kCookieManager, ids::window_class::kAbout,
                                     ids::window_class::kBrowserCookies}) {
      const HWND window = ::FindWindowA(window_class, nullptr);
      ASSERT_TRUE(window) << window_class << " at " << dpi;
      ExpectTextFits(window, dpi);
    }
  }
  driver::SetDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", 96);
}

}  // namespace
