// The site-data stores beside the cookies, on real SQLite files made with
// the schemas the browsers write: which rows go, and each store left as it
// was when its shape is not its browser's or its copy fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fake_platform.h"
#include "sitedata/sqlite_stores.h"
#include "sqlite3.h"

namespace {

using browsers::StoreState;
namespace fs = std::filesystem;

// As Chromium 156 writes them (".schema" of its own files).
constexpr char kMeta[] =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);";
constexpr char kReportingAndNel[] =
    "CREATE TABLE nel_policies (  nik TEXT NOT NULL,  origin_scheme TEXT NOT NULL,  origin_host "
    "TEXT NOT NULL,  origin_port INTEGER NOT NULL,  received_ip_address TEXT NOT NULL,  "
    "group_name TEXT NOT NULL,  expires_us_since_epoch INTEGER NOT NULL,  success_fraction REAL "
    "NOT NULL,  failure_fraction REAL NOT NULL,  is_include_subdomains INTEGER NOT NULL,  "
    "last_access_us_since_epoch INTEGER NOT NULL,  UNIQUE (origin_scheme, origin_host, "
    "origin_port, nik));"
    "CREATE TABLE reporting_endpoints (  nik TEXT NOT NULL,  origin_scheme TEXT NOT NULL,  "
    "origin_host TEXT NOT NULL,  origin_port INTEGER NOT NULL,  group_name TEXT NOT NULL,  url "
    "TEXT NOT NULL,  priority INTEGER NOT NULL,  weight INTEGER NOT NULL,  UNIQUE (origin_scheme, "
    "origin_host, origin_port, group_name, url, nik));"
    "CREATE TABLE reporting_endpoint_groups (  nik TEXT NOT NULL,  origin_scheme TEXT NOT NULL,  "
    "origin_host TEXT NOT NULL,  origin_port INTEGER NOT NULL,  group_name TEXT NOT NULL,  "
    "is_include_subdomains INTEGER NOT NULL,  expires_us_since_epoch INTEGER NOT NULL,  "
    "last_access_us_since_epoch INTEGER NOT NULL,  UNIQUE (origin_scheme, origin_host, "
    "origin_port, group_name, nik));";
constexpr char kTrustTokens[] =
    "CREATE TABLE trust_tokens_issuer_config ( key TEXT, proto BLOB, PRIMARY KEY(key));"
    "CREATE TABLE trust_tokens_toplevel_config ( key TEXT, proto BLOB, PRIMARY KEY(key));"
    "CREATE TABLE trust_tokens_issuer_toplevel_pair_config ( key TEXT, proto BLOB, PRIMARY "
    "KEY(key));";
constexpr char kSharedDictionary[] =
    "CREATE TABLE dictionaries(primary_key INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,"
    "frame_origin TEXT NOT NULL,top_frame_site TEXT NOT NULL,host TEXT NOT NULL,match TEXT NOT "
    "NULL,match_dest TEXT NOT NULL,id TEXT NOT NULL,url TEXT NOT NULL,last_fetch_time INTEGER NOT "
    "NULL,res_time INTEGER NOT NULL,exp_time INTEGER NOT NULL,last_used_time INTEGER NOT "
    "NULL,size INTEGER NOT NULL,sha256 BLOB NOT NULL,token_high INTEGER NOT NULL,token_low "
    "INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX unique_index ON dictionaries(frame_origin,top_frame_site,host,match,"
    "match_dest);"
    "CREATE INDEX top_frame_site_index ON dictionaries(top_frame_site);";
constexpr char kQuotaManager[] =
    "CREATE TABLE buckets(id INTEGER PRIMARY KEY AUTOINCREMENT, storage_key TEXT NOT NULL, host "
    "TEXT NOT NULL, name TEXT NOT NULL, use_count INTEGER NOT NULL, last_accessed INTEGER NOT "
    "NULL, last_modified INTEGER NOT NULL, expiration INTEGER NOT NULL, quota INTEGER NOT NULL, "
    "persistent INTEGER NOT NULL, durability INTEGER NOT NULL) STRICT;"
    "CREATE UNIQUE INDEX buckets_by_storage_key ON buckets(storage_key, name);"
    "CREATE INDEX buckets_by_host ON buckets(host);";
