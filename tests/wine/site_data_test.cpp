// Apply on profiles that the real Chromium and Firefox wrote (the fixtures
// of tests/wine/data/site_data, made by tests/tools/make_site_data_fixtures.py),
// at the Windows paths, with keep.test protected: every item of
// expected.json that stays is there byte for byte, every other one is gone,
// and each profile's copy is in the recycle bin.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "browser_stores.h"
#include "driver.h"
#include "leveldb/db.h"
#include "sqlite3.h"

namespace {

using Json = nlohmann::json;

std::string Fixtures() {
  const char* folder = std::getenv("MASKFOLD_SITE_DATA");
  if (!folder) throw std::runtime_error("MASKFOLD_SITE_DATA is not set");
  return folder;
}

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

void CopyFolder(const std::string& from, const std::string& to) {
  driver::MakeFolders(to);
  WIN32_FIND_DATAA found;
  const HANDLE search = ::FindFirstFileA((from + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyFolder(from + "\\" + name, to + "\\" + name);
    else
      ::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

// Every key and value of a LevelDB, read from a copy so that the store
// itself is left as it is; nothing when LevelDB will not open it.
std::optional<std::map<std::string, std::string>> LevelDbEntries(const std::string& folder) {
  static int copies = 0;
  const std::string copy = R"(C:\leveldb-read-)" + std::to_string(++copies);
  CopyFolder(folder, copy);
  leveldb::Options options;
  options.paranoid_checks = true;
  leveldb::DB* opened = nullptr;
  if (!leveldb::DB::Open(options, copy, &opened).ok()) return std::nullopt;
  const std::unique_ptr<leveldb::DB> db(opened);
  std::map<std::string, std::string> entries;
  const std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
  for (it->SeekToFirst(); it->Valid(); it->Next())
    entries[it->key().ToString()] = it->value().ToString();
  return entries;
}

// Every row of a query, its columns' bytes joined by a unit separator.
std::vector<std::string> Rows(const std::string& database, const std::string& query) {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, i));
        if (i) row += '\x1f';
        row.append(bytes ? bytes : "",
                   static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

bool Contains(const std::vector<std::string>& rows, const std::string& part) {
  for (const auto& row : rows)
    if (row.find(part) != std::string::npos) return true;
  return false;
}

// The Local Storage keys of one storage key and name.
bool HasLocalStorage(const std::map<std::string, std::string>& entries, const std::string& key,
                     const std::string& name) {
  std::string prefix = "_" + key;
  prefix += '\0';
  for (const auto& [stored, value] : entries)
    if (stored.starts_with(prefix) && stored.find(name) != std::string::npos) return true;
  return false;
}

class SiteDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    expected_ = Json::parse(driver::ReadFileBytes(Fixtures() + "/expected.json"));
    const std::string cookies = driver::UseCookiesFolder();
    driver::WriteFileBytes(cookies + R"(\Jar\Protected sites.lst)", "keep.test\r\n");
    chrome_ = driver::LocalAppData() + R"(\Google\Chrome\User Data)";
    firefox_ = driver::RoamingAppData() + R"(\Mozilla\Firefox)";
    CopyFolder(Backslashed(Fixtures() + "/chromium"), chrome_);
    CopyFolder(Backslashed(Fixtures() + "/firefox"), firefox_);
    // What the wipe never touches, beside what it does.
    for (const char* name : {"Login Data", "Web Data", "History", "Bookmarks"})
      driver::WriteFileBytes(chrome_ + "\\Default\\" + name, std::string("the user's ") + name);
    driver::WriteFileBytes(FirefoxProfile() + "\\logins.json", "{\"logins\":[]}");
  }

  std::string FirefoxProfile() const { return firefox_ + R"(\Profiles\sitedata.default-release)"; }
  std::string Root(const std::string& browser) const {
    return browser == "chromium" ? chrome_ : firefox_;
  }
  std::string PathOf(const std::string& browser, const Json& item) const {
    return Root(browser) + "\\" + Backslashed(item["path"].get<std::string>());
  }

  Json expected_;
  std::string chrome_, firefox_;
};

TEST_F(SiteDataTest, ApplyRemovesExactlyTheUnprotectedSitesData) {
  const std::string local_storage = chrome_ + R"(\Default\Local Storage\leveldb)";
  const auto stored_before = LevelDbEntries(local_storage);
  ASSERT_TRUE(stored_before) << "the fixture's Local Storage opens";
  const std::string chrome_cookies = chrome_ + R"(\Default\Network\Cookies)";
  const std::string firefox_cookies = FirefoxProfile() + R"(\cookies.sqlite)";
  const auto chrome_rows_before = Rows(chrome_cookies, "SELECT * FROM cookies");
  const auto firefox_rows_before = Rows(firefox_cookies, "SELECT * FROM moz_cookies");
  const std::string service_workers =
      driver::ReadFileBytes(chrome_ + R"(\Default\Service Worker\Database\000003.log)");
  const std::string hsts_before =
      driver::ReadFileBytes(FirefoxProfile() + R"(\SiteSecurityServiceState.bin)");
  driver::EmptyTrash();

  driver::Program program(driver::InstallProgram("Maskfold Site Data"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  for (const auto& told : program.Dialogs()) ADD_FAILURE() << "told: " << told;

  const auto stored = LevelDbEntries(local_storage);
  ASSERT_TRUE(stored) << "Local Storage still opens cleanly";
  const auto chrome_rows = Rows(chrome_cookies, "SELECT * FROM cookies");
  const auto firefox_rows = Rows(firefox_cookies, "SELECT * FROM moz_cookies");
  const std::string transport =
      driver::ReadFileBytes(chrome_ + R"(\Default\Network\TransportSecurity)");
  const std::string hsts =
      driver::ReadFileBytes(FirefoxProfile() + R"(\SiteSecurityServiceState.bin)");
  const auto buckets =
      Rows(chrome_ + R"(\Default\WebStorage\QuotaManager)", "SELECT id, storage_key FROM buckets");
  for (const std::string browser : {"chromium", "firefox"}) {
    for (const Json& item : expected_[browser]["items"]) {
      const std::string kind = item["kind"], key = item["key"];
      const bool stays = item["stays"];
      const std::string what = browser + " " + kind + " " + key;
      const std::string path = PathOf(browser, item);
      if (kind == "cookie") {
        const auto& before = browser == "chromium" ? chrome_rows_before : firefox_rows_before;
        const auto& after = browser == "chromium" ? chrome_rows : firefox_rows;
        for (const auto& row : before) {
          if (row.find('\x1f' + key + '\x1f') == std::string::npos ||
              row.find(item["host_key"].get<std::string>()) == std::string::npos)
            continue;
          EXPECT_EQ(std::find(after.begin(), after.end(), row) != after.end(), stays) << what;
        }
      } else if (kind == "localStorage" && browser == "chromium") {
        EXPECT_EQ(HasLocalStorage(*stored, item["storage_key"], key), stays) << what;
      } else if (kind == "HSTS host" && browser == "chromium") {
        EXPECT_EQ(transport.find(key) != std::string::npos, stays) << what << "\n" << transport;
      } else if (kind == "HSTS host") {
        const std::size_t slot = item["slot"];
        const bool used = hsts.size() > slot * 286 + 286 &&
                          hsts.substr(slot * 286, 286) != std::string(286, '\0');
        EXPECT_EQ(used, stays) << what;
        if (stays) {
          EXPECT_EQ(hsts.substr(slot * 286, 286), hsts_before.substr(slot * 286, 286));
        }
      } else if (kind == "WebStorage bucket") {
        EXPECT_EQ(Contains(buckets, item["storage_key"].get<std::string>()), stays) << what;
      } else if (kind == "sessionStorage namespace") {
        EXPECT_FALSE(driver::PathExists(path)) << "Session Storage goes whole";
      } else if (kind == "service worker registration") {
        // The registrations' database is kept whole; the caches go.
        EXPECT_TRUE(driver::PathExists(path)) << what;
      } else {
        EXPECT_EQ(driver::PathExists(path), stays) << what << " at " << path;
      }
    }
  }
  // Every kept Local Storage key, byte for byte.
  for (const auto& [stored_key, value] : *stored_before) {
    const auto after = stored->find(stored_key);
    if (after != stored->end()) {
      EXPECT_EQ(after->second, value);
    }
  }
  EXPECT_EQ(driver::ReadFileBytes(chrome_ + R"(\Default\Service Worker\Database\000003.log)"),
            service_workers);
  for (const char* name : {"Login Data", "Web Data", "History", "Bookmarks"})
    EXPECT_EQ(driver::ReadFileBytes(chrome_ + "\\Default\\" + name),
              std::string("the user's ") + name);
  EXPECT_EQ(driver::ReadFileBytes(FirefoxProfile() + "\\logins.json"), "{\"logins\":[]}");
  EXPECT_EQ(driver::FolderEntries(chrome_ + R"(\Default\Cache)"),
            (std::vector<std::string>{".", ".."}));

  // One copy per profile in the bin, named for what it is, holding what went.
  std::set<std::string> copies;
  for (const auto& name : driver::FolderEntries(driver::TrashFolder())) {
    if (!name.starts_with("Site data of ")) continue;
    copies.insert(name.substr(0, name.find(", before")));
    const std::string copy = driver::TrashFolder() + "\\" + name;
    if (name.starts_with("Site data of Chrome"))
      EXPECT_TRUE(driver::PathExists(
          copy + R"(\IndexedDB\https_tracker.test_28143.indexeddb.leveldb\CURRENT)"));
    else
      EXPECT_TRUE(driver::PathExists(copy +
                                     R"(\storage\default\https+++tracker.test+28143)"
                                     R"(^partitionKey=%28https%2Ckeep.test%29\.metadata-v2)"));
  }
  EXPECT_EQ(copies, (std::set<std::string>{"Site data of Chrome, Default",
                                           "Site data of Firefox, sitedata.default-release"}));
}

TEST_F(SiteDataTest, AStoreLevelDbWillNotOpenIsLeftAloneAndNamed) {
  const std::string local_storage = chrome_ + R"(\Default\Local Storage\leveldb)";
  driver::WriteFileBytes(local_storage + "\\CURRENT", "MANIFEST-999999\n");
  const std::string log = driver::ReadFileBytes(local_storage + "\\000003.log");
  driver::Program program(driver::InstallProgram("Maskfold Site Data Damaged"));
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  ASSERT_FALSE(program.Dialogs().empty());
  EXPECT_NE(program.Dialogs().back().find(local_storage), std::string::npos)
      << program.Dialogs().back();
  EXPECT_EQ(driver::ReadFileBytes(local_storage + "\\CURRENT"), "MANIFEST-999999\n");
  EXPECT_EQ(driver::ReadFileBytes(local_storage + "\\000003.log"), log);
  // The rest of the profile is still wiped.
  EXPECT_FALSE(driver::PathExists(
      chrome_ + R"(\Default\IndexedDB\https_tracker.test_28143.indexeddb.leveldb)"));
}

// The recycle bin cannot take the profile's item (here its folder is a
// file): whatever the shell does with it, asked or not, no origin's data is
// lost without its copy, and the user is told.
TEST_F(SiteDataTest, NothingGoesWhenTheRecycleBinCannotTakeTheProfilesItem) {
  driver::EmptyTrash();
  const std::string bin = driver::TrashFolder();
  ASSERT_TRUE(::RemoveDirectoryA(bin.c_str()));
  driver::WriteFileBytes(bin, "not a folder");
  const std::string tracker =
      chrome_ + R"(\Default\IndexedDB\https_tracker.test_28143.indexeddb.leveldb)";
  const std::string log = driver::ReadFileBytes(tracker + "\\000003.log");
  std::string told;
  {
    driver::Program program(driver::InstallProgram("Maskfold Site Data No Bin"));
    ASSERT_TRUE(program.WaitForMainWindow());
    // A question about deleting for good is answered No.
    program.AnswerDialogs({"No", "No", "No", "No", "OK"});
    program.ApplyAndWait(driver::LoopbackProxy());
    ASSERT_FALSE(program.Dialogs().empty());
    told = program.Dialogs().back();
  }
  ::DeleteFileA(bin.c_str());
  ::CreateDirectoryA(bin.c_str(), nullptr);
  EXPECT_NE(told.find("could not be copied to the recycle bin first"), std::string::npos) << told;
  EXPECT_NE(told.find(chrome_ + "\\Default"), std::string::npos) << told;
  EXPECT_EQ(driver::ReadFileBytes(tracker + "\\000003.log"), log) << "the moved folder came back";
  EXPECT_TRUE(
      driver::PathExists(FirefoxProfile() + R"(\storage\default\https+++tracker.test+28143)"));
}

}  // namespace
