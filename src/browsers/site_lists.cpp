#include "browsers/site_lists.h"

#include <algorithm>
#include <stdexcept>

#include "browsers/protected_sites.h"
#include "browsers/sites.h"
#include "cookies/jar.h"

namespace browsers {
namespace {

std::string ShownText(const Site& site) {
  if (site.browsers.empty()) return site.host;
  std::string text = site.host + " (";
  for (const std::string& browser : site.browsers) {
    if (&browser != &site.browsers.front()) text += ", ";
    text += browser;
  }
  if (site.cookies || site.site_data) {
    text += ": ";
    text += site.cookies && site.site_data ? "cookies, site data"
            : site.cookies                 ? "cookies"
                                           : "site data";
  }
  return text + ")";
}

std::string UnreadableFile(const cookies::GuardedFolder& cookies_folder) {
  return "The protected sites in " + cookies::JarFolder(cookies_folder) + "\\" +
         kProtectedSitesFile + " could not be read, so they are as they were.";
}

}  // namespace

std::vector<Listed> UnprotectedSites(const std::vector<Site>& found,
                                     const std::vector<std::string>& protected_sites) {
  const ProtectedSites kept(protected_sites);
  std::vector<Listed> listed;
  listed.reserve(found.size());
  for (const Site& site : found)
    if (!kept.Keeps(site.host)) listed.push_back({ShownText(site), site.host});
  // Sorted by host already, which is the texts' order but for hosts with
  // characters below the blank; the list boxes go by the texts.
  std::stable_sort(listed.begin(), listed.end(),
                   [](const Listed& a, const Listed& b) { return a.text < b.text; });
  return listed;
}

ProtectedRead ReadAllProtectedSites(const cookies::GuardedFolder& cookies_folder) {
  try {
    return {AllProtectedSites(cookies_folder), std::nullopt};
  } catch (const std::runtime_error&) {
    return {{}, UnreadableFile(cookies_folder)};
  }
}

std::optional<std::string> ProtectSite(const cookies::GuardedFolder& cookies_folder,
                                       const std::string& site) {
  std::vector<std::string> sites;
  try {
    sites = ReadProtectedSites(cookies_folder);
  } catch (const std::runtime_error&) {
    return UnreadableFile(cookies_folder);
  }
  const std::string own = SiteOf(site);
  if (own.empty() || std::binary_search(sites.begin(), sites.end(), own)) return std::nullopt;
  sites.push_back(own);
  return WriteProtectedSites(cookies_folder, sites);
}

std::optional<std::string> UnprotectSite(const cookies::GuardedFolder& cookies_folder,
                                         const std::string& site) {
  const std::string own = SiteOf(site);
  const std::vector<std::string> jar = JarCookieSites(cookies_folder);
  if (std::binary_search(jar.begin(), jar.end(), own))
    return own +
           " is protected by a cookie in the Cookie Manager's protected list, and stays protected "
           "while that cookie is there.";
  std::vector<std::string> sites;
  try {
    sites = ReadProtectedSites(cookies_folder);
  } catch (const std::runtime_error&) {
    return UnreadableFile(cookies_folder);
  }
  if (std::erase(sites, own) == 0) return std::nullopt;
  return WriteProtectedSites(cookies_folder, sites);
}

}  // namespace browsers
