// The parts of one browser profile that hold site data, and what Apply does
// with each: a folder of one origin is removed whole, a store of many
// origins loses the entries of the unprotected ones.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "browsers/stores.h"

namespace sitedata {

enum class Action {
  kRemove,             // a folder or file of one origin, or of none worth keeping
  kLocalStorage,       // Chromium's Local Storage LevelDB
  kFileSystemOrigins,  // Chromium's File System\Origins LevelDB: origin to folder
  kTransportSecurity,  // Chromium's HSTS, JSON
  kNetworkState,       // Chromium's Network Persistent State, JSON
  kReportingNel,       // Chromium's Reporting and NEL, SQLite
  kTrustTokens,        // Chromium's Trust Tokens, SQLite
  kSharedDictionary,   // Chromium's Shared Dictionary, SQLite
  kQuotaManager,       // Chromium's WebStorage buckets, SQLite
  kWebAppsStore,       // Firefox's older localStorage, SQLite
  kFirefoxHsts,        // Firefox's SiteSecurityServiceState.bin
};

struct Part {
  std::string relative;  // inside the profile's folder
  Action action = Action::kRemove;
  std::string host;  // a removal's origin's host; empty for a part of no one origin
};

struct Plan {
  std::vector<Part> parts;
  std::vector<std::string> linked;  // parts left as they are: a link lies inside
  // The hosts whose HSTS entries stay: the protected sites, and the hosts
  // under them that the profile's stores name (HSTS keeps only hashes).
  std::vector<std::string> kept_hosts;
  // Every host whose storage lies in the profile's folders and buckets, as
  // SiteOf gives it, sorted.
  std::vector<std::string> data_hosts;
  const browsers::ProtectedSites* kept = nullptr;
};

// Looks through the profile (reading only).
Plan PlanProfile(const browsers::Store& store, const browsers::ProtectedSites& kept);

struct PartOutcome {
  std::vector<std::string> hosts;      // the hosts whose data went, as SiteOf gives them
  std::size_t entries = 0;             // entries, keys, rows and members removed
  std::optional<std::string> problem;  // why the part was left as it is
};

// Changes one part, its copy already in the recycle bin.
PartOutcome ChangePart(const Part& part, const std::string& path, const Plan& plan);

}  // namespace sitedata
