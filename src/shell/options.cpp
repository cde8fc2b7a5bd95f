#include "shell/options.h"

#include "registry/settings.h"
#include "shell/menu_ids.h"

namespace shell {
namespace ui = platform::ui;

namespace {
struct Option {
  int item;
  std::string_view value_name;
  std::string_view ticked_text;  // the value a tick stands for
  std::string_view unticked_text;
};
// The two items read their tick in opposite senses.
constexpr Option kKioskOption{menu::kKiosk, settings::kFullScreen, "yes", "no"};
constexpr Option kHistoryOption{menu::kHistory, settings::kSaveHistoryOnExit, "no", "yes"};

void TickFromRegistry(ui::Window window, const Option& option) {
  if (settings::Read(settings::kIeMain, option.value_name) == option.ticked_text)
    ui::SetMenuTick(window, option.item, true);
}

void Toggle(ui::Window window, const Option& option) {
  const bool ticked = !ui::MenuTicked(window, option.item);
  ui::SetMenuTick(window, option.item, ticked);
  settings::WriteText(settings::kIeMain, option.value_name,
                      ticked ? option.ticked_text : option.unticked_text);
}
}  // namespace

void SetInitialOptionTicks(ui::Window main_window) {
  TickFromRegistry(main_window, kKioskOption);
  TickFromRegistry(main_window, kHistoryOption);
}

void ToggleKiosk(ui::Window main_window) { Toggle(main_window, kKioskOption); }
void ToggleHistory(ui::Window main_window) { Toggle(main_window, kHistoryOption); }

}  // namespace shell
