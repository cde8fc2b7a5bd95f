// The two browser options of the Options menu, kept in the registry.
#pragma once

#include "platform/ui.h"

namespace options {

// Ticks "Keep IE in full-screen mode" and then "Clear IE temp files on
// exit" where the registry says so; never unticks.
void SetInitialTicks(platform::ui::WindowId main_window);

// Flip the item's tick, then write the value that matches the new tick.
void ToggleFullScreen(platform::ui::WindowId main_window);
void ToggleClearTempOnExit(platform::ui::WindowId main_window);

}  // namespace options
