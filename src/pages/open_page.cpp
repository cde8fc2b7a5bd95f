#include "pages/open_page.h"

#include <string>

#include "platform/process.h"

namespace pages {

std::optional<std::string> OpenPage(std::string_view url) {
  const std::string address(url);
  if (platform::process::Launch(address, "")) return std::nullopt;
  return "The web page " + address + " could not be opened in your browser.";
}

}  // namespace pages
