// What the stores hold, for the Browser Cookies window: every cookie host,
// and every top-level site that partitions cookies, as a site, with the
// browsers it appears in (the site data's survey adds its own).
#pragma once

#include <string>
#include <vector>

#include "browsers/stores.h"

namespace browsers {

struct Site {
  std::string host;                   // as SiteOf gives it
  std::vector<std::string> browsers;  // in the stores' order, each once
  // What the browsers hold of it.
  bool cookies = false;
  bool site_data = false;
};

struct Survey {
  std::vector<Site> sites;            // sorted by host, each once
  std::vector<std::string> browsers;  // the browsers whose stores were found
  std::vector<std::string>
      unreadable;  // browsers with a store busy, locked or not a cookies store, each once
};

// Reads each store (read only; the browser of a store that cannot be read
// is named in unreadable and the others still count).
Survey SurveySites(const std::vector<Store>& stores);

}  // namespace browsers
