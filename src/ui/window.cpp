#include "ui/window.h"

#include <stdexcept>
#include <string>

#include "common/failure.h"
#include "ui/fonts.h"

namespace ui {
namespace win32 = platform::win32;

Window::~Window() {
  if (hwnd_) {
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

bool Window::IsProgramWindow(HWND window) {
  DWORD process = 0;
  return window && ::GetWindowThreadProcessId(window, &process) &&
         process == ::GetCurrentProcessId() &&
         ::GetClassLongPtrA(window, GCLP_WNDPROC) ==
             reinterpret_cast<ULONG_PTR>(&Window::Procedure);
}

void Window::Show() { ::ShowWindow(hwnd_, SW_SHOW); }
void Window::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }
void Window::Unload() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}
void Window::Repaint() {
  ::RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

RECT Window::ControlRect(int id) const {
  RECT rect{};
  ::GetWindowRect(Control(id), &rect);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Window::ControlContains(int id, POINT point) const {
  const RECT rect = ControlRect(id);
  return ::PtInRect(&rect, point) != FALSE;
}

void Window::Create(const FrameSpec& frame, std::span<const ControlSpec> controls, HWND owner,
                    win32::UniqueMenu menu) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  if (!::GetClassInfoExA(instance, frame.class_name, &window_class)) {
    window_class = WNDCLASSEXA{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &Window::Procedure;
    window_class.hInstance = instance;
    window_class.hIcon = frame.icon;
    window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = frame.class_name;
    if (!::RegisterClassExA(&window_class))
      throw std::runtime_error(std::string("cannot register window class ") + frame.class_name);
  }

  dpi_ = win32::ScreenDpi();
  RECT outer{0, 0, TwipsToPixels(frame.client_width, dpi_),
             TwipsToPixels(frame.client_height, dpi_)};
  ::AdjustWindowRectEx(&outer, frame.style, static_cast<bool>(menu), frame.ex_style);
  const HWND hwnd = ::CreateWindowExA(frame.ex_style, frame.class_name, frame.caption, frame.style,
                                      CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                      outer.bottom - outer.top, owner, menu.Get(), instance, this);
  if (!hwnd) throw std::runtime_error(std::string("cannot create window ") + frame.class_name);
  menu.Release();  // the window destroys it with itself

  font_ = MakeFont(kControlFace, kControlPoints, dpi_);
  for (const ControlSpec& layout : controls) {
    const HWND control = ::CreateWindowExA(
        layout.ex_style, layout.window_class, layout.text,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | layout.style, TwipsToPixels(layout.left, dpi_),
        TwipsToPixels(layout.top, dpi_), TwipsToPixels(layout.width, dpi_),
        TwipsToPixels(layout.height, dpi_),
        layout.parent ? ::GetDlgItem(hwnd, layout.parent) : hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    if (!control) throw std::runtime_error(std::string("cannot create control ") + layout.text);
    SetControlFont(control, font_);
  }
}

LRESULT Window::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = ::DefWindowProcA(hwnd_, message, wparam, lparam);
  // A window that comes up without a focused control gives the focus to its
  // first one, so that the keyboard works at once.
  if (message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE && !::IsChild(hwnd_, ::GetFocus()))
    if (const HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE)) ::SetFocus(first);
  return result;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcA(hwnd, message, wparam, lparam);
  }
  return failure::Untrapped([&] { return self->OnMessage(message, wparam, lparam); });
}

}  // namespace ui
