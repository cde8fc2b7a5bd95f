#include "placement/centering.h"

#include <cmath>

namespace placement {
namespace ui = platform::ui;

std::int64_t RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  auto result = static_cast<std::int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
  return result;
}

// 64-bit arithmetic throughout, so that screens wider than 2184 pixels
// (32767 twips) centre as the smaller ones do.
std::int64_t CenterOffset(double screen_twips, double window_twips) {
  const std::int64_t difference = RoundHalfEven(screen_twips) - RoundHalfEven(window_twips);
  return RoundHalfEven(static_cast<double>(difference) / 2.0);
}

void CenterWindow(ui::WindowId window) {
  const ui::TwipSize screen = ui::ScreenSize();
  const ui::TwipSize outer = ui::OuterSize(window);
  ui::SetTop(window, CenterOffset(screen.height, outer.height));
  ui::SetLeft(window, CenterOffset(screen.width, outer.width));
}

}  // namespace placement
