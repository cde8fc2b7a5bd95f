// The origins that the browsers name their site data by, read back from
// every form they write; anything else reads as nothing, so its data stays.
#include <gtest/gtest.h>

#include <string>

#include "sitedata/origins.h"

namespace {
using sitedata::Origin;

enum class Form { kIndexedDb, kFirefoxFolder, kStorageKey };

// "scheme host port top-level-site", or "" for nothing.
std::string Shown(const std::optional<Origin>& origin) {
  if (!origin) return "";
  return origin->scheme + " " + origin->host + " " + std::to_string(origin->port) + " " +
         origin->top_level_site;
}

std::optional<Origin> Read(Form form, std::string_view name) {
  switch (form) {
    case Form::kIndexedDb:
      return sitedata::FromChromiumIndexedDbFolder(name);
    case Form::kFirefoxFolder:
      return sitedata::FromFirefoxFolder(name);
    case Form::kStorageKey:
      return sitedata::FromStorageKey(name);
  }
  return std::nullopt;
}

TEST(SiteDataNamesTest, EachBrowsersNameGivesItsOrigin) {
  constexpr auto kIdb = Form::kIndexedDb, kFx = Form::kFirefoxFolder, kKey = Form::kStorageKey;
  const struct {
    Form form;
    std::string_view name;
    std::string_view origin;
  } cases[] = {
      // Chromium's IndexedDB folders: the default port as 0, IPv6 with '_'.
      {kIdb, "https_keep.test_0.indexeddb.leveldb", "https keep.test 0 "},
      {kIdb, "http_keep.test_28180.indexeddb.leveldb", "http keep.test 28180 "},
      {kIdb, "https_Tracker.Test_443.indexeddb.blob", "https tracker.test 443 "},
      {kIdb, "http_[__1]_8080.indexeddb.leveldb", "http [::1] 8080 "},
      {kIdb, "http_[2001_db8__1]_0.indexeddb.blob", "http [2001:db8::1] 0 "},
      {kIdb, "http_127.0.0.1_8000.indexeddb.leveldb", "http 127.0.0.1 8000 "},
      {kIdb, "https_keep.test_0", ""},  // no suffix
      {kIdb, "chrome-extension_abcdef_0.indexeddb.leveldb", ""},
      {kIdb, "file__0.indexeddb.leveldb", ""},
      {kIdb, "https_keep.test_65536.indexeddb.leveldb", ""},
      {kIdb, "https_keep.test_x1.indexeddb.leveldb", ""},
      {kIdb, "https__443.indexeddb.leveldb", ""},
      {kIdb, "https_keep..test_443.indexeddb.leveldb", ""},
      {kIdb, "https_[zz__1]_443.indexeddb.leveldb", ""},
      {kIdb, "https_443.indexeddb.leveldb", ""},
      // Firefox's origin folders: ':' and '/' as '+', the default port left out.
      {kFx, "https+++keep.test", "https keep.test 0 "},
      {kFx, "http+++keep.test+28180", "http keep.test 28180 "},
      {kFx, "https+++hsts.keep.test+28143", "https hsts.keep.test 28143 "},
      {kFx, "http+++[++1]+8080", "http [::1] 8080 "},
      {kFx, "http+++[2001+db8++1]", "http [2001:db8::1] 0 "},
      {kFx, "https+++keep.test+28143^partitionKey=%28https%2Ctracker.test%29",
       "https keep.test 28143 tracker.test"},
      {kFx, "https+++keep.test^userContextId=2&partitionKey=%28http%2Ctracker.test%2C8080%29",
       "https keep.test 0 tracker.test"},
      {kFx, "https+++keep.test^partitionKey=%28https%2Ctracker.test%2Cf%29",
       "https keep.test 0 tracker.test"},
      {kFx, "http+++keep.test^partitionKey=%28http%2C%5B%2B%2B1%5D%2C8080%29",
       "http keep.test 0 [::1]"},
      {kFx, "https+++keep.test^privateBrowsingId=1", "https keep.test 0 "},
      {kFx, "https+++keep.test^firstPartyDomain=tracker.test", "https keep.test 0 tracker.test"},
      {kFx, "moz-extension+++0b1c2d3e-aaaa-bbbb-cccc-0123456789ab", ""},
      {kFx, "file++++home+user+page.html", ""},
      {kFx, "https+++keep.test+", ""},
      {kFx, "https+++keep.test+99999", ""},
      {kFx, "https+++keep.test^partitionKey=%28https%29", ""},
      // The partition key is read as the cookies' is: its site decides.
      {kFx, "https+++keep.test^partitionKey=%28ftp%2Ctracker.test%29",
       "https keep.test 0 tracker.test"},
      {kFx, "https+++keep.test^partitionKey=%28https%2Ctracker.test%2C0%29",
       "https keep.test 0 tracker.test"},
      {kFx, "https+++keep.test^partitionKey=%28https%2Ctracker.test", ""},
      {kFx, "https+++keep.test^partitionKey=%2", ""},
      {kFx, "https+++keep.test^unknownAttribute=1", "https keep.test 0 "},
      {kFx, "https+++keep.test^partitionKey", ""},
      {kFx, "chrome", ""},
      // Chromium's storage keys, with and without the trailing slash.
      {kKey, "https://keep.test:28143", "https keep.test 28143 "},
      {kKey, "http://keep.test:28180/", "http keep.test 28180 "},
      {kKey, "https://keep.test/", "https keep.test 0 "},
      {kKey, "https://keep.test:28143/^0https://tracker.test",
       "https keep.test 28143 tracker.test"},
      {kKey, "https://keep.test/^0https://tracker.test^31", "https keep.test 0 tracker.test"},
      {kKey, "http://[::1]:8080/^0http://[::2]", "http [::1] 8080 [::2]"},
      {kKey, "https://keep.test/^31", "https keep.test 0 "},
      {kKey, "https://keep.test/^112345^267890", "https keep.test 0 "},
      {kKey, "https://keep.test/^4123^5456^6https://tracker.test",
       "https keep.test 0 tracker.test"},
      {kKey, "https://keep.test/^0", ""},
      {kKey, "https://keep.test/^0^31", ""},
      {kKey, "https://keep.test/^32", ""},
      {kKey, "https://keep.test/^9x", ""},
      {kKey, "https://keep.test/^0chrome://settings", ""},
      {kKey, "https://keep.test/^1x^2y", ""},
      {kKey, "chrome-extension://abcdef/", ""},
      {kKey, "https://keep.test:/", ""},
      {kKey, "https://keep.test/path", ""},
      {kKey, "keep.test", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(Read(c.form, c.name)), c.origin) << c.name;
}

TEST(SiteDataNamesTest, KeptOnlyWhenHostAndTopLevelSiteAreProtected) {
  const browsers::ProtectedSites kept({"keep.test"});
  EXPECT_TRUE(sitedata::Keeps(kept, {"https", "www.keep.test", 0, ""}));
  EXPECT_TRUE(sitedata::Keeps(kept, {"https", "keep.test", 443, "a.keep.test"}));
  EXPECT_FALSE(sitedata::Keeps(kept, {"https", "keep.test", 443, "tracker.test"}));
  EXPECT_FALSE(sitedata::Keeps(kept, {"https", "tracker.test", 443, "keep.test"}));
  EXPECT_FALSE(sitedata::Keeps(kept, {"https", "notkeep.test", 0, ""}));
}

std::string BigEndian32(std::size_t n) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((n >> shift) & 0xff);
  return out;
}

// As the quota manager writes it: header, suffix, group, origin, a byte.
std::string Metadata(std::string_view suffix, std::string_view group, std::string_view origin) {
  std::string out("\x00\x00\x01\x8c\x12\x34\x56\x78\x00\x00\x00\x00\x03\x00\x00\x00\x00", 17);
  for (auto text : {suffix, group, origin}) out += BigEndian32(text.size()) + std::string(text);
  return out + '\0';
}

TEST(SiteDataNamesTest, FirefoxMetadataNamesTheOriginWithItsSuffix) {
  constexpr std::string_view kSuffix = "^partitionKey=%28https%2Ctracker.test%29";
  std::string partitioned = "https://keep.test:28143";
  partitioned += kSuffix;
  EXPECT_EQ(Shown(sitedata::FromFirefoxMetadata(Metadata(kSuffix, "keep.test", partitioned))),
            "https keep.test 28143 tracker.test");
  EXPECT_EQ(Shown(sitedata::FromFirefoxMetadata(Metadata("", "keep.test", "http://[::1]:80"))),
            "http [::1] 80 ");
  // ESR 153 writes 20 more bytes after the closing one.
  EXPECT_EQ(Shown(sitedata::FromFirefoxMetadata(Metadata("", "keep.test", "https://keep.test") +
                                                std::string("\xab\xcd\x12\x34", 4) +
                                                std::string(16, '\0'))),
            "https keep.test 0 ");
  // The suffix and the origin's own disagree; cut short; no closing byte.
  EXPECT_EQ(sitedata::FromFirefoxMetadata(Metadata("", "keep.test", partitioned)), std::nullopt);
  const std::string whole = Metadata("", "keep.test", "https://keep.test");
  for (std::size_t cut : {std::size_t{3}, std::size_t{20}, whole.size() - 5, whole.size() - 1})
    EXPECT_EQ(sitedata::FromFirefoxMetadata(whole.substr(0, cut)), std::nullopt) << cut;
  std::string lying = whole;
  lying[17 + 3] = '\x7f';  // a suffix longer than the file
  EXPECT_EQ(sitedata::FromFirefoxMetadata(lying), std::nullopt);
}

std::string Field(int number, std::string_view text) {
  std::string out(1, static_cast<char>(number << 3 | 2));
  out += static_cast<char>(text.size());
  return out + std::string(text);
}

// A partitioned index (as Chromium 156 wrote one here) holds the frame's
// origin and, after it, the storage key that partitions it.
TEST(SiteDataNamesTest, CacheStorageIndexNamesItsStorageKeyOrOrigin) {
  const std::string cache = Field(1, Field(1, "v1") + Field(2, "0a1b"));
  const std::string bucket("\x20\x07\x28\x01", 4);  // bucket_id 7, default bucket
  EXPECT_EQ(Shown(sitedata::FromCacheStorageIndex(cache + Field(2, "https://keep.test:28143/"))),
            "https keep.test 28143 ");
  EXPECT_EQ(Shown(sitedata::FromCacheStorageIndex(
                cache + Field(2, "https://keep.test/") +
                Field(3, "https://keep.test/^0https://tracker.test") + bucket)),
            "https keep.test 0 tracker.test");
  EXPECT_EQ(sitedata::FromCacheStorageIndex(cache + bucket), std::nullopt);
  EXPECT_EQ(sitedata::FromCacheStorageIndex(Field(2, "https://keep.test/").substr(0, 10)),
            std::nullopt);
  EXPECT_EQ(sitedata::FromCacheStorageIndex(std::string("\x0f", 1)), std::nullopt);
}

}  // namespace
