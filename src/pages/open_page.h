// Opens a web page in the user's browser, detached.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pages {

// Nothing when the page opened; otherwise the message for the user.
std::optional<std::string> OpenPage(std::string_view url);

}  // namespace pages
