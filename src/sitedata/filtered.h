// A store's file rewritten without the unprotected sites' members.
#pragma once

#include <string>

namespace sitedata {

struct Filtered {
  std::string content;  // the whole new file, text or bytes
  int removed = 0;      // members or slots taken out
};

}  // namespace sitedata
