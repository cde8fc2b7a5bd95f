#include "wipe/status_line.h"

#include <cstdio>

#include "browsers/stores.h"

namespace wipe {
namespace {

// The proxy the pages go through, as the check found it: one for both
// schemes, or each scheme's; the text switched to where the check found
// none.
std::string Through(const std::string& proxy, const routecheck::RouteReport& report) {
  const auto& http = report.http.proxy;
  const auto& https = report.https.proxy;
  if (http && https && *http == *https) return *http;
  if (http && https) return *http + " (http) and " + *https + " (https)";
  return proxy;
}

std::string Count(std::size_t number, const char* one, const char* many) {
  return WithThousands(number) + " " + (number == 1 ? one : many);
}

}  // namespace

std::string OwnSettingsLine() { return "Your own settings: no Maskfold proxy"; }

std::string NotCheckedLine(const std::string& proxy) {
  return "Through " + proxy + ": not checked";
}

std::string CheckingLine(const std::string& proxy) {
  return "Checking the route through " + proxy + "...";
}

std::string CheckedLine(const std::string& proxy, const routecheck::RouteReport& report,
                        const platform::process::LocalTime& at) {
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", at.hour % 100, at.minute % 100);
  const std::string start = "Through " + Through(proxy, report) + ", checked at " + time + ": ";
  if (report.Works())
    return start + "pages load (http " + std::to_string(report.http.milliseconds) + " ms, https " +
           std::to_string(report.https.milliseconds) + " ms)";
  if (report.http.works) return start + "https pages do not load";
  if (report.https.works) return start + "http pages do not load";
  return start + "pages do not load";
}

std::string ClearedLine(const Cleared& cleared) {
  std::vector<std::string> parts;
  if (cleared.cache_entries)
    parts.push_back(Count(cleared.cache_entries, "cache entry", "cache entries"));
  if (cleared.cookie_files)
    parts.push_back(Count(cleared.cookie_files, "cookie file", "cookie files"));
  if (cleared.site_data)
    parts.push_back("the data of " + Count(cleared.site_data, "site", "sites"));
  if (!cleared.browsers.empty()) parts.push_back(browsers::InWords(cleared.browsers));
  if (parts.empty()) return "Nothing needed clearing";
  std::string line = "Cleared ";
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? ", " : "") + parts[i];
  // The cache's entries go for good; the cookie files and the stores'
  // copies go to the bin.
  if (cleared.cookie_files || !cleared.browsers.empty()) line += "; copies in the Recycle Bin";
  return line;
}

std::string WithThousands(std::size_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace wipe
