#include "ui/window.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "common/failure.h"
#include "common/twips.h"
#include "ui/fonts.h"
#include "ui/text_fit.h"

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
void Window::CloseLater() {
  if (hwnd_) ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}
void Window::Repaint() {
  ::RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

LRESULT ColouredLabel(WPARAM dc, COLORREF colour) {
  const auto context = reinterpret_cast<HDC>(dc);
  ::SetTextColor(context, colour);
  ::SetBkColor(context, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

HWND Window::Control(int id) const {
  for (const auto& [known, control] : controls_)
    if (known == id) return control;
  return ::GetDlgItem(hwnd_, id);
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

namespace {

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void SetHeight(HWND control, int height) {
  const RECT rect = RectInParent(control);
  ::SetWindowPos(control, nullptr, 0, 0, rect.right - rect.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The room the table leaves below a control in what holds it, in pixels:
// it stays below the control when the control grows.
int RoomBelow(const ControlSpec& layout, int holder_height, int dpi) {
  return twips::ToPixels(std::max(holder_height - layout.rect.top - layout.rect.height, 0), dpi);
}

}  // namespace

// One control of the table as made, and the controls that lie in it.
struct Window::Placed {
  HWND control;
  const ControlSpec& layout;
  std::vector<std::size_t> inside;
};

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
  RECT outer{0, 0, twips::ToPixels(frame.client_width, dpi_),
             twips::ToPixels(frame.client_height, dpi_)};
  ::AdjustWindowRectEx(&outer, frame.style, static_cast<bool>(menu), frame.ex_style);
  const HWND hwnd = ::CreateWindowExA(frame.ex_style, frame.class_name, frame.caption, frame.style,
                                      CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                      outer.bottom - outer.top, owner, menu.Get(), instance, this);
  if (!hwnd) throw std::runtime_error(std::string("cannot create window ") + frame.class_name);
  menu.Release();  // the window destroys it with itself
  tasks_ = std::make_unique<TaskQueue>(hwnd);

  std::vector<Placed> placed;
  placed.reserve(controls.size());
  std::unordered_map<int, std::size_t> index_of;
  for (const ControlSpec& layout : controls) {
    HWND parent = hwnd;
    if (layout.parent) {
      const auto holder = index_of.find(layout.parent);
      if (holder == index_of.end())
        throw std::logic_error(std::string("control before the one it lies in: ") + layout.text);
      parent = placed[holder->second].control;
      placed[holder->second].inside.push_back(placed.size());
    }
    const TwipRect& at = layout.rect;
    const HWND control = ::CreateWindowExA(
        layout.ex_style, layout.window_class, layout.text,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | layout.style, twips::ToPixels(at.left, dpi_),
        twips::ToPixels(at.top, dpi_), twips::ToPixels(at.width, dpi_),
        twips::ToPixels(at.height, dpi_), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    if (!control) throw std::runtime_error(std::string("cannot create control ") + layout.text);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(layout.font)), FALSE);
    index_of.emplace(layout.id, placed.size());
    placed.push_back({control, layout, {}});
    controls_.emplace_back(layout.id, control);
  }
  FitToText(frame, placed);

  RECT client{}, made{};
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(hwnd_, &made);
  made_client_ = {client.right, client.bottom};
  made_outer_ = {made.right - made.left, made.bottom - made.top};
  for (const Placed& item : placed)
    if (item.layout.anchor && !item.layout.parent)
      anchored_.push_back({item.control, item.layout.anchor, RectInParent(item.control)});
}

HFONT Window::Font(const FontStyle& style) {
  for (const auto& [made, font] : fonts_)
    if (made == style) return font.Get();
  fonts_.emplace_back(style, MakeFont(style, dpi_));
  return fonts_.back().second.Get();
}

bool Window::Fit(std::vector<Placed>& placed, std::size_t i) const {
  const Placed& item = placed[i];
  const RECT rect = RectInParent(item.control);
  int needed = TextHeight(item.control);
  for (std::size_t child : item.inside)
    if (Fit(placed, child))
      needed =
          std::max<int>(needed, RectInParent(placed[child].control).bottom +
                                    RoomBelow(placed[child].layout, item.layout.rect.height, dpi_));
  if (needed <= rect.bottom - rect.top) return false;
  SetHeight(item.control, needed);
  return true;
}

void Window::FitToText(const FrameSpec& frame, std::vector<Placed>& placed) {
  int client_needed = twips::ToPixels(frame.client_height, dpi_);
  for (std::size_t i = 0; i < placed.size(); ++i)
    if (!placed[i].layout.parent && Fit(placed, i))
      client_needed =
          std::max<int>(client_needed, RectInParent(placed[i].control).bottom +
                                           RoomBelow(placed[i].layout, frame.client_height, dpi_));
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (client_needed > client.bottom) {
    RECT outer{};
    ::GetWindowRect(hwnd_, &outer);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left,
                   outer.bottom - outer.top + client_needed - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Window::FollowSize() {
  if (anchored_.empty()) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int dx = client.right - made_client_.cx, dy = client.bottom - made_client_.cy;
  for (const Anchored& item : anchored_) {
    RECT rect = item.rect;
    if (item.anchor & kFollowRight) ::OffsetRect(&rect, dx, 0);
    if (item.anchor & kFollowBottom) ::OffsetRect(&rect, 0, dy);
    if (item.anchor & kStretchWidth) rect.right += dx;
    if (item.anchor & kStretchHeight) rect.bottom += dy;
    ::SetWindowPos(item.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT Window::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE && wparam != SIZE_MINIMIZED) FollowSize();
  if (message == WM_GETMINMAXINFO && !anchored_.empty()) {
    // Never smaller than it was made: the layout is the least it needs.
    auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
    limits->ptMinTrackSize = {made_outer_.cx, made_outer_.cy};
    return 0;
  }
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
    self->controls_.clear();
    self->anchored_.clear();
    if (self->tasks_) self->tasks_->Close();
    return ::DefWindowProcA(hwnd, message, wparam, lparam);
  }
  return failure::Untrapped([&]() -> LRESULT {
    if (message != kTasksArrived) return self->OnMessage(message, wparam, lparam);
    if (self->tasks_) self->tasks_->RunArrived();
    return 0;
  });
}

}  // namespace ui
