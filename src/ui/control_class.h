// The window classes of the program's own controls.
#pragma once

#include <windows.h>

namespace ui {

// Registers a control class of this module with the arrow pointer and, when
// given, a background brush; once, before the first control is created.
void RegisterControlClass(const char* name, WNDPROC procedure, HBRUSH background = nullptr);

}  // namespace ui
