// Opens a web page in the user's browser, detached.
#pragma once

#include <string_view>

namespace pages {

// Tells the user in one message when the page cannot be opened.
void OpenPage(std::string_view url);

}  // namespace pages
