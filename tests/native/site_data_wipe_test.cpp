// Which parts of a profile the site-data wipe takes, and that a profile
// changes only once its copy is in the recycle bin.
#include <gtest/gtest.h>

#include <algorithm>

#include "browsers/sites.h"
#include "browsers/stores.h"
#include "fake_platform.h"
#include "platform/files.h"
#include "sitedata/profile_parts.h"
#include "sitedata/site_data_wipe.h"

namespace {
using fake::FakeSystem;
namespace files = platform::files;

constexpr char kChrome[] = R"(C:\Users\user\AppData\Local\Google\Chrome\User Data\Default)";
constexpr char kFirefox[] = R"(C:\Users\user\AppData\Roaming\Mozilla\Firefox\Profiles\a.default)";

// A CacheStorage index naming its storage key, as Chromium writes it.
std::string CacheIndex(const std::string& key) {
  std::string index = "\x0a";
  index += '\0';
  index += '\x1a';
  index += static_cast<char>(key.size());
  return index + key;
}

class SiteDataWipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    for (const char* profile : {kChrome, kFirefox}) {
      std::string path = profile;
      for (auto slash = path.find('\\', 3); slash != std::string::npos;
           slash = path.find('\\', slash + 1))
        Folder(path.substr(0, slash));
      Folder(path);
    }
  }
  static void Folder(const std::string& path,
                     std::uint32_t attributes = files::kAttributeDirectory) {
    FakeSystem::Get().attributes[path] = attributes;
  }
  static void File(const std::string& path, const std::string& bytes = "data") {
    FakeSystem::Get().attributes[path] = files::kAttributeNormal;
    FakeSystem::Get().files[path] = bytes;
  }
  static browsers::Store Chrome() {
    return {.browser = "Chrome",
            .executable = "chrome.exe",
            .profile = "Default",
            .database = std::string(kChrome) + R"(\Network\Cookies)",
            .family = browsers::Family::kChromium,
            .caches = {},
            .folder = kChrome};
  }
  static browsers::Store Firefox() {
    return {.browser = "Firefox",
            .executable = "firefox.exe",
            .profile = "a.default",
            .database = std::string(kFirefox) + R"(\cookies.sqlite)",
            .family = browsers::Family::kFirefox,
            .caches = {},
            .folder = kFirefox};
  }
};

TEST_F(SiteDataWipeTest, APlanTakesTheFoldersOfUnprotectedOriginsAndPartitionsOnly) {
  enum What { kKept, kRemoved, kLinked };
  const struct {
    const char* profile;
    const char* relative;
    const char* index;  // a CacheStorage folder's index.txt; nullptr for none
    What what;
  } cases[] = {
      {kChrome, R"(IndexedDB\https_keep.test_0.indexeddb.leveldb)", nullptr, kKept},
      {kChrome, R"(IndexedDB\http_www.keep.test_8080.indexeddb.leveldb)", nullptr, kKept},
      {kChrome, R"(IndexedDB\https_tracker.test_0.indexeddb.leveldb)", nullptr, kRemoved},
      {kChrome, R"(IndexedDB\https_tracker.test_0.indexeddb.blob)", nullptr, kRemoved},
      {kChrome, R"(IndexedDB\https_notkeep.test_0.indexeddb.leveldb)", nullptr, kRemoved},
      {kChrome, R"(IndexedDB\http_[__1]_8080.indexeddb.leveldb)", nullptr, kRemoved},
      // No site's: an extension's, or a name no browser gives.
      {kChrome, R"(IndexedDB\chrome-extension_abcdef_0.indexeddb.leveldb)", nullptr, kKept},
      {kChrome, R"(IndexedDB\not an origin)", nullptr, kKept},
      {kChrome, R"(Service Worker\CacheStorage\aa)", "https://tracker.test/", kRemoved},
      {kChrome, R"(Service Worker\CacheStorage\bb)", "https://keep.test/^0https://tracker.test",
       kRemoved},
      {kChrome, R"(Service Worker\CacheStorage\cc)", "https://keep.test/", kKept},
      {kChrome, R"(Service Worker\CacheStorage\dd)", nullptr, kKept},
      {kFirefox, R"(storage\default\https+++keep.test)", nullptr, kKept},
      {kFirefox, R"(storage\default\https+++tracker.test+8443)", nullptr, kRemoved},
      {kFirefox, R"(storage\default\https+++keep.test^partitionKey=%28https%2Ctracker.test%29)",
       nullptr, kRemoved},
      {kFirefox, R"(storage\default\https+++www.keep.test^partitionKey=%28https%2Ckeep.test%29)",
       nullptr, kKept},
      {kFirefox, R"(storage\default\moz-extension+++0a1b)", nullptr, kKept},
  };
  for (const char* folder :
       {R"(\IndexedDB)", R"(\Service Worker)", R"(\Service Worker\CacheStorage)"})
    Folder(kChrome + std::string(folder));
  Folder(kFirefox + std::string(R"(\storage)"));
  Folder(kFirefox + std::string(R"(\storage\default)"));
  for (const auto& c : cases) {
    const std::string path = c.profile + std::string("\\") + c.relative;
    Folder(path);
    if (c.index) File(path + R"(\index.txt)", CacheIndex(c.index));
  }
  // A link, and an origin's folder with a link inside: never followed or removed.
  Folder(kChrome + std::string(R"(\IndexedDB\https_ads.test_0.indexeddb.leveldb)"),
         files::kAttributeDirectory | files::kAttributeReparsePoint);
  Folder(kChrome + std::string(R"(\IndexedDB\https_more.test_0.indexeddb.leveldb)"));
  Folder(kChrome + std::string(R"(\IndexedDB\https_more.test_0.indexeddb.leveldb\000003.log)"),
         files::kAttributeReparsePoint);
  Folder(kChrome + std::string(R"(\Session Storage)"));

  const browsers::ProtectedSites kept({"keep.test"});
  std::vector<std::string> removed, linked;
  for (const auto& store : {Chrome(), Firefox()}) {
    const sitedata::Plan plan = sitedata::PlanProfile(store, kept);
    for (const auto& part : plan.parts)
      if (part.action == sitedata::Action::kRemove) removed.push_back(part.relative);
    linked.insert(linked.end(), plan.linked.begin(), plan.linked.end());
  }
  for (const auto& c : cases) {
    const bool is_removed = std::find(removed.begin(), removed.end(), c.relative) != removed.end();
    EXPECT_EQ(is_removed, c.what == kRemoved) << c.relative;
  }
  EXPECT_NE(std::find(removed.begin(), removed.end(), "Session Storage"), removed.end())
      << "it only restores tabs";
  EXPECT_EQ(linked, (std::vector<std::string>{R"(IndexedDB\https_ads.test_0.indexeddb.leveldb)",
                                              R"(IndexedDB\https_more.test_0.indexeddb.leveldb)"}));
}

