// How much room a control's text needs, in the control's own font.
#pragma once

#include <windows.h>

namespace ui {

// The height, in pixels, that the text of a label or button needs at the
// control's present width: the lines it wraps onto, or its one line, with a
// button's frame. 0 for any other control, or one without text.
int TextHeight(HWND control);

}  // namespace ui
