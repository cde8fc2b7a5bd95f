#include "shell/ontop.h"

#include <cmath>

namespace shell {
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

void CenterForm(ui::Window window) {
  const ui::TwipSize screen = ui::ScreenSize();
  const ui::TwipSize outer = ui::OuterSize(window);
  ui::SetTop(window, CenterOffset(screen.height, outer.height));
  ui::SetLeft(window, CenterOffset(screen.width, outer.width));
}

void ToggleAlwaysOnTop(ui::Window main_window, int ontop_item) {
  // Size and position are the fixed figures the switch has always passed,
  // grown on screens finer than 96 dpi so that the window is not cut;
  // CenterForm puts it back in the middle straight after.
  const int width = ui::ScreenPixels(168), height = ui::ScreenPixels(220);
  const bool was_on_top = ui::MenuTicked(main_window, ontop_item);
  ui::SetMenuTick(main_window, ontop_item, !was_on_top);
  ui::SetWindowPos(main_window, was_on_top ? ui::kInsertBottom : ui::kInsertTopmost, 0, 0, width,
                   height, 0);
  CenterForm(main_window);
}

}  // namespace shell
