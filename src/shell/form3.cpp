#include "shell/form3.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "shell/links.h"
#include "shell/ontop.h"
#include "shell/open_page.h"
#include "shell/resource.h"

namespace shell {
namespace {

enum ControlId : int { kCommand1 = 1101, kLabel1, kLabel2, kLabel3 };

const std::string kAddress(links::kMakerHost);
const std::string kEmail = "E-mail:  " + std::string(links::kMakerEmail);

const std::array<ControlSpec, 4> kLayout{{
    {kCommand1, WC_BUTTONA, "Hide", WS_TABSTOP | BS_PUSHBUTTON, 1395, 1935, 1200, 495},
    {kLabel1, WC_STATICA, "Corvane can be found on the internet at:", SS_LEFT, 105, 375, 3930, 255},
    {kLabel2, WC_STATICA, kAddress.c_str(), SS_LEFT | SS_NOPREFIX, 855, 720, 2265, 195},
    {kLabel3, WC_STATICA, kEmail.c_str(), SS_LEFTNOWORDWRAP | SS_NOPREFIX, 570, 1140, 2925, 240},
}};

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

bool Contains(const RECT& rect, POINT point) { return ::PtInRect(&rect, point) != FALSE; }

}  // namespace

Form3& Form3::Get() {
  static std::unique_ptr<Form3> instance;
  if (!instance) instance.reset(new Form3());
  return *instance;
}

Form3::Form3() {
  const FrameSpec frame{
      "MaskfoldForm3",
      "Corvane",
      WS_POPUP | WS_CAPTION | WS_SYSMENU,
      WS_EX_TOOLWINDOW,  // narrow title bar, not in the task bar
      4095,
      2880,
      nullptr,
      nullptr,
  };
  Create(frame, kLayout);
  hand_ = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_ABOUT_HAND));
  link_font_ = MakeFont("MS Sans Serif", 8.25, Dpi(), false, true);
  ::SendMessageA(Control(kLabel2), WM_SETFONT, reinterpret_cast<WPARAM>(link_font_.Get()), FALSE);
  // The load: centred once, drawn at once.
  CenterForm(Id());
  Repaint();
}

LRESULT Form3::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kCommand1) Hide();
      return 0;
    case WM_CLOSE:
      Hide();  // the close box does what "Hide" does
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_LBUTTONDOWN:
      pressed_on_link_ = Contains(ControlRect(kLabel2), {static_cast<short>(LOWORD(lparam)),
                                                         static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_LBUTTONUP:
      OnClick({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_SETCURSOR:
      if (pointer_setting_ == 99 && LOWORD(lparam) == HTCLIENT && hand_) {
        ::SetCursor(hand_);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == Control(kLabel2)) {
        const auto dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, kLinkBlue);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
  }
  return Window::OnMessage(message, wparam, lparam);
}

void Form3::OnMouseMove(POINT point) {
  // Labels let the mouse through, so the window sees it here.
  if (Contains(ControlRect(kLabel2), point)) {
    pointer_setting_ = 99;
    Repaint();
  } else if (Contains(ControlRect(kLabel1), point) || Contains(ControlRect(kLabel3), point)) {
    pointer_setting_ = 0;
  }
}

void Form3::OnClick(POINT point) {
  const bool on_link = pressed_on_link_ && Contains(ControlRect(kLabel2), point);
  pressed_on_link_ = false;
  if (on_link) OpenPage(links::kMakerSite);
}

}  // namespace shell
