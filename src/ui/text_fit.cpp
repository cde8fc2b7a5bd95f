#include "ui/text_fit.h"

#include <string>

#include "platform/win32/handles.h"
#include "ui/window.h"

namespace ui {
namespace {

// A push button draws its text inside its frame and focus rectangle.
constexpr int kButtonMarginX = 4, kButtonMarginY = 3;

std::string ClassOf(HWND control) {
  char name[32] = {};
  ::GetClassNameA(control, name, sizeof name);
  return name;
}

}  // namespace

int TextHeight(HWND control) {
  const std::string kind = ClassOf(control);
  const bool button = lstrcmpiA(kind.c_str(), "Button") == 0;
  if (!button && lstrcmpiA(kind.c_str(), "Static") != 0) return 0;
  const LONG style = ::GetWindowLongA(control, GWL_STYLE);
  if (button && (style & BS_TYPEMASK) == BS_GROUPBOX) return 0;
  const std::string text = WindowText(control);
  if (text.empty()) return 0;

  UINT format = DT_CALCRECT;
  const bool one_line =
      button ? !(style & BS_MULTILINE) : (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP;
  format |= one_line ? DT_SINGLELINE : DT_WORDBREAK;
  if (!button && (style & SS_NOPREFIX)) format |= DT_NOPREFIX;

  RECT client{};
  ::GetClientRect(control, &client);
  const int margin_x = button ? kButtonMarginX : 0, margin_y = button ? kButtonMarginY : 0;
  RECT needed{0, 0, client.right - 2 * margin_x, 0};
  const platform::win32::WindowDc dc(control);
  if (!dc.Get()) return 0;
  const platform::win32::Selection font(
      dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  ::DrawTextA(dc.Get(), text.c_str(), -1, &needed, format);
  return needed.bottom + 2 * margin_y;
}

}  // namespace ui
