// The SQLite stores of site data beside the cookies: each loses the rows of
// the sites the user did not protect, and of the data that a protected site
// keeps under an unprotected top-level site. Each store is written as the
// cookies database is: in one transaction, after its checks and after
// copy_aside has put its files somewhere safe (false: nothing changes), and
// only when its tables are the ones its browser writes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "browsers/sqlite_handle.h"

namespace sitedata {

using CopyAside = std::function<bool()>;

struct StoreWipe {
  browsers::StoreState state = browsers::StoreState::kDone;
  std::size_t deleted = 0;  // rows
};

// Chromium's "Network\Reporting and NEL": NEL policies, reporting endpoints
// and their groups, each keyed by its origin and its network anonymization
// key (the top-level site).
StoreWipe WipeReportingAndNel(const std::string& database, const browsers::ProtectedSites& kept,
                              const CopyAside& copy_aside,
                              std::chrono::milliseconds allowed = browsers::kStoreDeadline);

// Chromium's "Network\Trust Tokens": issuers, top-level origins and their
// pairs.
StoreWipe WipeTrustTokens(const std::string& database, const browsers::ProtectedSites& kept,
                          const CopyAside& copy_aside,
                          std::chrono::milliseconds allowed = browsers::kStoreDeadline);

// Chromium's "Shared Dictionary\db": dictionaries keyed by frame origin,
// top-frame site and the host they were fetched from. The dictionaries'
// bodies in "Shared Dictionary\cache" are not touched here.
StoreWipe WipeSharedDictionaries(const std::string& database, const browsers::ProtectedSites& kept,
                                 const CopyAside& copy_aside,
                                 std::chrono::milliseconds allowed = browsers::kStoreDeadline);

struct BucketsWipe {
  browsers::StoreState state = browsers::StoreState::kDone;
  std::size_t deleted = 0;
  // The ids of the buckets deleted: their data lies in "WebStorage\<id>",
  // for the caller to remove.
  std::vector<std::int64_t> bucket_ids;
};

// Chromium's "WebStorage\QuotaManager": the buckets of unprotected storage
// keys.
BucketsWipe WipeQuotaBuckets(const std::string& database, const browsers::ProtectedSites& kept,
                             const CopyAside& copy_aside,
                             std::chrono::milliseconds allowed = browsers::kStoreDeadline);

// Firefox's webappsstore.sqlite (localStorage before its per-origin
// folders): rows keyed by the reversed host, scheme and port
// ("tset.peek.:https:443") and the origin attributes.
StoreWipe WipeFirefoxWebappsStore(const std::string& database, const browsers::ProtectedSites& kept,
                                  const CopyAside& copy_aside,
                                  std::chrono::milliseconds allowed = browsers::kStoreDeadline);

}  // namespace sitedata