TEST_F(SiteDataWipeTest, AProfileChangesOnlyOnceItsCopyIsInTheRecycleBin) {
  const std::string tracker =
      kChrome + std::string(R"(\IndexedDB\https_tracker.test_0.indexeddb.leveldb)");
  Folder(kChrome + std::string(R"(\IndexedDB)"));
  Folder(tracker);
  File(tracker + R"(\000003.log)");
  const browsers::ProtectedSites kept({"keep.test"});

  FakeSystem::Get().running_programs = {"CHROME.EXE"};
  auto report = sitedata::WipeSiteData({Chrome()}, kept);
  EXPECT_EQ(report.to_close, std::vector<std::string>{"Chrome"});
  EXPECT_TRUE(FakeSystem::Get().file_operations.empty());

  FakeSystem::Get().running_programs.clear();
  FakeSystem::Get().recycle_bin_takes = false;
  report = sitedata::WipeSiteData({Chrome()}, kept);
  EXPECT_EQ(report.not_copied, std::vector<std::string>{kChrome});
  EXPECT_TRUE(files::Exists(tracker + R"(\000003.log)")) << "nothing removed";
  ASSERT_TRUE(report.Message());
  EXPECT_NE(report.Message()->find("could not be copied to the recycle bin"), std::string::npos);

  FakeSystem::Get().recycle_bin_takes = true;
  FakeSystem::Get().file_operations.clear();
  report = sitedata::WipeSiteData({Chrome(), Chrome()}, kept);
  EXPECT_FALSE(files::Exists(tracker));
  EXPECT_EQ(report.sites, std::vector<std::string>{"tracker.test"});
  EXPECT_EQ(report.cleaned, std::vector<std::string>{"Chrome"});
  EXPECT_EQ(report.Message(), std::nullopt) << "the status line counts it";
  report.to_close = {"Firefox"};
  EXPECT_EQ(report.Message()->substr(0, 74),
            "The site data of 1 site was cleared; what it held is in the Recycle Bin.\n\n");
  ASSERT_EQ(FakeSystem::Get().file_operations.size(), 1u) << "one profile, one copy";
  EXPECT_NE(FakeSystem::Get().file_operations[0].find(
                R"(\Site data of Chrome, Default, before Maskfold 2026-12-07 14.03|)"),
            std::string::npos)
      << FakeSystem::Get().file_operations[0];
  EXPECT_FALSE(files::Exists(R"(C:\Temp\Maskfold data 42-0)"));
}

}  // namespace
