// A store's wipe on real SQLite files: what is deleted, and each way a store
// is left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "browsers/browser_wipe.h"
#include "browsers/cookie_database.h"
#include "fake_platform.h"
#include "platform/files.h"
#include "sqlite3.h"

namespace {

using browsers::StoreState;
namespace fs = std::filesystem;
namespace files = platform::files;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Exec(sqlite3* db, const char* sql) {
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
}

class CookieDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::FakeSystem::Reset();
    folder_ =
        fs::temp_directory_path() /
        ("maskfold-cookies-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (db_) sqlite3_close(db_);
    fs::remove_all(folder_);
  }
  // A database made with the statements, left open in db_.
  browsers::Store Make(const char* sql, browsers::Family family = browsers::Family::kChromium) {
    const std::string path = (folder_ / "Cookies").string();
    sqlite3_open(path.c_str(), &db_);
    Exec(db_, sql);
    return {.browser = "Chrome",
            .executable = "chrome.exe",
            .profile = "Default",
            .database = path,
            .family = family,
            .caches = {},
            .folder = folder_.string()};
  }
  std::vector<std::string> Hosts(const char* sql) {
    std::vector<std::string> hosts;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
      hosts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return hosts;
  }

  fs::path folder_;
  sqlite3* db_ = nullptr;
  const browsers::ProtectedSites kept_{{"example.com"}};
};

constexpr char kChromium[] =
    "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL);"
    "INSERT INTO cookies VALUES('.example.com','a'),('www.example.com','b'),"
    "('badexample.com','c'),('.tracker.net','d')";

TEST_F(CookieDatabaseTest, DeletesWhatNoProtectedSiteKeepsAfterTheCopy) {
  const auto store = Make(kChromium);
  bool copied = false;
  const auto wiped = browsers::WipeStore(store, kept_, [&] {
    copied = true;
    return true;
  });
  EXPECT_TRUE(copied);
  EXPECT_EQ(wiped.state, StoreState::kDone);
  EXPECT_EQ(wiped.deleted, 2u);
  EXPECT_EQ(Hosts("SELECT host_key FROM cookies ORDER BY 1"),
            (std::vector<std::string>{".example.com", "www.example.com"}));
  EXPECT_EQ(browsers::ReadHosts(store).hosts,
            (std::vector<std::string>{".example.com", "www.example.com"}));
}

// A partitioned cookie stays only when its host and its top-level site are
// both protected; the store names both sites.
TEST_F(CookieDatabaseTest, APartitionedCookieGoesWithItsTopLevelSite) {
  const struct {
    const char* name;
    browsers::Family family;
    const char* sql;
    const char* remaining;  // the cookies' names, in order
    std::vector<std::string> hosts;
  } cases[] = {
      {"Chromium",
       browsers::Family::kChromium,
       "CREATE TABLE cookies(host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL, "
       "name TEXT NOT NULL);"
       "INSERT INTO cookies VALUES('.example.com','','a'),"
       "('www.example.com','https://example.com','b'),"
       "('.example.com','https://tracker.net','c'),"
       "('.tracker.net','https://example.com','d'),"
       "('example.com','https:tracker','e')",
       "a b",
       {".example.com", "example.com", "www.example.com", ".tracker.net", "tracker.net"}},
      {"Chromium before partitions",
       browsers::Family::kChromium,
       "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL);"
       "INSERT INTO cookies VALUES('.example.com','a'),('.tracker.net','d')",
       "a",
       {".example.com", ".tracker.net"}},
      {"Firefox",
       browsers::Family::kFirefox,
       "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT "
       "'', name TEXT, value TEXT, host TEXT);"
       "INSERT INTO moz_cookies(originAttributes, name, host) VALUES('','a','.example.com'),"
       "('^userContextId=1&partitionKey=%28https%2Cexample.com%2C8443%29','b','www.example.com'),"
       "('^partitionKey=%28https%2Ctracker.net%29','c','.example.com'),"
       "('^userContextId=1','d','example.com'),"
       "('^partitionKey=%28https','e','example.com')",
       "a b d",
       {".example.com", "www.example.com", "example.com", "tracker.net"}},
  };
  for (const auto& c : cases) {
    SetUp();
    const auto store = Make(c.sql, c.family);
    std::vector<std::string> hosts = browsers::ReadHosts(store).hosts;
    std::sort(hosts.begin(), hosts.end());
    std::vector<std::string> expected = c.hosts;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(hosts, expected) << c.name;
    EXPECT_EQ(browsers::WipeStore(store, kept_, [] { return true; }).state, StoreState::kDone)
        << c.name;
    std::string remaining;
    for (const auto& name :
         Hosts(c.family == browsers::Family::kChromium ? "SELECT name FROM cookies ORDER BY 1"
                                                       : "SELECT name FROM moz_cookies ORDER BY 1"))
      remaining += (remaining.empty() ? "" : " ") + name;
    EXPECT_EQ(remaining, c.remaining) << c.name;
    TearDown();
  }
}

