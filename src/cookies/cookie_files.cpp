#include "cookies/cookie_files.h"

#include "common/text.h"

namespace cookies {

bool IsCookieFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".txt";
  return name.size() > kExtension.size() && text::EndsWithNoCase(name, kExtension);
}

std::vector<std::string> CookieFiles(const std::string& folder, platform::files::Hidden hidden) {
  std::vector<std::string> names = platform::files::ListFiles(folder + "\\*.txt", hidden);
  std::erase_if(names, [](const std::string& name) { return !IsCookieFileName(name); });
  return names;
}

}  // namespace cookies
