// Window placement: centring on the screen and the Always On Top switch.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace shell {

// Rounds to the nearest integer, ties to the even one.
std::int64_t RoundHalfEven(double value);

// The top or left (twips) that centres a window of the given extent on a
// screen of the given extent.
std::int64_t CenterOffset(double screen_twips, double window_twips);

// Centres a window on the screen: top first, then left.
void CenterForm(platform::ui::Window window);

// Flips the "Always On Top" tick, moves the window into or out of the
// topmost band and centres it again.
void ToggleAlwaysOnTop(platform::ui::Window main_window, int ontop_item);

}  // namespace shell
