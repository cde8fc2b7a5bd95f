// The origins that browsers name their site data by, read back from the
// names they give it: folder names, storage keys, partition attributes. Data
// a site keeps inside another site's frame is partitioned under that
// top-level site, and goes when either site is unprotected.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "browsers/sites.h"

namespace sitedata {

struct Origin {
  std::string scheme;  // "https"
  std::string host;    // as SiteOf gives it; IPv6 in brackets, "[::1]"
  int port = 0;        // the port as stored; 0 when the name gives none
  // The top-level site whose frame holds this data, as a host ("tracker.test");
  // empty when it is not partitioned.
  std::string top_level_site;
};

// True when the data stays: its host is protected and so is its top-level
// site, when it has one.
bool Keeps(const browsers::ProtectedSites& kept, const Origin& origin);

// Chromium: "https_keep.test_443.indexeddb.leveldb", ".indexeddb.blob" too.
std::optional<Origin> FromChromiumIndexedDbFolder(std::string_view name);
// Chromium's storage keys: "https://keep.test:28143" or with a trailing
// slash, partitioned "https://keep.test:28143/^0https://tracker.test".
std::optional<Origin> FromStorageKey(std::string_view key);
// The origin that a CacheStorage folder's index.txt names.
std::optional<Origin> FromCacheStorageIndex(std::string_view index_txt);
// Firefox: "https+++keep.test+28143", partitioned
// "https+++keep.test+28143^partitionKey=%28https%2Ctracker.test%29".
std::optional<Origin> FromFirefoxFolder(std::string_view name);
// The origin that a Firefox origin folder's .metadata-v2 holds.
std::optional<Origin> FromFirefoxMetadata(std::string_view metadata_v2);
// The top-level site of Firefox's origin attributes
// ("^partitionKey=%28https%2Ckeep.test%29" gives "keep.test"); empty when
// there is no partition key.
std::string PartitionSiteOfAttributes(std::string_view attributes);
// The top-level site of Chromium's top_frame_site_key ("https://keep.test"
// gives "keep.test"); empty for an empty key.
std::string SiteOfTopFrameKey(std::string_view key);

}  // namespace sitedata
