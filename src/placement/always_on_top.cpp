#include "placement/always_on_top.h"

#include "common/identifiers.h"
#include "placement/centering.h"

namespace placement {
namespace ui = platform::ui;

void ToggleAlwaysOnTop(ui::WindowId main_window) {
  // Size and position are the fixed figures the switch has always passed,
  // grown on screens finer than 96 dpi so that the window is not cut;
  // CenterWindow puts it back in the middle straight after.
  const int width = ui::ScreenPixels(168), height = ui::ScreenPixels(220);
  const bool was_on_top = ui::MenuTicked(main_window, ids::menu::kAlwaysOnTop);
  ui::SetMenuTick(main_window, ids::menu::kAlwaysOnTop, !was_on_top);
  ui::SetWindowPos(main_window, was_on_top ? ui::kInsertBottom : ui::kInsertTopmost, 0, 0, width,
                   height, 0);
  CenterWindow(main_window);
}

}  // namespace placement
