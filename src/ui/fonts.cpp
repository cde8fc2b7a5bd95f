#include "ui/fonts.h"

#include <cmath>

namespace ui {

platform::win32::UniqueFont MakeFont(const char* face, double points, int dpi, FontStyle style) {
  LOGFONTA font{};
  font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
  font.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = style.underline;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  return platform::win32::UniqueFont(::CreateFontIndirectA(&font));
}

void SetControlFont(HWND control, const platform::win32::UniqueFont& font) {
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
}

}  // namespace ui