// Firefox's, from its storage code.
constexpr char kWebappsStore[] =
    "CREATE TABLE webappsstore2 (originAttributes TEXT, originKey TEXT, scope TEXT, key TEXT, "
    "value TEXT);"
    "CREATE UNIQUE INDEX origin_key_index ON webappsstore2(originAttributes, originKey, key);";

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SiteDataStoresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::FakeSystem::Reset();
    path_ =
        (fs::temp_directory_path() /
         ("maskfold-sitedata-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
            .string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }
  void Make(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }
  // The rows of a query, each as its columns joined by "|".
  std::vector<std::string> Rows(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    std::vector<std::string> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = sqlite3_column_text(statement, i);
        row += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
      }
      rows.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
  }

  std::string path_;
  const browsers::ProtectedSites kept_{{"keep.test"}};
};

using Wipe = std::function<sitedata::StoreWipe(const std::string&, const browsers::ProtectedSites&,
                                               const sitedata::CopyAside&)>;

Wipe Plain(sitedata::StoreWipe (*wipe)(const std::string&, const browsers::ProtectedSites&,
                                       const sitedata::CopyAside&, std::chrono::milliseconds)) {
  return [wipe](const std::string& path, const browsers::ProtectedSites& kept,
                const sitedata::CopyAside& copy) {
    return wipe(path, kept, copy, browsers::kStoreDeadline);
  };
}

Wipe Buckets() {
  return [](const std::string& path, const browsers::ProtectedSites& kept,
            const sitedata::CopyAside& copy) {
    const auto wiped = sitedata::WipeQuotaBuckets(path, kept, copy);
    return sitedata::StoreWipe{wiped.state, wiped.deleted};
  };
}

struct StoreCase {
  const char* name;
  Wipe wipe;
  std::string schema;
  std::string rows;   // INSERTs
  const char* query;  // what is left, one column
  std::vector<std::string> remaining;
};

