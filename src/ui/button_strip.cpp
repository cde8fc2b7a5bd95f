#include "ui/button_strip.h"

#include <windows.h>

#include "common/failure.h"
#include "common/identifiers.h"
#include "ui/control_class.h"

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
  RegisterControlClass(ids::window_class::kButtonStrip, &StripProcedure,
                       reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

}  // namespace ui
