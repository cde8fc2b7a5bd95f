#include "sitedata/profile_parts.h"

#include <cctype>
#include <memory>
#include <set>

#include "browsers/cookie_database.h"
#include "platform/files.h"
#include "sitedata/folder_tree.h"
#include "sitedata/origins.h"
#include "sitedata/part_changes.h"

namespace sitedata {
namespace {

namespace files = platform::files;

bool IsFolder(const std::string& path) {
  const auto attributes = files::Attributes(path);
  return attributes && (*attributes & files::kAttributeDirectory);
}

std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : files::ListEntries(folder))
    if (entry.attributes & files::kAttributeDirectory) names.push_back(entry.name);
  return names;
}

// Gathers the parts of a plan and the hosts the profile names.
class Planner {
 public:
  Planner(const browsers::Store& store, const browsers::ProtectedSites& kept)
      : store_(store), kept_(kept) {}

  // One origin's folder or file: removed unless its origin stays.
  void Origin(const std::string& relative, const std::optional<sitedata::Origin>& origin) {
    if (!origin) return;  // a name no browser gives: kept
    Name(origin->host);
    data_hosts_.insert(browsers::SiteOf(origin->host));
    if (!origin->top_level_site.empty()) Name(origin->top_level_site);
    if (!Keeps(kept_, *origin)) Add({relative, Action::kRemove, browsers::SiteOf(origin->host)});
  }
  // A store of many origins, or a part removed whole.
  void Store(const std::string& relative, Action action) {
    if (files::Exists(Path(relative))) Add({relative, action, {}});
  }
  void Name(const std::string& host) {
    if (kept_.Keeps(host)) kept_hosts_.insert(browsers::SiteOf(host));
  }
  std::string Path(const std::string& relative) const { return store_.folder + "\\" + relative; }

  Plan Done() {
    plan_.kept = &kept_;
    for (const auto& site : kept_.Sites()) kept_hosts_.insert(site);
    plan_.kept_hosts.assign(kept_hosts_.begin(), kept_hosts_.end());
    plan_.data_hosts.assign(data_hosts_.begin(), data_hosts_.end());
    return std::move(plan_);
  }

 private:
  void Add(Part part) {
    if (HoldsLink(Path(part.relative)))
      plan_.linked.push_back(part.relative);
    else
      plan_.parts.push_back(std::move(part));
  }

  const browsers::Store& store_;
  const browsers::ProtectedSites& kept_;
  Plan plan_;
  std::set<std::string> kept_hosts_, data_hosts_;
};

// The hosts of the web addresses a text holds ("https://hsts.keep.test:443,*"
// in Preferences' site settings): HSTS names its hosts only by hash, and a
// protected site's subdomain that nothing else names would lose its entry.
void NameAddressesIn(const std::string& text, Planner& planner) {
  for (auto at = text.find("://"); at != std::string::npos; at = text.find("://", at + 3)) {
    const bool web = (at >= 4 && text.compare(at - 4, 4, "http") == 0) ||
                     (at >= 5 && text.compare(at - 5, 5, "https") == 0);
    if (!web) continue;
    auto end = at + 3;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                 text[end] == '.' || text[end] == '-'))
      ++end;
    if (end > at + 3) planner.Name(text.substr(at + 3, end - at - 3));
  }
}

void PlanChromium(Planner& planner) {
  try {
    NameAddressesIn(files::ReadWholeFile(planner.Path("Preferences")), planner);
  } catch (const std::exception&) {
    // Without them, only the stores' own hosts are named.
  }
  for (const auto& name : Subfolders(planner.Path("IndexedDB")))
    planner.Origin("IndexedDB\\" + name, FromChromiumIndexedDbFolder(name));
  const std::string caches = "Service Worker\\CacheStorage";
  for (const auto& name : Subfolders(planner.Path(caches))) {
    const std::string folder = caches + "\\" + name;
    try {
      planner.Origin(folder, FromCacheStorageIndex(
                                 files::ReadWholeFile(planner.Path(folder + "\\index.txt"))));
    } catch (const std::exception&) {
      // Without its index the folder names no origin: kept.
    }
  }
  // Partitioned and first-party buckets alike; the quota database names
  // their origins.
  const std::string quota = "WebStorage\\QuotaManager";
  if (files::Exists(planner.Path(quota))) {
    for (const auto& [id, key] : Buckets(planner.Path(quota))) {
      const std::string folder = "WebStorage\\" + id;
      if (IsFolder(planner.Path(folder))) {
        planner.Origin(folder, FromStorageKey(key));
      } else if (const auto origin = FromStorageKey(key)) {
        planner.Name(origin->host);
      }
    }
    planner.Store(quota, Action::kQuotaManager);
  }
  // File System's folders are named in its Origins database.
  const std::string file_system = "File System";
  for (const auto& [identifier, folder] :
       FileSystemFolders(planner.Path(file_system + "\\Origins")))
    if (IsFolder(planner.Path(file_system + "\\" + folder)))
      planner.Origin(file_system + "\\" + folder, FromFileSystemIdentifier(identifier));
  planner.Store(file_system + "\\Origins", Action::kFileSystemOrigins);
  // It only restores tabs.
  planner.Store("Session Storage", Action::kRemove);
  planner.Store("Local Storage\\leveldb", Action::kLocalStorage);
  for (const char* home : {"Network\\", ""}) {
    planner.Store(std::string(home) + "TransportSecurity", Action::kTransportSecurity);
    planner.Store(std::string(home) + "Network Persistent State", Action::kNetworkState);
    planner.Store(std::string(home) + "Reporting and NEL", Action::kReportingNel);
    planner.Store(std::string(home) + "Trust Tokens", Action::kTrustTokens);
  }
  planner.Store("Shared Dictionary\\db", Action::kSharedDictionary);
}

void PlanFirefox(Planner& planner) {
  const std::string storage = "storage\\default";
  for (const auto& name : Subfolders(planner.Path(storage))) {
    const std::string folder = storage + "\\" + name;
    std::optional<sitedata::Origin> origin = FromFirefoxFolder(name);
    if (!origin) {
      try {
        origin = FromFirefoxMetadata(files::ReadWholeFile(planner.Path(folder + "\\.metadata-v2")));
      } catch (const std::exception&) {
      }
    }
    planner.Origin(folder, origin);
  }
  planner.Store("webappsstore.sqlite", Action::kWebAppsStore);
  // The older localStorage's archive: an origin without its folder would
  // take its rows back from it.
  planner.Store("storage\\ls-archive.sqlite", Action::kWebAppsStore);
  planner.Store("SiteSecurityServiceState.bin", Action::kFirefoxHsts);
}

}  // namespace

Plan PlanProfile(const browsers::Store& store, const browsers::ProtectedSites& kept) {
  Planner planner(store, kept);
  // The cookie hosts name sites too, for HSTS.
  for (const auto& host : browsers::ReadHosts(store).hosts) planner.Name(host);
  if (store.family == browsers::Family::kChromium)
    PlanChromium(planner);
  else
    PlanFirefox(planner);
  return planner.Done();
}

PartOutcome ChangePart(const Part& part, const std::string& path, const Plan& plan) {
  if (part.action == Action::kRemove) {
    const Removed removed = RemoveTree(path);
    if (!removed.gone) return {{}, 0, "it could not be removed whole"};
    PartOutcome outcome;
    if (!part.host.empty()) outcome.hosts.push_back(part.host);
    outcome.entries = removed.files;
    return outcome;
  }
  return ChangeStore(part.action, path, plan);
}

}  // namespace sitedata
