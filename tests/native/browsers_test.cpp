// Which cookie hosts a protected site keeps, and where the browsers' stores
// are found.
#include <gtest/gtest.h>

#include "browsers/browser_wipe.h"
#include "browsers/partition.h"
#include "browsers/sites.h"
#include "browsers/stores.h"
#include "fake_platform.h"
#include "platform/files.h"

namespace {
using fake::FakeSystem;

TEST(HostMatchTest, AProtectedSiteKeepsItselfAndItsSubdomainsOnly) {
  const browsers::ProtectedSites kept({"example.com", ".Shop.Example.org", "xn--bcher-kva.de"});
  const struct {
    const char* host;
    bool kept;
  } cases[] = {
      {"example.com", true},
      {".example.com", true},
      {"www.example.com", true},
      {"a.b.example.com", true},
      {"EXAMPLE.COM", true},
      {"badexample.com", false},
      {"example.com.evil.net", false},
      {"com", false},
      {"example.org", false},  // the parent of a protected site is not kept
      {"shop.example.org", true},
      {".cart.shop.example.org", true},
      {"xn--bcher-kva.de", true},
      {"www.xn--bcher-kva.de", true},
      {"bcher-kva.de", false},
      {"", false},
      {".", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kept.Keeps(c.host), c.kept) << c.host;
  EXPECT_FALSE(browsers::ProtectedSites({}).Keeps("example.com"));
  EXPECT_FALSE(browsers::ProtectedSites({"", "  "}).Keeps(""));
}

// nullopt: unreadable, so never taken for a protected site's partition.
TEST(PartitionTest, TheTopLevelSiteAsEachBrowserStoresIt) {
  using Site = std::optional<std::string>;
  const struct {
    const char* value;
    Site chromium;  // as cookies.top_frame_site_key
    Site firefox;   // as moz_cookies.originAttributes
  } cases[] = {
      {"", "", ""},
      {"https://tracker.test", "tracker.test", std::nullopt},
      {"https://Tracker.TEST:8443/", "tracker.test", std::nullopt},
      {"https://[::1]", "[::1]", std::nullopt},
      {"tracker.test", std::nullopt, std::nullopt},
      {"^partitionKey=%28https%2Ctracker.test%29", std::nullopt, "tracker.test"},
      {"^partitionKey=%28https%2Ctracker.test%2C8443%29", std::nullopt, "tracker.test"},
      {"^partitionKey=%28https%2Ctracker.test%2Cf%29", std::nullopt, "tracker.test"},
      {"^userContextId=2&partitionKey=%28https%2Ctracker.test%29", std::nullopt, "tracker.test"},
      {"^partitionKey=%28https%2C%5B%2B%2B1%5D%29", std::nullopt, "[::1]"},  // ":" stored as "+"
      {"^partitionKey=tracker.test", std::nullopt, "tracker.test"},          // keyed by base domain
      {"^userContextId=2", std::nullopt, ""},
      {"^privateBrowsingId=1&firstPartyDomain=tracker.test", std::nullopt, "tracker.test"},
      {"^firstPartyDomain=%28https%2Ctracker.test%29", std::nullopt, "tracker.test"},
      {"^partitionKey=%28https%29", std::nullopt, std::nullopt},
      {"^partitionKey=%28https%2Ctracker.test", std::nullopt, std::nullopt},
      {"^partitionKey=%2", std::nullopt, std::nullopt},
      {"^partitionKey=%28https%2C%20%29", std::nullopt, std::nullopt},
      {"userContextId=2", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(browsers::SiteOfTopFrameKey(c.value), c.chromium) << c.value;
    EXPECT_EQ(browsers::PartitionSiteOfAttributes(c.value), c.firefox) << c.value;
  }
  const browsers::ProtectedSites kept({"keep.test"});
  EXPECT_TRUE(browsers::KeepsPartitioned(kept, "www.keep.test", ""));
  EXPECT_TRUE(browsers::KeepsPartitioned(kept, ".keep.test", "keep.test"));
  EXPECT_FALSE(browsers::KeepsPartitioned(kept, "keep.test", "tracker.test"));
  EXPECT_FALSE(browsers::KeepsPartitioned(kept, "tracker.test", "keep.test"));
  EXPECT_FALSE(browsers::KeepsPartitioned(kept, "keep.test", std::nullopt));
}

TEST(FirefoxProfilesTest, ReadsTheProfileSectionsOnly) {
  constexpr char kHome[] = R"(C:\Users\u\AppData\Roaming\Mozilla\Firefox)";
  const struct {
    const char* ini;
    std::vector<std::string> folders;
  } cases[] = {
      {"\xEF\xBB\xBF[Install308046B0AF4A39CB]\r\nDefault=Profiles/x.default\r\n\r\n"
       "[Profile1]\r\nName=work\r\nIsRelative=0\r\nPath=D:\\Fox\\work\r\n\r\n"
       "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/x.default\r\n"
       "[General]\r\nStartWithLastProfile=1\r\nPath=elsewhere\r\n",
       {R"(D:\Fox\work)", std::string(kHome) + R"(\Profiles\x.default)"}},
      {"[Profile0]\nPath=Profiles/y\n[Profile1]\nPath=Profiles/y/\n",  // once, no IsRelative
       {std::string(kHome) + R"(\Profiles\y)"}},
      {"[Profile0]\nIsRelative=1\nPath=../../../../Windows\n", {}},  // not out of its folder
      {"[Profile0]\nIsRelative=0\nPath=Profiles/z\n", {}},           // absolute, but it is not
      {"[Profile0]\nName=no path\n", {}},
      {"", {}},
      {"\x00\xFF garbage = [ ]\n[Profile", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(browsers::FirefoxProfileFolders(c.ini, kHome), c.folders) << c.ini;
}

TEST(FindStoresTest, FindsEachProfileWithACookiesDatabaseAndItsCaches) {
  FakeSystem::Reset();
  auto& system = FakeSystem::Get();
  const std::string local = system.local_app_data, roaming = system.roaming_app_data;
  const auto folder = [&](const std::string& path) {
    system.attributes[path] = platform::files::kAttributeDirectory;
  };
  const auto file = [&](const std::string& path) {
    system.attributes[path] = platform::files::kAttributeNormal;
  };
  const std::string chrome = local + R"(\Google\Chrome\User Data)";
  for (const char* path :
       {"", "\\Default", "\\Default\\Network", "\\Default\\Cache", "\\Default\\Cache\\Cache_Data",
        "\\Default\\GPUCache", "\\Profile 1", "\\Crashpad", "\\Linked"})
    folder(chrome + path);
  system.attributes[chrome + "\\Linked"] |= platform::files::kAttributeReparsePoint;
  file(chrome + R"(\Default\Network\Cookies)");
  file(chrome + R"(\Profile 1\Cookies)");
  file(chrome + R"(\Linked\Cookies)");
  const std::string opera = R"(\Opera Software\Opera Stable)";
  folder(roaming + opera);
  folder(roaming + opera + R"(\Network)");  // its own network folder, not a profile
  file(roaming + opera + R"(\Network\Cookies)");
  folder(local + opera);
  folder(local + opera + R"(\Cache)");
  folder(local + opera + R"(\Cache\Cache_Data)");
  const std::string fox = roaming + R"(\Mozilla\Firefox)";
  system.files[fox + R"(\profiles.ini)"] = "[Profile0]\nPath=Profiles/a.default\n";
  file(fox + R"(\Profiles\a.default\cookies.sqlite)");
  folder(local + R"(\Mozilla\Firefox\Profiles\a.default\cache2)");

  const auto stores = browsers::FindStores(browsers::ShellUserFolders());
  std::vector<std::string> found;
  for (const auto& store : stores) {
    std::string line = store.browser + "|" + store.executable + "|" + store.profile + "|" +
                       store.database.substr(store.database.find("AppData"));
    for (const auto& cache : store.caches) line += "|" + cache.substr(cache.find("AppData"));
    found.push_back(line);
  }
  EXPECT_EQ(
      found,
      (std::vector<std::string>{
          R"(Chrome|chrome.exe|Default|AppData\Local\Google\Chrome\User Data\Default\Network\Cookies|AppData\Local\Google\Chrome\User Data\Default\Cache|AppData\Local\Google\Chrome\User Data\Default\GPUCache)",
          // A profile that is a link is found, to be named and left alone.
          R"(Chrome|chrome.exe|Linked|AppData\Local\Google\Chrome\User Data\Linked\Cookies)",
          R"(Chrome|chrome.exe|Profile 1|AppData\Local\Google\Chrome\User Data\Profile 1\Cookies)",
          R"(Opera|opera.exe|Opera Stable|AppData\Roaming\Opera Software\Opera Stable\Network\Cookies|AppData\Local\Opera Software\Opera Stable\Cache)",
          R"(Firefox|firefox.exe|a.default|AppData\Roaming\Mozilla\Firefox\Profiles\a.default\cookies.sqlite|AppData\Local\Mozilla\Firefox\Profiles\a.default\cache2)"}));
  EXPECT_EQ(browsers::BrowsersOf(stores), (std::vector<std::string>{"Chrome", "Opera", "Firefox"}));
}

TEST(BrowserWipeReportTest, OneMessageNamesTheBrowsersToCloseAndTheFilesLeftAlone) {
  using browsers::StoreState;
  using Left = std::vector<browsers::BrowserWipeReport::Left>;
  const struct {
    std::vector<std::string> to_close;
    Left left;
    const char* message;
  } cases[] = {
      {{}, {}, ""},
      {{"Chrome"},
       {},
       "The cookies of Chrome were left as they are because it is open. Close Chrome, then press "
       "Apply again."},
      {{"Chrome", "Edge", "Firefox"},
       {{StoreState::kNotAStore, R"(C:\a\Cookies)"}},
       "The cookies of Chrome, Edge and Firefox were left as they are because they are open. Close "
       "Chrome, Edge and Firefox, then press Apply again.\n\nThese files are not browser cookie "
       "databases that Maskfold knows, so they were left as they are:\nC:\\a\\Cookies"},
      // Each reason once, its databases in the stores' order.
      {{},
       {{StoreState::kNotCopied, "x"},
        {StoreState::kReadOnly, "r"},
        {StoreState::kNotCopied, "y"},
        {StoreState::kUnusual, "t"},
        {StoreState::kDamaged, "d"},
        {StoreState::kLink, "l"},
        {StoreState::kTimedOut, "s"}},
       "These cookie databases hold triggers or tables that no browser writes, so they were left "
       "as "
       "they are:\nt\n\nThese cookie databases are damaged (SQLite's check found errors in them), "
       "so they were left as they are:\nd\n\nThese cookie databases are read-only, so they were "
       "left as they are:\nr\n\nThese cookie databases are links to files elsewhere, so they were "
       "left as they are:\nl\n\nThese cookie databases took too long to clean, so they were left "
       "as they are:\ns\n\nThese cookie databases could not be copied to the recycle bin first (it "
       "may be turned off, full, or too small for them), so they were left as they are:\nx\ny"},
  };
  for (const auto& c : cases) {
    browsers::BrowserWipeReport report;
    report.to_close = c.to_close;
    report.left = c.left;
    EXPECT_EQ(report.Message().value_or(""), c.message);
  }
}

}  // namespace
