#include "sitedata/site_data_survey.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/text.h"
#include "sitedata/part_changes.h"
#include "sitedata/profile_parts.h"

namespace sitedata {

browsers::Survey SurveyAll(const std::vector<browsers::Store>& stores) {
  browsers::Survey survey = browsers::SurveySites(stores);
  std::map<std::string, browsers::Site> sites;
  for (auto& site : survey.sites) {
    const std::string host = site.host;
    sites.emplace(host, std::move(site));
  }
  const browsers::ProtectedSites nothing_kept({});
  std::set<std::string> profiles;
  for (const auto& store : stores) {
    if (store.folder.empty() || !profiles.insert(text::LowerAscii(store.folder)).second) continue;
    std::vector<std::string> hosts = PlanProfile(store, nothing_kept).data_hosts;
    for (auto& host : LocalStorageHosts(store)) hosts.push_back(std::move(host));
    for (const auto& host : hosts) {
      if (host.empty()) continue;
      browsers::Site& site = sites[host];
      site.host = host;
      site.site_data = true;
      if (std::find(site.browsers.begin(), site.browsers.end(), store.browser) ==
          site.browsers.end())
        site.browsers.push_back(store.browser);
    }
  }
  // Each site's browsers in the stores' order, as the cookies' survey has them.
  const auto rank = [&](const std::string& browser) {
    return std::find(survey.browsers.begin(), survey.browsers.end(), browser) -
           survey.browsers.begin();
  };
  survey.sites.clear();
  for (auto& [host, site] : sites) {
    std::stable_sort(site.browsers.begin(), site.browsers.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    survey.sites.push_back(std::move(site));
  }
  return survey;
}

}  // namespace sitedata
