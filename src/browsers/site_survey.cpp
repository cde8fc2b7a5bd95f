#include "browsers/site_survey.h"

#include <algorithm>
#include <map>

#include "browsers/cookie_database.h"
#include "browsers/sites.h"

namespace browsers {

Survey SurveySites(const std::vector<Store>& stores) {
  Survey survey;
  survey.browsers = BrowsersOf(stores);
  std::map<std::string, std::vector<std::string>> sites;
  for (const auto& store : stores) {
    const HostsRead read = ReadHosts(store);
    if (read.state != StoreState::kDone) {
      if (std::find(survey.unreadable.begin(), survey.unreadable.end(), store.browser) ==
          survey.unreadable.end())
        survey.unreadable.push_back(store.browser);
      continue;
    }
    for (const auto& host : read.hosts) {
      std::string site = SiteOf(host);
      if (site.empty()) continue;
      auto& browsers = sites[std::move(site)];
      if (std::find(browsers.begin(), browsers.end(), store.browser) == browsers.end())
        browsers.push_back(store.browser);
    }
  }
  survey.sites.reserve(sites.size());
  for (auto& [host, browsers] : sites) survey.sites.push_back({host, std::move(browsers), true});
  return survey;
}

}  // namespace browsers
