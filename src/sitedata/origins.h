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

// Only http and https origins are read: the other schemes (extensions, files,
// the browsers' own pages) are no site's, and stay.
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
// Chromium's database identifier alone, "https_keep.test_443", as File
// System's Origins database names an origin after its prefix.
inline constexpr char kFileSystemOriginPrefix[] = "ORIGIN:";
std::optional<Origin> FromFileSystemIdentifier(std::string_view identifier);
// Chromium's storage keys: "https://keep.test:28143" or with a trailing
// slash, partitioned "https://keep.test:28143/^0https://tracker.test"; a
// nonce's key ("^1<high>^2<low>") and a cross-site ancestor's ("^31") give the
// origin alone; an opaque top-level site ("^4".."^6") gives nothing.
std::optional<Origin> FromStorageKey(std::string_view key);
// The origin that a CacheStorage folder's index.txt names: a
// CacheStorageIndex protocol buffer, its storage key (field 3) or, in older
// files, its origin (field 2).
std::optional<Origin> FromCacheStorageIndex(std::string_view index_txt);
// Firefox: "https+++keep.test+28143", partitioned
// "https+++keep.test+28143^partitionKey=%28https%2Ctracker.test%29".
std::optional<Origin> FromFirefoxFolder(std::string_view name);
// The origin that a Firefox origin folder's .metadata-v2 holds: a 17-byte
// header, then the suffix, group and origin strings (32-bit big-endian
// lengths), then one byte (newer Firefox writes more after it).
std::optional<Origin> FromFirefoxMetadata(std::string_view metadata_v2);
// The top-level site of Firefox's origin attributes
// ("^partitionKey=%28https%2Ckeep.test%29" gives "keep.test", and so does a
// first-party domain); empty when there is no partition key; nothing when
// the attributes are none that Firefox reads.
std::optional<std::string> TopLevelSiteOfAttributes(std::string_view attributes);

}  // namespace sitedata
