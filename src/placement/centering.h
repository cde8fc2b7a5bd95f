// Centring a window on the screen.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace placement {

// Rounds to the nearest integer, ties to the even one.
std::int64_t RoundHalfEven(double value);

// The top or left (twips) that centres a window of the given extent on a
// screen of the given extent.
std::int64_t CenterOffset(double screen_twips, double window_twips);

// Centres a window on the screen: top first, then left.
void CenterWindow(platform::ui::WindowId window);

}  // namespace placement
