// The main window's status line: where the user's traffic goes, as far as
// the program knows it, and what Apply cleared. Every line is true when
// shown; nothing claims a check that was not made.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/process.h"
#include "routecheck/route_check.h"

namespace wipe {

// "Your own settings: no Maskfold proxy".
std::string OwnSettingsLine();
// "Through HOST:PORT: not checked".
std::string NotCheckedLine(const std::string& proxy);
// "Checking the route through HOST:PORT".
std::string CheckingLine(const std::string& proxy);
// "Through HOST:PORT, checked at 14:03: pages load (http 120 ms, https 130
// ms)", or which pages do not load.
std::string CheckedLine(const std::string& proxy, const routecheck::RouteReport& report,
                        const platform::process::LocalTime& at);

// What Apply took away, for the line's second part.
struct Cleared {
  std::size_t cache_entries = 0;
  std::size_t cookie_files = 0;
  std::size_t site_data = 0;          // sites whose storage went
  std::vector<std::string> browsers;  // whose stores were cleaned
};
// "Cleared 5,000 cache entries, 300 cookie files, the data of 40 sites,
// Chrome and Firefox;
// copies in the Recycle Bin", or "Nothing needed clearing".
std::string ClearedLine(const Cleared& cleared);

// 5000 as "5,000".
std::string WithThousands(std::size_t number);

}  // namespace wipe
