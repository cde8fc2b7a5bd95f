// The browsers' files that name sites, rewritten without the unprotected
// ones: HSTS in both browsers and Chromium's Network Persistent State.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sitedata/digest.h"
#include "sitedata/hsts.h"
#include "sitedata/network_state.h"

namespace {
using Json = nlohmann::ordered_json;

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
  std::string out;
  for (auto byte : digest) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

// Vectors from python3's hashlib and base64: sha256(b"").hexdigest(),
// sha256(b"a" * 200) (a tail that takes a second block), and
// base64.b64encode(sha256(b"\x04hsts\x07tracker\x04test\x00").digest()).
TEST(SiteDataFilesTest, HostHashIsChromiumsHashedName) {
  EXPECT_EQ(Hex(sitedata::Sha256("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(sitedata::Sha256(std::string(200, 'a'))),
            "c2a908d98f5df987ade41b5fce213067efbcc21ef2240212a41e54b5e7c28ae5");
  EXPECT_EQ(sitedata::Base64("a"), "YQ==");
  EXPECT_EQ(sitedata::Base64("ab"), "YWI=");
  EXPECT_EQ(sitedata::Base64("abc"), "YWJj");
  EXPECT_EQ(sitedata::HostHash("hsts.tracker.test"),
            "GMG5X/dQ9+QWJNZ3jpAasJ28PyGOJz3bbuDHMGCg204=");
  EXPECT_EQ(sitedata::HostHash("HSTS.Tracker.Test."), sitedata::HostHash("hsts.tracker.test"));
  EXPECT_EQ(sitedata::HostHash("keep.test"), "Jf+rlWwPIE6bARTPxEaIx6AbHjHCmTn80tUsbZ7kOPw=");
  EXPECT_EQ(sitedata::HostHash("a..test"), "");
  EXPECT_EQ(sitedata::HostHash(std::string(64, 'a') + ".test"), "");
  EXPECT_EQ(sitedata::HostHash(""), "");
}

TEST(SiteDataFilesTest, TransportSecurityKeepsOnlyTheKeptHosts) {
  const std::string keep = sitedata::HostHash("keep.test");
  const std::string tracker = sitedata::HostHash("hsts.tracker.test");
  Json file = {{"expect_ct", Json::array({{{"host", tracker}, {"nik", Json::array()}}})},
               {"sts", Json::array({{{"expiry", 1.8e9}, {"host", keep}, {"mode", "force-https"}},
                                    {{"expiry", 1.8e9}, {"host", tracker}, {"mode", "force-https"}},
                                    {{"mode", "force-https"}}})},
               {"version", 2}};
  const auto filtered = sitedata::FilterTransportSecurity(file.dump(), {"keep.test"});
  ASSERT_TRUE(filtered);
  EXPECT_EQ(filtered->removed, 2);
  file["expect_ct"] = Json::array();
  file["sts"].erase(1);
  EXPECT_EQ(filtered->content, file.dump());
  // Other versions and other files stay as they are.
  for (const char* text : {R"({"sts":[],"version":3})", R"({"sts":{},"version":2})",
                           R"({"sts":[]})", R"([1,2])", R"({"sts":[)"})
    EXPECT_EQ(sitedata::FilterTransportSecurity(text, {}), std::nullopt) << text;
}

constexpr std::size_t kSlot = 286;

// A slot as Firefox writes one: checksum, score, day, key, value.
std::string Slot(std::string_view key, std::uint16_t score = 3, std::uint16_t day = 20000) {
  std::string slot(kSlot, '\0');
  slot[2] = static_cast<char>(score >> 8), slot[3] = static_cast<char>(score);
  slot[4] = static_cast<char>(day >> 8), slot[5] = static_cast<char>(day);
  slot.replace(6, key.size(), key);
  constexpr std::string_view kValue = "1893456000000,1,0";  // expiry, state, subdomains
  slot.replace(6 + 256, kValue.size(), kValue);
  std::uint16_t sum = 0;
  for (std::size_t i = 2; i < kSlot; i += 2)
    sum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(slot[i]) << 8 |
                                      static_cast<unsigned char>(slot[i + 1]));
  slot[0] = static_cast<char>(sum >> 8), slot[1] = static_cast<char>(sum);
  return slot;
}

TEST(SiteDataFilesTest, SiteSecurityStateZeroesTheSlotsOfUnprotectedHosts) {
  const browsers::ProtectedSites kept({"keep.test"});
  const std::string keep = Slot("hsts.keep.test");
  const std::string keep_in_own_frame = Slot("hsts.keep.test^partitionKey=%28https%2Ckeep.test%29");
  const std::string in_tracker_frame =
      Slot("hsts.keep.test^partitionKey=%28https%2Ctracker.test%29");
  const std::string tracker = Slot("hsts.tracker.test");
  const std::string old_name = Slot("tracker.test:HSTS");
  const std::string unreadable = Slot("hsts.tracker.test^partitionKey=%28bad");
  const std::string scoreless = Slot("tracker.test", 0);
  const std::string empty(kSlot, '\0');
  const std::string file = keep + in_tracker_frame + empty + tracker + keep_in_own_frame +
                           old_name + unreadable + scoreless;
  const auto filtered = sitedata::FilterSiteSecurityState(file, kept);
  ASSERT_TRUE(filtered);
  EXPECT_EQ(filtered->removed, 3);
  EXPECT_EQ(filtered->content,
            keep + empty + empty + empty + keep_in_own_frame + empty + unreadable + scoreless);

  std::string broken = file;
  broken[kSlot + 40] ^= 1;  // a used slot's checksum fails: another layout
  EXPECT_EQ(sitedata::FilterSiteSecurityState(broken, kept), std::nullopt);
  EXPECT_EQ(sitedata::FilterSiteSecurityState(file.substr(0, file.size() - 2), kept), std::nullopt);
  const auto none = sitedata::FilterSiteSecurityState("", kept);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->removed, 0);
}

TEST(SiteDataFilesTest, NetworkStateDropsTheUnprotectedSitesEntries) {
  const browsers::ProtectedSites kept({"keep.test"});
  const Json none = Json::array();
  const Json in_tracker = Json::array({"https://tracker.test", true});
  const Json in_keep = Json::array({"https://keep.test", false});
  Json properties = {
      {"broken_alternative_services",
       Json::array({{{"anonymization", none}, {"broken_count", 1}, {"host", "keep.test"}},
                    {{"anonymization", none}, {"broken_count", 2}, {"host", "tracker.test"}},
                    {{"anonymization", in_tracker}, {"host", "www.keep.test"}}})},
      {"quic_servers",
       Json::array({{{"anonymization", none}, {"server_id", "https://keep.test:443/private"}},
                    {{"anonymization", none}, {"server_id", "https://cdn.tracker.test:443"}}})},
      {"servers", Json::array({{{"anonymization", in_keep},
                                {"server", "https://keep.test:443"},
                                {"supports_spdy", true}},
                               {{"anonymization", none}, {"server", "https://tracker.test:443"}},
                               {{"anonymization", in_tracker}, {"server", "https://keep.test"}},
                               {{"anonymization", none}, {"server", "not a server"}}})},
      {"supports_quic", {{"address", "127.0.0.1"}, {"used_quic", false}}},
      {"version", 5}};
  Json file = {{"net", {{"http_server_properties", properties}, {"network_qualities", {}}}}};
  const auto filtered = sitedata::FilterNetworkState(file.dump(), kept);
  ASSERT_TRUE(filtered);
  EXPECT_EQ(filtered->removed, 5);
  auto& expected = file["net"]["http_server_properties"];
  expected["broken_alternative_services"].erase(2);
  expected["broken_alternative_services"].erase(1);
  expected["quic_servers"].erase(1);
  expected["servers"].erase(2);
  expected["servers"].erase(1);
  EXPECT_EQ(filtered->content, file.dump());

  for (const char* text : {R"({"net":{"http_server_properties":{"servers":[],"version":4}}})",
                           R"({"net":{"http_server_properties":{"servers":{},"version":5}}})",
                           R"({"net":{}})", R"({"net":{"http_server_properties":)"})
    EXPECT_EQ(sitedata::FilterNetworkState(text, kept), std::nullopt) << text;
}

}  // namespace
