// A store's wipe on real SQLite files: what is deleted, and each way a store
// is left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "browsers/cookie_database.h"
#include "sqlite3.h"

namespace {

using browsers::StoreState;
namespace fs = std::filesystem;

void Exec(sqlite3* db, const char* sql) {
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
}

class CookieDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
            .caches = {}};
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

TEST_F(CookieDatabaseTest, EachStoreThatCannotBeWipedIsLeftAsItWas) {
  const struct {
    const char* name;
    const char* sql;  // the database; empty: a file that is not SQLite
    browsers::Family family;
    std::function<void(sqlite3*)> meanwhile;  // another program's doing
    bool copy_works;
    StoreState state;
  } cases[] = {
      {"locked by its browser", kChromium, browsers::Family::kChromium,
       [](sqlite3* db) { Exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE"); }, true,
       StoreState::kBusy},
      {"copy failed", kChromium, browsers::Family::kChromium, nullptr, false,
       StoreState::kNotCopied},
      {"other table", "CREATE TABLE visits(url TEXT)", browsers::Family::kChromium, nullptr, true,
       StoreState::kNotAStore},
      {"no host column", "CREATE TABLE moz_cookies(name TEXT)", browsers::Family::kFirefox, nullptr,
       true, StoreState::kNotAStore},
      {"Chromium's table in Firefox's place", kChromium, browsers::Family::kFirefox, nullptr, true,
       StoreState::kNotAStore},
  };
  for (const auto& c : cases) {
    SetUp();
    const auto store = Make(c.sql, c.family);
    if (c.meanwhile) c.meanwhile(db_);
    const auto before = Hosts("SELECT * FROM cookies ORDER BY 1");
    const auto wiped = browsers::WipeStore(store, kept_, [&] { return c.copy_works; });
    EXPECT_EQ(wiped.state, c.state) << c.name;
    if (c.meanwhile) Exec(db_, "COMMIT");
    EXPECT_EQ(Hosts("SELECT * FROM cookies ORDER BY 1"), before) << c.name;
    sqlite3_close(db_);
    db_ = nullptr;
    TearDown();
  }
}

TEST_F(CookieDatabaseTest, AFileThatIsNotSqliteIsNeitherReadNorChangedNorMade) {
  browsers::Store store{.browser = "Edge",
                        .executable = "msedge.exe",
                        .profile = "Default",
                        .database = (folder_ / "Cookies").string(),
                        .family = browsers::Family::kChromium,
                        .caches = {}};
  const std::string garbage(4096, 'Z');
  std::ofstream(store.database, std::ios::binary) << garbage;
  EXPECT_EQ(browsers::ReadHosts(store).state, StoreState::kNotAStore);
  EXPECT_EQ(browsers::WipeStore(store, kept_, [] { return true; }).state, StoreState::kNotAStore);
  EXPECT_EQ(fs::file_size(store.database), garbage.size());
  store.database = (folder_ / "missing").string();
  EXPECT_EQ(browsers::ReadHosts(store).state, StoreState::kNotAStore);
  EXPECT_FALSE(fs::exists(store.database));
}

}  // namespace
