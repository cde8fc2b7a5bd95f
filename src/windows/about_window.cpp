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

constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;

const std::array<ui::ControlSpec, 4> kLayout{{
    {.id = kHideButton,
     .window_class = WC_BUTTONA,
     .text = "Hide",
     .style = kPushButton,
     .rect = {1395, 1935, 1200, 495}},
    {.id = kMakerLabel,
     .window_class = WC_STATICA,
     .text = kMakerSentence.c_str(),
     .style = SS_LEFT,
     .rect = {105, 375, 3930, 255}},
    {.id = kWebLink,
     .window_class = WC_STATICA,
     .text = kAddress.c_str(),
     .style = SS_LEFT | SS_NOPREFIX,
     .rect = {855, 720, 2265, 195},
     .font = ui::kUnderlined},
    {.id = kEmailLabel,
     .window_class = WC_STATICA,
     .text = kEmail.c_str(),
     .style = SS_LEFTNOWORDWRAP | SS_NOPREFIX,
     .rect = {570, 1140, 2925, 240}},
}};

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

}  // namespace

AboutWindow::AboutWindow() {
  const ui::FrameSpec frame{
      ids::window_class::kAbout,
      ids::kMakerName.data(),
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
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (web_link_click_.Clicked(Control(kWebLink), message, wparam, lparam)) OnWebLinkClicked();
      return 0;
    case WM_ACTIVATE:
      web_link_click_.Clicked(Control(kWebLink), message, wparam, lparam);
      break;
    case WM_SETCURSOR:
      if (pointer_ == ui::Pointer::kHand && LOWORD(lparam) == HTCLIENT && hand_) {
        ::SetCursor(hand_);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == Control(kWebLink))
        return ui::ColouredLabel(wparam, kLinkBlue);
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

void AboutWindow::OnWebLinkClicked() { ui::ShowIfAny(pages::OpenPage(ids::kMakerSite)); }

}  // namespace windows
