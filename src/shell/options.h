// The two browser options of the Options menu, kept in the registry.
#pragma once

#include "platform/ui.h"

namespace shell {

// Ticks "Keep IE in full-screen mode" and then "Clear IE temp files on
// exit" where the registry says so; never unticks.
void SetInitialOptionTicks(platform::ui::Window main_window);

// Flip the item's tick, then write the value that matches the new tick.
void ToggleKiosk(platform::ui::Window main_window);
void ToggleHistory(platform::ui::Window main_window);

}  // namespace shell