TEST_F(CookieDatabaseTest, EachStoreThatCannotBeWipedIsLeftAsItWas) {
  // A page of the meta table, made garbage after the cookies were written.
  const auto damage_meta = [](sqlite3*& db, const std::string& path) {
    sqlite3_close(db);
    db = nullptr;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(2 * 4096 + 8);
    file << std::string(64, '\x7F');
    file.close();
    sqlite3_open(path.c_str(), &db);
  };
  const auto attributes = [](std::uint32_t value) {
    return [value](sqlite3*&, const std::string& path) {
      fake::FakeSystem::Get().attributes[path] = value;
    };
  };
  constexpr char kWithMeta[] =
      "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL);"
      "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
      "INSERT INTO meta VALUES('version','24'),('last_compatible_version','24');"
      "INSERT INTO cookies VALUES('.example.com','a'),('.tracker.net','d')";
  const struct {
    const char* name;
    std::string sql;  // the database
    browsers::Family family;
    std::function<void(sqlite3*&, const std::string&)> meanwhile;  // another program's doing
    bool copy_works;
    StoreState state;
  } cases[] = {
      {"locked by its browser", kChromium, browsers::Family::kChromium,
       [](sqlite3*& db, const std::string&) {
         Exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE");
       },
       true, StoreState::kBusy},
      {"copy failed", kChromium, browsers::Family::kChromium, nullptr, false,
       StoreState::kNotCopied},
      {"other table", "CREATE TABLE visits(url TEXT)", browsers::Family::kChromium, nullptr, true,
       StoreState::kNotAStore},
      {"no host column", "CREATE TABLE moz_cookies(name TEXT)", browsers::Family::kFirefox, nullptr,
       true, StoreState::kNotAStore},
      {"Chromium's table in Firefox's place", kChromium, browsers::Family::kFirefox, nullptr, true,
       StoreState::kNotAStore},
      // A delete here would report success and keep every cookie.
      {"a trigger putting the rows back",
       std::string(kChromium) + ";CREATE TRIGGER back AFTER DELETE ON cookies BEGIN "
                                "INSERT INTO cookies VALUES(old.host_key, old.name); END",
       browsers::Family::kChromium, nullptr, true, StoreState::kUnusual},
      // A delete here would never end.
      {"a trigger that never ends",
       std::string(kChromium) +
           ";CREATE TRIGGER forever BEFORE DELETE ON cookies BEGIN "
           "SELECT count(*) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
           "SELECT i FROM n); END",
       browsers::Family::kChromium, nullptr, true, StoreState::kUnusual},
      {"a trigger on another table",
       std::string(kChromium) +
           ";CREATE TABLE other(x);CREATE TRIGGER t AFTER INSERT ON other BEGIN SELECT 1; END",
       browsers::Family::kChromium, nullptr, true, StoreState::kUnusual},
      {"a view in the table's place",
       "CREATE TABLE real_cookies(host TEXT);INSERT INTO real_cookies VALUES('.tracker.net');"
       "CREATE VIEW moz_cookies AS SELECT host FROM real_cookies",
       browsers::Family::kFirefox, nullptr, true, StoreState::kNotAStore},
      {"a damaged page", kWithMeta, browsers::Family::kChromium, damage_meta, true,
       StoreState::kDamaged},
      {"read-only", kChromium, browsers::Family::kChromium, attributes(files::kAttributeReadOnly),
       true, StoreState::kReadOnly},
      {"a link", kChromium, browsers::Family::kChromium, attributes(files::kAttributeReparsePoint),
       true, StoreState::kLink},
  };
  for (const auto& c : cases) {
    SetUp();
    const auto store = Make(c.sql.c_str(), c.family);
    if (c.meanwhile) c.meanwhile(db_, store.database);
    const std::string before = Bytes(store.database);
    bool copied = false;
    const auto wiped = browsers::WipeStore(store, kept_, [&] {
      copied = true;
      return c.copy_works;
    });
    EXPECT_EQ(wiped.state, c.state) << c.name;
    EXPECT_EQ(copied, c.state == StoreState::kNotCopied) << c.name;
    if (c.state == StoreState::kBusy) Exec(db_, "COMMIT");
    EXPECT_EQ(Bytes(store.database), before) << c.name;
    EXPECT_FALSE(fs::exists(store.database + "-journal")) << c.name;
    sqlite3_close(db_);
    db_ = nullptr;
    TearDown();
  }
}

