// The "Always On Top" switch of the main window.
#pragma once

#include "platform/ui.h"

namespace placement {

// Flips the "Always On Top" tick, moves the window into or out of the
// topmost band and centres it again.
void ToggleAlwaysOnTop(platform::ui::WindowId main_window);

}  // namespace placement
