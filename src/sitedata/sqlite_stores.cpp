#include "sitedata/sqlite_stores.h"

#include "sitedata/origins.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "browsers/partition.h"
#include "sqlite3.h"

namespace sitedata {
namespace {

using browsers::ProtectedSites;
using browsers::sqlite::Write;

std::string_view ValueText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

// A serialized origin or site ("https://keep.test:443"), or a bare host.
bool KeepsOrigin(const ProtectedSites& kept, std::string_view origin) {
  if (origin.find("://") == std::string_view::npos) return kept.Keeps(origin);
  const auto host = browsers::HostOfOrigin(origin);
  return host && kept.Keeps(*host);
}

// A top-level site: empty when the data is not partitioned.
bool KeepsSite(const ProtectedSites& kept, std::string_view site) {
  return site.empty() || KeepsOrigin(kept, site);
}

std::optional<std::string> Base64Decoded(std::string_view text) {
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  while (text.ends_with('=')) text.remove_suffix(1);
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const auto value = kAlphabet.find(c);
    if (value == std::string_view::npos) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(value);
    if ((count += 6) >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

std::uint32_t LittleEndian32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

// The top-level site as the network anonymization key holds it: base64 of
// a pickle (its payload's size, the text's length, the text padded to four
// bytes), or, written by older versions, the site's text itself. A pickle
// with more in it carries a nonce, which no store keeps: not read.
std::optional<std::string> SiteOfPickle(std::string_view serialized) {
  if (serialized.find("://") != std::string_view::npos) return std::string(serialized);
  const auto bytes = Base64Decoded(serialized);
  if (!bytes || bytes->size() < 8 || LittleEndian32(*bytes) != bytes->size() - 4)
    return std::nullopt;
  const std::uint32_t length = LittleEndian32(std::string_view(*bytes).substr(4));
  if (length > bytes->size() - 8 || bytes->size() - 8 != (length + 3) / 4 * 4) return std::nullopt;
  return bytes->substr(8, length);
}

// A network anonymization key as the store writes it, in JSON: "[]" when
// empty, else the top-level site first, then flags
// ("[\"GAAAABEAAABodHRwczovL2tlZXAudGVzdAAAAA==\",false,0]").
bool KeepsAnonymizationKey(const ProtectedSites& kept, std::string_view key) {
  if (key == "[]") return true;
  if (!key.starts_with("[\"")) return false;
  key.remove_prefix(2);
  const auto end = key.find('"');
  if (end == std::string_view::npos) return false;
  const std::string_view serialized = key.substr(0, end);
  // An escape inside is not a site the browser writes.
  if (serialized.empty() || serialized.find('\\') != std::string_view::npos) return false;
  const auto site = SiteOfPickle(serialized);
  return site && site->find("://") != std::string::npos && KeepsOrigin(kept, *site);
}

// Origins separated by a blank, as the Trust Tokens pairs are keyed
// ("https://issuer.test https://keep.test").
bool KeepsEachOrigin(const ProtectedSites& kept, std::string_view origins) {
  if (origins.empty()) return false;
  while (!origins.empty()) {
    const auto blank = origins.find(' ');
    if (!KeepsOrigin(kept, origins.substr(0, blank))) return false;
    origins = blank == std::string_view::npos ? std::string_view{} : origins.substr(blank + 1);
  }
  return true;
}

// Only the web's own schemes name sites: an extension's or a file's storage
// is no site's, and the user cannot protect it, so it stays.
bool IsWebScheme(std::string_view scheme) { return scheme == "http" || scheme == "https"; }

// A storage key: the origin, then "^" and one character for each part;
// "^0" is the top-level site of a partitioned key, "^6" the site that an
// opaque top-level one came from.
// Read as the plan reads the buckets' folders: a form it does not know is
// kept, and so is its folder.
bool KeepsStorageKey(const ProtectedSites& kept, std::string_view key) {
  const auto origin = FromStorageKey(key);
  return !origin || Keeps(kept, *origin);
}

// Firefox's origin key: the host reversed with a dot after it, then
// ":scheme:port" ("tset.peek.:https:443").
bool KeepsFirefoxOrigin(const ProtectedSites& kept, std::string_view origin_key,
                        std::string_view attributes) {
  const auto colon = origin_key.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  const std::string_view rest = origin_key.substr(colon + 1);
  if (!IsWebScheme(rest.substr(0, rest.find(':')))) return true;
  std::string host(origin_key.substr(0, colon));
  std::reverse(host.begin(), host.end());
  return !browsers::SiteOf(host).empty() &&
         browsers::KeepsPartitioned(kept, host, browsers::PartitionSiteOfAttributes(attributes));
}

template <bool (*keeps)(const ProtectedSites&, std::string_view)>
void OneArgument(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* kept = static_cast<const ProtectedSites*>(sqlite3_user_data(context));
  sqlite3_result_int(context, keeps(*kept, ValueText(values[0])) ? 1 : 0);
}

void FirefoxOrigin(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* kept = static_cast<const ProtectedSites*>(sqlite3_user_data(context));
  sqlite3_result_int(context,
                     KeepsFirefoxOrigin(*kept, ValueText(values[0]), ValueText(values[1])) ? 1 : 0);
}

// The functions every store's deletes may call, over the protected sites.
// One that could not be added fails the delete calling it as it is
// prepared, and the store is left as it was.
void AddFunctions(sqlite3* database, const ProtectedSites& kept) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
  auto* user = const_cast<ProtectedSites*>(&kept);
  const struct {
    const char* name;
    int arguments;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
  } functions[] = {
      {"keeps_origin", 1, OneArgument<KeepsOrigin>},
      {"keeps_site", 1, OneArgument<KeepsSite>},
      {"keeps_anonymization_key", 1, OneArgument<KeepsAnonymizationKey>},
      {"keeps_each_origin", 1, OneArgument<KeepsEachOrigin>},
      {"keeps_storage_key", 1, OneArgument<KeepsStorageKey>},
      {"keeps_firefox_origin", 2, FirefoxOrigin},
  };
  for (const auto& f : functions)
    sqlite3_create_function_v2(database, f.name, f.arguments, kFlags, user, f.function, nullptr,
                               nullptr, nullptr);
}

browsers::sqlite::RowsDeleted Wipe(const std::string& database, const ProtectedSites& kept,
                                   const std::vector<std::string>& tables,
                                   const std::vector<Write>& writes, const CopyAside& copy_aside,
                                   std::chrono::milliseconds allowed) {
  return browsers::sqlite::DeleteRows(
      database, tables,
      [&](sqlite3* opened) {
        AddFunctions(opened, kept);
        return writes;
      },
      copy_aside, allowed);
}

StoreWipe Rows(const browsers::sqlite::RowsDeleted& deleted) {
  return {deleted.state, deleted.rows};
}

}  // namespace

StoreWipe WipeReportingAndNel(const std::string& database, const ProtectedSites& kept,
                              const CopyAside& copy_aside, std::chrono::milliseconds allowed) {
  std::vector<Write> writes;
  const std::vector<std::string> tables{"nel_policies", "reporting_endpoints",
                                        "reporting_endpoint_groups"};
  for (const auto& table : tables)
    writes.push_back({"DELETE FROM " + table +
                      " WHERE NOT (keeps_origin(origin_host) AND keeps_anonymization_key(nik))"});
  return Rows(Wipe(database, kept, tables, writes, copy_aside, allowed));
}

StoreWipe WipeTrustTokens(const std::string& database, const ProtectedSites& kept,
                          const CopyAside& copy_aside, std::chrono::milliseconds allowed) {
  std::vector<Write> writes;
  const std::vector<std::string> tables{"trust_tokens_issuer_config",
                                        "trust_tokens_toplevel_config",
                                        "trust_tokens_issuer_toplevel_pair_config"};
  for (const auto& table : tables)
    writes.push_back({"DELETE FROM " + table + " WHERE NOT keeps_each_origin(key)"});
  return Rows(Wipe(database, kept, tables, writes, copy_aside, allowed));
}

StoreWipe WipeSharedDictionaries(const std::string& database, const ProtectedSites& kept,
                                 const CopyAside& copy_aside, std::chrono::milliseconds allowed) {
  // The store keeps the dictionaries' total size beside them, for its quota.
  return Rows(Wipe(database, kept, {"dictionaries", "meta"},
                   {{"DELETE FROM dictionaries WHERE NOT (keeps_origin(frame_origin) AND "
                     "keeps_site(top_frame_site) AND keeps_origin(host))"},
                    {"UPDATE meta SET value = (SELECT coalesce(sum(size), 0) FROM dictionaries) "
                     "WHERE key = 'total_dict_size'",
                     false}},
                   copy_aside, allowed));
}

BucketsWipe WipeQuotaBuckets(const std::string& database, const ProtectedSites& kept,
                             const CopyAside& copy_aside, std::chrono::milliseconds allowed) {
  auto deleted =
      Wipe(database, kept, {"buckets"},
           {{"DELETE FROM buckets WHERE NOT keeps_storage_key(storage_key) RETURNING id"}},
           copy_aside, allowed);
  std::sort(deleted.returned.begin(), deleted.returned.end());
  return {deleted.state, deleted.rows, std::move(deleted.returned)};
}

StoreWipe WipeFirefoxWebappsStore(const std::string& database, const ProtectedSites& kept,
                                  const CopyAside& copy_aside, std::chrono::milliseconds allowed) {
  return Rows(Wipe(
      database, kept, {"webappsstore2"},
      {{"DELETE FROM webappsstore2 WHERE NOT keeps_firefox_origin(originKey, originAttributes)"}},
      copy_aside, allowed));
}

}  // namespace sitedata
