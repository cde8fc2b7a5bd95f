#include "options/browser_options.h"

#include "common/identifiers.h"
#include "registry/settings.h"

namespace options {
namespace ui = platform::ui;

namespace {
struct Option {
  int item;
  std::string_view value_name;
  std::string_view ticked_text;  // the value a tick stands for
  std::string_view unticked_text;
};
// The two items read their tick in opposite senses.
constexpr Option kFullScreen{ids::menu::kFullScreen, settings::kFullScreen, "yes", "no"};
constexpr Option kClearTempOnExit{ids::menu::kClearTempOnExit, settings::kSaveHistoryOnExit, "no",
                                  "yes"};

void TickFromRegistry(ui::WindowId window, const Option& option) {
  if (settings::Read(settings::kIeMain, option.value_name) == option.ticked_text)
    ui::SetMenuTick(window, option.item, true);
}

void Toggle(ui::WindowId window, const Option& option) {
  const bool ticked = !ui::MenuTicked(window, option.item);
  ui::SetMenuTick(window, option.item, ticked);
  settings::WriteText(settings::kIeMain, option.value_name,
                      ticked ? option.ticked_text : option.unticked_text);
}
}  // namespace

void SetInitialTicks(ui::WindowId main_window) {
  TickFromRegistry(main_window, kFullScreen);
  TickFromRegistry(main_window, kClearTempOnExit);
}

void ToggleFullScreen(ui::WindowId main_window) { Toggle(main_window, kFullScreen); }
void ToggleClearTempOnExit(ui::WindowId main_window) { Toggle(main_window, kClearTempOnExit); }

}  // namespace options
