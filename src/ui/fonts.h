// Fonts for the windows' controls, sized for the screen's resolution.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"
#include "ui/layout.h"

namespace ui {

// Creates the control face in the given style for this resolution.
platform::win32::UniqueFont MakeFont(const FontStyle& style, int dpi);

}  // namespace ui