std::vector<StoreCase> Stores() {
  return {
      {"Reporting and NEL",
       Plain(sitedata::WipeReportingAndNel),
       std::string(kMeta) + kReportingAndNel,
       // The top-level site as Chromium 156 wrote it (base64 of a pickle);
       // older versions wrote the site itself.
       "INSERT INTO nel_policies VALUES"
       "('[]','https','keep.test',443,'127.0.0.1','g',0,1,1,1,0),"
       "('[\"GAAAABEAAABodHRwczovL2tlZXAudGVzdAAAAA==\",false,0]','https','www.keep.test',443,"
       "'','k2',0,1,1,1,0),"
       "('[\"https://keep.test\",false]','https','keep.test',8443,'','k3',0,1,1,1,0),"
       "('[\"GAAAABQAAABodHRwczovL3RyYWNrZXIudGVzdA==\",true,0]','https','keep.test',443,'',"
       "'x1',0,1,1,1,0),"
       "('[]','https','tracker.test',443,'','x2',0,1,1,1,0),"
       "('[\"https:\\\\/\\\\/keep.test\",false]','https','keep.test',8443,'','x3',0,1,1,1,0),"
       // With a nonce after the site: a transient key, never the browser's.
       "('[\"HAAAABEAAABodHRwczovL2tlZXAudGVzdAAAAAEAAAA=\",false,0]','https','keep.test',80,'',"
       "'x6',0,1,1,1,0),"
       "('[\"GAAAABEAAABodHRwczovL2tlZXAudGVzdAAAA\",false,0]','https','keep.test',81,'','x7',0,"
       "1,1,1,0);"
       "INSERT INTO reporting_endpoints VALUES"
       "('[]','https','keep.test',443,'e1','https://tracker.test/r',1,1),"
       "('[\"GAAAABQAAABodHRwczovL3RyYWNrZXIudGVzdA==\",false,0]','https','keep.test',443,'x4',"
       "'https://keep.test/',1,1);"
       "INSERT INTO reporting_endpoint_groups VALUES('[]','https','tracker.test',443,'x5',1,0,0),"
       "('[]','https','keep.test',443,'g2',1,0,0)",
       "SELECT group_name FROM nel_policies UNION ALL SELECT group_name FROM reporting_endpoints "
       "UNION ALL SELECT group_name FROM reporting_endpoint_groups",
       {"g", "k2", "k3", "e1", "g2"}},
      {"Trust Tokens",
       Plain(sitedata::WipeTrustTokens),
       std::string(kMeta) + kTrustTokens,
       "INSERT INTO trust_tokens_issuer_config VALUES('https://issuer.keep.test','i1'),"
       "('https://issuer.test','x1');"
       "INSERT INTO trust_tokens_toplevel_config VALUES('https://keep.test','t1'),"
       "('https://tracker.test','x2');"
       "INSERT INTO trust_tokens_issuer_toplevel_pair_config VALUES"
       "('https://issuer.keep.test https://www.keep.test','p1'),"
       "('https://issuer.test https://keep.test','x3'),"
       "('https://issuer.keep.test https://tracker.test','x4'),('','x5')",
       "SELECT proto FROM trust_tokens_issuer_config UNION ALL SELECT proto FROM "
       "trust_tokens_toplevel_config UNION ALL SELECT proto FROM "
       "trust_tokens_issuer_toplevel_pair_config",
       {"i1", "t1", "p1"}},
      {"Shared Dictionary",
       Plain(sitedata::WipeSharedDictionaries),
       std::string(kMeta) + kSharedDictionary +
           "INSERT INTO meta VALUES('version','4'),('total_dict_size','600');",
       "INSERT INTO dictionaries(frame_origin,top_frame_site,host,match,match_dest,id,url,"
       "last_fetch_time,res_time,exp_time,last_used_time,size,sha256,token_high,token_low) VALUES"
       "('https://keep.test:28443','https://keep.test','https://keep.test:28443','/*','','',"
       "'k1',0,0,0,0,100,x'00',1,1),"
       "('https://www.keep.test','https://keep.test','https://cdn.keep.test','/a','','','k2',0,0,"
       "0,0,200,x'00',2,2),"
       "('https://keep.test','https://tracker.test','https://keep.test','/b','','','x1',0,0,0,0,"
       "100,x'00',3,3),"
       "('https://tracker.test','https://keep.test','https://keep.test','/c','','','x2',0,0,0,0,"
       "100,x'00',4,4),"
       "('https://keep.test','https://keep.test','https://tracker.test','/d','','','x3',0,0,0,0,"
       "100,x'00',5,5)",
       "SELECT url FROM dictionaries UNION ALL SELECT value FROM meta WHERE key = "
       "'total_dict_size'",
       {"k1", "k2", "300"}},
      {"QuotaManager",
       Buckets(),
       std::string(kMeta) + kQuotaManager,
       "INSERT INTO buckets VALUES(1,'https://tracker.test:28443/','tracker.test','_default',0,0,"
       "0,0,0,0,0),"
       "(2,'https://keep.test:28443/^0https://tracker.test','keep.test','_default',0,0,0,0,0,0,0),"
       "(3,'https://keep.test:28443/','keep.test','_default',0,0,0,0,0,0,0),"
       "(4,'https://www.keep.test/^0https://keep.test^31','www.keep.test','_default',0,0,0,0,0,0,"
       "0),"
       "(5,'chrome-extension://abcdefghijklmnop/','abcdefghijklmnop','_default',0,0,0,0,0,0,0),"
       "(6,'https://keep.test/^112345^267890','keep.test','_default',0,0,0,0,0,0,0),"
       "(7,'https://keep.test/^412345^567890^6https://tracker.test','keep.test','_default',0,0,0,"
       "0,0,0,0)",
       "SELECT id FROM buckets ORDER BY id",
       {"3", "4", "5", "6"}},
      {"webappsstore.sqlite",
       Plain(sitedata::WipeFirefoxWebappsStore),
       kWebappsStore,
       "INSERT INTO webappsstore2 VALUES('','tset.peek.:https:443','','k1',''),"
       "('^userContextId=1','tset.peek.www.:http:80','','k2',''),"
       "('^partitionKey=%28https%2Ckeep.test%29','tset.peek.:https:443','','k3',''),"
       "('^partitionKey=%28https%2Ctracker.test%29','tset.peek.:https:443','','x1',''),"
       "('','tset.rekcart.:https:443','','x2',''),"
       "('','tset.peekdab.:https:443','','x3',''),"
       "('','dlrow.olleh.:moz-extension:','','e1','')",
       "SELECT key FROM webappsstore2 ORDER BY rowid",
       {"k1", "k2", "k3", "e1"}},
  };
}