TEST_F(CookieDatabaseTest, AStoreWhoseWorkOutlastsTheDeadlineIsRolledBack) {
  const auto store = Make(
      "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
      "INSERT INTO cookies SELECT 'tracker' || i || '.net', 'c' FROM n");
  sqlite3_close(db_);
  db_ = nullptr;
  const std::string before = Bytes(store.database);
  const auto started = std::chrono::steady_clock::now();
  const auto wiped = browsers::WipeStore(
      store, kept_, [] { return true; }, std::chrono::milliseconds(1));
  EXPECT_EQ(wiped.state, StoreState::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(Bytes(store.database), before);
  EXPECT_EQ(browsers::ReadHosts(store, std::chrono::milliseconds(1)).state, StoreState::kTimedOut);
  // Given the time, the same store is wiped.
  EXPECT_EQ(browsers::WipeStore(store, kept_, [] { return true; }).deleted, 200000u);
}

TEST_F(CookieDatabaseTest, AFileThatIsNotSqliteIsNeitherReadNorChangedNorMade) {
  browsers::Store store{.browser = "Edge",
                        .executable = "msedge.exe",
                        .profile = "Default",
                        .database = (folder_ / "Cookies").string(),
                        .family = browsers::Family::kChromium,
                        .caches = {},
                        .folder = folder_.string()};
  const std::string garbage(4096, 'Z');
  std::ofstream(store.database, std::ios::binary) << garbage;
  EXPECT_EQ(browsers::ReadHosts(store).state, StoreState::kNotAStore);
  EXPECT_EQ(browsers::WipeStore(store, kept_, [] { return true; }).state, StoreState::kNotAStore);
  EXPECT_EQ(fs::file_size(store.database), garbage.size());
  store.database = (folder_ / "missing").string();
  EXPECT_EQ(browsers::ReadHosts(store).state, StoreState::kNotAStore);
  EXPECT_FALSE(fs::exists(store.database));
}

// The shell deletes for good, without a word, what the recycle bin cannot
// take: only a copy the bin counted lets the store change.
TEST_F(CookieDatabaseTest, AStoreChangesOnlyOnceTheRecycleBinHoldsItsCopy) {
  for (const bool bin_takes : {true, false}) {
    SetUp();
    const auto store = Make(kChromium);
    sqlite3_close(db_);
    db_ = nullptr;
    auto& system = fake::FakeSystem::Get();
    system.files[store.database] = "the store's bytes, as the fake copies them";
    system.recycle_bin_takes = bin_takes;
    const std::string before = Bytes(store.database);
    const auto report = browsers::WipeBrowsers({store}, kept_);
    const std::string where = bin_takes ? "bin takes it" : "bin refuses it";
    EXPECT_EQ(system.recycle_bin_items, bin_takes ? 1u : 0u) << where;
    for (const auto& [path, bytes] : system.files)
      EXPECT_NE(path.rfind(R"(C:\Temp\)", 0), 0u) << path << " left behind; " << where;
    if (bin_takes) {
      EXPECT_EQ(report.cookies_deleted, 2u);
      EXPECT_FALSE(report.Message()) << *report.Message();
    } else {
      EXPECT_EQ(report.cookies_deleted, 0u);
      EXPECT_EQ(Bytes(store.database), before);
      ASSERT_TRUE(report.Message());
      EXPECT_NE(report.Message()->find("could not be copied to the recycle bin first"),
                std::string::npos)
          << *report.Message();
    }
    TearDown();
  }
}

TEST(LeftoverCopiesTest, OnlyTheCopyFoldersOfEarlierRunsGo) {
  fake::FakeSystem::Reset();
  auto& system = fake::FakeSystem::Get();
  constexpr std::uint32_t kFolder = files::kAttributeDirectory;
  system.attributes = {{R"(C:\Temp\Maskfold copy 42-4200-0)", kFolder},
                       {R"(C:\Temp\Maskfold copy 42-4200-0\Cookies of Chrome.sqlite)", 0x20},
                       {R"(C:\Temp\Maskfold copy link)", kFolder | files::kAttributeReparsePoint},
                       {R"(C:\Temp\Other)", kFolder}};
  system.files[R"(C:\Temp\Maskfold copy 42-4200-0\Cookies of Chrome.sqlite)"] = "copy";
  browsers::RemoveLeftoverCopies();
  EXPECT_FALSE(
      system.files.contains(R"(C:\Temp\Maskfold copy 42-4200-0\Cookies of Chrome.sqlite)"));
  EXPECT_FALSE(system.attributes.contains(R"(C:\Temp\Maskfold copy 42-4200-0)"));
  EXPECT_TRUE(system.attributes.contains(R"(C:\Temp\Maskfold copy link)"))
      << "a link is never followed";
  EXPECT_TRUE(system.attributes.contains(R"(C:\Temp\Other)"));
}

}  // namespace
