#include "ui/button_strip.h"

#include <windows.h>

#include "common/failure.h"
#include "common/identifiers.h"

namespace ui {
namespace {

LRESULT CALLBACK StripProcedure(HWND strip, UINT message, WPARAM wparam, LPARAM lparam) {
  return failure::Untrapped([&] {
    if (message == WM_COMMAND) return ::SendMessageA(::GetParent(strip), message, wparam, lparam);
    return ::DefWindowProcA(strip, message, wparam, lparam);
  });
}

}  // namespace

void RegisterButtonStrip() {
  WNDCLASSEXA strip{};
  strip.cbSize = sizeof strip;
  strip.lpfnWndProc = &StripProcedure;
  strip.hInstance = ::GetModuleHandleA(nullptr);
  strip.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  strip.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  strip.lpszClassName = ids::window_class::kButtonStrip;
  ::RegisterClassExA(&strip);
}

}  // namespace ui