TEST_F(SiteDataStoresTest, EachStoreLosesTheRowsOfUnprotectedSitesOnly) {
  for (const auto& c : Stores()) {
    SetUp();
    Make(c.schema + c.rows);
    const std::size_t before = Rows(c.query).size();
    bool copied = false;
    const auto wiped = c.wipe(path_, kept_, [&] {
      copied = true;
      return true;
    });
    EXPECT_TRUE(copied) << c.name;
    EXPECT_EQ(wiped.state, StoreState::kDone) << c.name;
    EXPECT_EQ(Rows(c.query), c.remaining) << c.name;
    // Shared Dictionary's total size is a row of its own, updated, not deleted.
    EXPECT_EQ(wiped.deleted, before - c.remaining.size()) << c.name;
    TearDown();
  }
}

TEST_F(SiteDataStoresTest, TheBucketsDeletedAreNamedForTheirFolders) {
  Make(std::string(kMeta) + kQuotaManager +
       "INSERT INTO buckets VALUES(9,'https://tracker.test/','tracker.test','_default',0,0,0,0,0,"
       "0,0),(3,'https://keep.test/','keep.test','_default',0,0,0,0,0,0,0),"
       "(12,'https://keep.test/^0https://tracker.test','keep.test','_default',0,0,0,0,0,0,0)");
  const auto wiped = sitedata::WipeQuotaBuckets(path_, kept_, [] { return true; });
  EXPECT_EQ(wiped.state, StoreState::kDone);
  EXPECT_EQ(wiped.deleted, 2u);
  EXPECT_EQ(wiped.bucket_ids, (std::vector<std::int64_t>{9, 12}));
  const auto refused =
      sitedata::WipeQuotaBuckets(path_, browsers::ProtectedSites({}), [] { return false; });
  EXPECT_EQ(refused.state, StoreState::kNotCopied);
  EXPECT_TRUE(refused.bucket_ids.empty());
  EXPECT_EQ(Rows("SELECT id FROM buckets"), (std::vector<std::string>{"3"}));
}

// A store whose copy fails, or whose shape is not its browser's, keeps every
// byte.
TEST_F(SiteDataStoresTest, AStoreOfAnUnknownShapeOrWithoutItsCopyIsLeftAsItWas) {
  const struct {
    const char* change;  // made to each store's own schema
    bool copy_works;
    StoreState state;
  } ways[] = {
      {"", false, StoreState::kNotCopied},
      {"CREATE TABLE other(x);CREATE TRIGGER t AFTER INSERT ON other BEGIN SELECT 1; END;", true,
       StoreState::kUnusual},
      {"DROP TABLE %1;", true, StoreState::kNotAStore},
      {"ALTER TABLE %1 RENAME TO renamed;CREATE VIEW %1 AS SELECT * FROM renamed;", true,
       StoreState::kNotAStore},
  };
  for (const auto& c : Stores()) {
    // The first table the query reads.
    const std::string query = c.query;
    const std::string after = query.substr(query.find("FROM ") + 5);
    const std::string first = after.substr(0, after.find(' '));
    for (const auto& way : ways) {
      SetUp();
      std::string change = way.change;
      for (auto at = change.find("%1"); at != std::string::npos; at = change.find("%1"))
        change.replace(at, 2, first);
      Make(c.schema + c.rows + ";" + change);
      const std::string before = Bytes(path_);
      bool copied = false;
      const auto wiped = c.wipe(path_, browsers::ProtectedSites({}), [&] {
        copied = true;
        return way.copy_works;
      });
      EXPECT_EQ(wiped.state, way.state) << c.name << ": " << way.change;
      EXPECT_EQ(wiped.deleted, 0u) << c.name << ": " << way.change;
      EXPECT_EQ(copied, way.state == StoreState::kNotCopied) << c.name << ": " << way.change;
      EXPECT_EQ(Bytes(path_), before) << c.name << ": " << way.change;
      TearDown();
    }
  }
}

}  // namespace
