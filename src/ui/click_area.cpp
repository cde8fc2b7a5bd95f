#include "ui/click_area.h"

#include "ui/window.h"

namespace ui {
namespace {

bool On(HWND control, POINT in_window) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return ::PtInRect(&rect, in_window) != FALSE;
}

}  // namespace

bool ClickArea::Clicked(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND window = ::GetParent(control);
  switch (message) {
    case WM_LBUTTONDOWN:
      // Only the window in front holds the mouse: in one behind, the
      // release could go to another window unseen, and a later release
      // here would end a press that is long over. A user's press brings
      // the window to the front before it arrives.
      pressed_ = On(control, MousePoint(lparam)) &&
                 ::GetForegroundWindow() == ::GetAncestor(window, GA_ROOT);
      if (pressed_) ::SetCapture(window);
      return false;
    case WM_LBUTTONUP: {
      const bool click = pressed_ && ::IsWindowVisible(window) && On(control, MousePoint(lparam));
      pressed_ = false;
      if (::GetCapture() == window) ::ReleaseCapture();
      return click;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a menu, a box): the press is over.
      if (reinterpret_cast<HWND>(lparam) != window) pressed_ = false;
      return false;
    case WM_ACTIVATE:
      // Another program came to the front: the mouse is no longer held.
      if (LOWORD(wparam) == WA_INACTIVE && pressed_) {
        pressed_ = false;
        if (::GetCapture() == window) ::ReleaseCapture();
      }
      return false;
  }
  return false;
}

}  // namespace ui
