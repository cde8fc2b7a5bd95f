// Fonts for the windows' controls, sized for the screen's resolution.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

namespace ui {

// The face every control of the program is written in.
inline constexpr char kControlFace[] = "MS Sans Serif";
inline constexpr double kControlPoints = 8.25;

struct FontStyle {
  bool bold = false;
  bool underline = false;
};

// Creates a font of the given face and point size for this resolution.
platform::win32::UniqueFont MakeFont(const char* face, double points, int dpi,
                                     FontStyle style = {});

// Gives a control a font; the caller keeps the font alive as long as the
// control.
void SetControlFont(HWND control, const platform::win32::UniqueFont& font);

}  // namespace ui
