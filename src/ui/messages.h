// Messages that the logic returns and the windows show.
#pragma once

#include <optional>
#include <string>

#include "platform/ui.h"

namespace ui {

// Shows the message a step returned, if it returned one, in an information
// box.
inline void ShowIfAny(const std::optional<std::string>& message) {
  if (message) platform::ui::ShowMessage(*message, platform::ui::kStyleInformation);
}

}  // namespace ui
