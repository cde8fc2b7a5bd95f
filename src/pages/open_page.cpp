#include "pages/open_page.h"

#include <string>

#include "platform/process.h"
#include "platform/ui.h"

namespace pages {

void OpenPage(std::string_view url) {
  const std::string address(url);
  if (!platform::process::Launch(address, ""))
    platform::ui::ShowMessage("The web page " + address + " could not be opened in your browser.",
                              platform::ui::kStyleInformation);
}

}  // namespace pages
