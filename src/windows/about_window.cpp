#include "windows/about_window.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "common/identifiers.h"
#include "pages/open_page.h"
#include "placement/centering.h"
#include "ui/messages.h"
#include "ui/resource.h"

namespace windows {
namespace {
using namespace ids::about_window;

const std::string kMakerSentence =
    std::string(ids::kMakerName) + " can be found on the internet at:";
const std::string kAddress(ids::kMakerHost);
const std::string kEmail = "E-mail:  " + std::string(ids::kMakerEmail);

const std::array<ui::ControlSpec, 4> kLayout{{
    {kHideButton, WC_BUTTONA, "Hide", WS_TABSTOP | BS_PUSHBUTTON, 1395, 1935, 1200, 495},
    {kMakerLabel, WC_STATICA, kMakerSentence.c_str(), SS_LEFT, 105, 375, 3930, 255},
    {kWebLink, WC_STATICA, kAddress.c_str(), SS_LEFT | SS_NOPREFIX, 855, 720, 2265, 195, 0, 0,
     ui::kUnderlined},
    {kEmailLabel, WC_STATICA, kEmail.c_str(), SS_LEFTNOWORDWRAP | SS_NOPREFIX, 570, 1140, 2925,
     240},
}};

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

}  // namespace

AboutWindow::AboutWindow() {
  const ui::FrameSpec frame{
      ids::window_class::kAbout,
      "Corvane",
      WS_POPUP | WS_CAPTION | WS_SYSMENU,
      WS_EX_TOOLWINDOW,  // narrow title bar, not in the task bar
      4095,
      2880,
      nullptr,
  };
  Create(frame, kLayout);
  hand_ = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_ABOUT_HAND));
  // The load: centred once, drawn at once.
  placement::CenterWindow(Id());
  Repaint();
}

LRESULT AboutWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kHideButton || LOWORD(wparam) == IDCANCEL) Hide();  // Esc hides too
      return 0;
    case WM_CLOSE:
      Hide();  // the close box does what "Hide" does
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(ui::MousePoint(lparam));
      return 0;
    case WM_LBUTTONDOWN:
      pressed_on_link_ = ControlContains(kWebLink, ui::MousePoint(lparam));
      return 0;
    case WM_LBUTTONUP:
      OnWebLinkClicked(ui::MousePoint(lparam));
      return 0;
    case WM_SETCURSOR:
      if (pointer_ == ui::Pointer::kHand && LOWORD(lparam) == HTCLIENT && hand_) {
        ::SetCursor(hand_);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == Control(kWebLink)) {
        const auto dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, kLinkBlue);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
  }
  return Window::OnMessage(message, wparam, lparam);
}

void AboutWindow::OnMouseMove(POINT point) {
  // Labels let the mouse through, so the window sees it here.
  if (ControlContains(kWebLink, point)) {
    pointer_ = ui::Pointer::kHand;
    Repaint();
  } else if (ControlContains(kMakerLabel, point) || ControlContains(kEmailLabel, point)) {
    pointer_ = ui::Pointer::kDefault;
  }
}

void AboutWindow::OnWebLinkClicked(POINT released_at) {
  const bool on_link = pressed_on_link_ && ControlContains(kWebLink, released_at);
  pressed_on_link_ = false;
  if (on_link) ui::ShowIfAny(pages::OpenPage(ids::kMakerSite));
}

}  // namespace windows
