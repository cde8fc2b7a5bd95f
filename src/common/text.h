// Comparisons of 8-bit text as the file system and WinINet make them: ASCII
// letters without regard to case.
#pragma once

#include <cctype>
#include <string_view>

namespace text {

inline bool StartsWithNoCase(std::string_view whole, std::string_view prefix) {
  if (whole.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(whole[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace text
