#include "cookies/cookie_files.h"

#include <algorithm>
#include <cctype>

namespace cookies {

bool IsCookieFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".txt";
  if (name.size() <= kExtension.size()) return false;
  return std::equal(
      kExtension.begin(), kExtension.end(), name.end() - kExtension.size(),
      [](char wanted, char c) { return wanted == std::tolower(static_cast<unsigned char>(c)); });
}

std::vector<std::string> CookieFiles(const std::string& folder, platform::files::Hidden hidden) {
  std::vector<std::string> names = platform::files::ListFiles(folder + "\\*.txt", hidden);
  std::erase_if(names, [](const std::string& name) { return !IsCookieFileName(name); });
  return names;
}

}  // namespace cookies
