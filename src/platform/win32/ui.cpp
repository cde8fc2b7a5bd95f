#include "platform/ui.h"

#include <windows.h>

#include <cmath>
#include <string>

#include "common/identifiers.h"
#include "common/twips.h"
#include "platform/win32/handles.h"

namespace platform::ui {

static_assert(kStylePlain == MB_OK);
static_assert(kStyleInformation == MB_ICONINFORMATION);
static_assert(kStyleInformationForeground == (MB_ICONINFORMATION | MB_SETFOREGROUND));

namespace {
HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
double PixelsToTwips(long pixels) { return twips::FromPixels(pixels, win32::ScreenDpi()); }
int TwipsToPixels(std::int64_t length) { return twips::ToPixels(length, win32::ScreenDpi()); }
}  // namespace

TwipSize ScreenSize() {
  return {PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN)),
          PixelsToTwips(::GetSystemMetrics(SM_CYSCREEN))};
}

TwipSize OuterSize(WindowId window) {
  RECT rect{};
  ::GetWindowRect(ToHwnd(window), &rect);
  return {PixelsToTwips(rect.right - rect.left), PixelsToTwips(rect.bottom - rect.top)};
}

void SetTop(WindowId window, std::int64_t twips) {
  RECT rect{};
  ::GetWindowRect(ToHwnd(window), &rect);
  ::SetWindowPos(ToHwnd(window), nullptr, rect.left, TwipsToPixels(twips), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetLeft(WindowId window, std::int64_t twips) {
  RECT rect{};
  ::GetWindowRect(ToHwnd(window), &rect);
  ::SetWindowPos(ToHwnd(window), nullptr, TwipsToPixels(twips), rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetWindowPos(WindowId window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                  unsigned flags) {
  ::SetWindowPos(ToHwnd(window), reinterpret_cast<HWND>(insert_after), x, y, cx, cy, flags);
}

int ScreenPixels(int pixels_at_96_dpi) {
  return static_cast<int>(std::lround(pixels_at_96_dpi * win32::ScreenDpi() / 96.0));
}

bool MenuTicked(WindowId window, int item) {
  return (::GetMenuState(::GetMenu(ToHwnd(window)), item, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void SetMenuTick(WindowId window, int item, bool ticked) {
  ::CheckMenuItem(::GetMenu(ToHwnd(window)), item,
                  MF_BYCOMMAND | (ticked ? MF_CHECKED : MF_UNCHECKED));
}

void ShowMessage(std::string_view text, int style) { ShowMessage(text, style, ids::kProgramTitle); }

void ShowMessage(std::string_view text, int style, std::string_view caption) {
  const std::string body(text);
  const std::string title(caption);
  // Modal to the program's active window, if any.
  ::MessageBoxA(::GetActiveWindow(), body.c_str(), title.c_str(), static_cast<UINT>(style));
}

std::uint64_t Milliseconds() { return ::GetTickCount64(); }

void ProcessPendingMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

}  // namespace platform::ui
