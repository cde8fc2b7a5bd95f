#include "ui/fonts.h"

#include <cmath>

namespace ui {

platform::win32::UniqueFont MakeFont(const FontStyle& style, int dpi) {
  LOGFONTA font{};
  font.lfHeight = -static_cast<LONG>(std::lround(style.points * dpi / 72.0));
  font.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = style.underline;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, kControlFace, LF_FACESIZE);
  return platform::win32::UniqueFont(::CreateFontIndirectA(&font));
}

}  // namespace ui
