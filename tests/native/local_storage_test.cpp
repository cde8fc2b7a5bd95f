// Chromium's Local Storage keys, and their wipe on real LevelDB databases
// written here: what goes, what stays byte for byte, and each folder left as
// it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "leveldb/db.h"
#include "leveldb/write_batch.h"
#include "sitedata/local_storage.h"

namespace {

using sitedata::LocalStorageState;
namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;
using Files = std::map<std::string, std::string>;

TEST(LocalStorageKeysTest, StorageKeyAndTheFormItIsJudgedIn) {
  using namespace std::string_literals;
  const std::optional<std::string> none;
  struct Case {
    std::string entry;
    std::optional<std::string> storage_key;
    std::optional<std::string> judged;
  } cases[] = {
      {"VERSION", none, none},
      {"META:https://keep.test:28143", "https://keep.test:28143", "https://keep.test:28143"},
      {"METAACCESS:http://keep.test", "http://keep.test", "http://keep.test"},
      {"_https://keep.test\0\x01name"s, "https://keep.test", "https://keep.test"},
      {"_https://[::1]:8080\0\x01"s, "https://[::1]:8080", "https://[::1]:8080"},
      // An item's name may hold anything, a NUL or "^0" too.
      {"_https://a.test\0\x01^0x\0y"s, "https://a.test", "https://a.test"},
      {"_https://a.test"s, none, none},  // no separator: not an item
      {"META:", "", none},
      {"Meta:https://a.test", none, none},
      // Partitioned under another top-level site: asked whole.
      {"META:https://keep.test:28143/^0https://tracker.test",
       "https://keep.test:28143/^0https://tracker.test",
       "https://keep.test:28143/^0https://tracker.test"},
      {"_https://a.test/^0https://b.test\0\x01k"s, "https://a.test/^0https://b.test",
       "https://a.test/^0https://b.test"},
      // Top-level site the origin's own (^31), a nonce (^1, ^2), opaque
      // (^4, ^5, ^6): asked as the origin.
      {"META:https://a.test/^31", "https://a.test/^31", "https://a.test"},
      {"META:https://a.test/^112345^267890", "https://a.test/^112345^267890", "https://a.test"},
      {"META:https://a.test/^41^22", "https://a.test/^41^22", none},
      {"META:https://a.test/^412^534^6https://b.test", "https://a.test/^412^534^6https://b.test",
       "https://a.test"},
      {"META:https://a.test/^412^534^6", "https://a.test/^412^534^6", "https://a.test"},
      {"META:https://a.test/^412^534", "https://a.test/^412^534", none},
      // Forms Chromium does not write stay, whatever the sites.
      {"META:https://a.test/", "https://a.test/", none},
      {"META:https://a.test/path", "https://a.test/path", none},
      {"META:https://a.test^0https://b.test", "https://a.test^0https://b.test", none},
      {"META:https://a.test/^0", "https://a.test/^0", none},
      {"META:https://a.test/^0https://b.test/", "https://a.test/^0https://b.test/", none},
      {"META:https://a.test/^0https://b.test^31", "https://a.test/^0https://b.test^31", none},
      {"META:https://a.test/^30", "https://a.test/^30", none},
      {"META:https://a.test/^1x^2y", "https://a.test/^1x^2y", none},
      {"META:https://a.test/^9x", "https://a.test/^9x", none},
      {"META:HTTPS://a.test", "HTTPS://a.test", none},
      {"META:a.test", "a.test", none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    const auto storage_key = sitedata::StorageKeyOfEntry(c.entry);
    ASSERT_EQ(storage_key.has_value(), c.storage_key.has_value());
    if (!storage_key) continue;
    EXPECT_EQ(std::string(*storage_key), *c.storage_key);
    EXPECT_EQ(sitedata::JudgedAs(*storage_key), c.judged);
  }
}

// The hosts a judged storage key names, parsed here only as far as these
// tests write them: "scheme://host[:port]" and "<that>/^0scheme://site".
std::vector<std::string> HostsOf(const std::string& judged) {
  std::vector<std::string> hosts;
  std::size_t at = 0;
  while ((at = judged.find("://", at)) != std::string::npos) {
    at += 3;
    const std::size_t end = judged.find_first_of(":/", at);
    hosts.push_back(judged.substr(at, end == std::string::npos ? end : end - at));
  }
  return hosts;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Public: the table of cases below prepares each folder through it.
class LocalStorageWipeTest : public ::testing::Test {
 public:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("maskfold-local-storage-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A database as Chromium leaves one: part of it compacted into a
  // snappy-compressed table, the rest in the log.
  void Write(const Entries& tabled, const Entries& logged) {
    leveldb::Options options;
    options.create_if_missing = true;
    leveldb::DB* opened = nullptr;
    ASSERT_TRUE(leveldb::DB::Open(options, folder_.string(), &opened).ok());
    const std::unique_ptr<leveldb::DB> db(opened);
    for (const Entries* part : {&tabled, &logged}) {
      if (part->empty()) continue;
      leveldb::WriteBatch batch;
      for (const auto& [key, value] : *part) batch.Put(key, value);
      ASSERT_TRUE(db->Write(leveldb::WriteOptions(), &batch).ok());
      if (part == &tabled) db->CompactRange(nullptr, nullptr);
    }
  }

  Entries Read() {
    leveldb::Options options;
    leveldb::DB* opened = nullptr;
    options.paranoid_checks = true;
    const leveldb::Status status = leveldb::DB::Open(options, folder_.string(), &opened);
    EXPECT_TRUE(status.ok()) << status.ToString();
    const std::unique_ptr<leveldb::DB> db(opened);
    Entries entries;
    if (!db) return entries;
    const std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
    for (it->SeekToFirst(); it->Valid(); it->Next())
      entries[it->key().ToString()] = it->value().ToString();
    EXPECT_TRUE(it->status().ok());
    return entries;
  }

  // The one log of a database just written.
  fs::path LogFile() const {
    fs::path found;
    for (const auto& file : fs::directory_iterator(folder_))
      if (file.path().extension() == ".log") found = file.path();
    EXPECT_FALSE(found.empty());
    return found;
  }

  Files Snapshot() const {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_))
      if (entry.is_regular_file())
        files[fs::relative(entry.path(), folder_).string()] = Bytes(entry.path());
    return files;
  }

  sitedata::LocalStorageWipe Wipe(bool copied = true) {
    const browsers::ProtectedSites kept({"keep.test"});
    return sitedata::WipeLocalStorage(
        folder_.string(),
        [&](const std::string& judged) {
          asked_.push_back(judged);
          for (const std::string& host : HostsOf(judged))
            if (!kept.Keeps(host)) return false;
          return true;
        },
        [&] {
          ++copies_;
          return copied;
        });
  }

  fs::path folder_;
  int copies_ = 0;
  std::vector<std::string> asked_;
};

TEST_F(LocalStorageWipeTest, DeletesUnprotectedStorageKeysAndKeepsTheRestByteForByte) {
  using namespace std::string_literals;
  const Entries kept = {
      {"VERSION", "1"},
      {"META:https://keep.test:28143", "\x08\x90\xa1\x0f\x10\x22"s},
      {"METAACCESS:https://keep.test:28143", "\x08\x91\xa1\x0f"s},
      {"_https://keep.test:28143\0\x01name"s, "\x01kept-value-of-keep"s},
      {"_https://www.keep.test\0\x01z"s, std::string(3000, 'k')},
      {"META:https://keep.test/^31", "m"},
      {"META:https://tracker.test/^9unknown", "unknown form"},
      {"_garbage", "no separator"},
  };
  const Entries gone = {
      {"META:https://tracker.test", "\x08\x01\x10\x02"s},
      {"METAACCESS:https://tracker.test", "\x08\x03"s},
      {"_https://tracker.test\0\x01id"s, "\x01TRACKER-SECRET-one"s},
      {"_https://tracker.test\0\x01second"s, std::string(3000, 't')},
      {"_https://keep.test:28143/^0https://tracker.test\0\x01p"s, "\x01TRACKER-SECRET-two"s},
      {"META:https://tracker.test/^0https://keep.test", "p"},
      {"_https://tracker.test/^31\0\x01x"s, "\x01TRACKER-SECRET-three"s},
  };
  Entries tabled;
  Entries logged;
  int i = 0;
  for (const Entries* part : {&kept, &gone})
    for (const auto& entry : *part) (i++ % 2 ? logged : tabled).insert(entry);
  Write(tabled, logged);
  bool secret_on_disk = false;
  for (const auto& [name, bytes] : Snapshot())
    secret_on_disk |= bytes.find("TRACKER-SECRET") != std::string::npos;
  ASSERT_TRUE(secret_on_disk);
  const std::string log_before = Bytes(folder_ / "LOG");
  ASSERT_FALSE(log_before.empty());

  const sitedata::LocalStorageWipe wipe = Wipe();
  EXPECT_EQ(wipe.state, LocalStorageState::kDone) << wipe.problem;
  EXPECT_EQ(wipe.keys_deleted, gone.size());
  // tracker.test, keep.test under tracker.test, tracker.test under
  // keep.test, tracker.test under its own site.
  EXPECT_EQ(wipe.storage_keys_deleted, 4u);
  EXPECT_EQ(copies_, 1);
  // Each storage key asked about once; the unknown form never.
  EXPECT_EQ(asked_.size(), 7u);
  // The browser's LOG is its own (this test's reads below start a new one).
  EXPECT_EQ(Bytes(folder_ / "LOG"), log_before);
  EXPECT_FALSE(fs::exists(folder_ / "LOG.old"));
  // No file holds a deleted value any more.
  for (const auto& [name, bytes] : Snapshot()) {
    SCOPED_TRACE(name);
    EXPECT_EQ(bytes.find("TRACKER-SECRET"), std::string::npos);
  }
  EXPECT_EQ(Read(), kept);

  // Again: nothing left to delete, and nothing deleted.
  const sitedata::LocalStorageWipe again = Wipe();
  EXPECT_EQ(again.state, LocalStorageState::kDone) << again.problem;
  EXPECT_EQ(again.keys_deleted, 0u);
  EXPECT_EQ(Read(), kept);
}

TEST_F(LocalStorageWipeTest, LeavesAFolderAsItWasWhenItCannotWipeIt) {
  using namespace std::string_literals;
  const Entries entries = {{"VERSION", "1"}, {"_https://tracker.test\0\x01id"s, "\x01value"s}};
  struct Case {
    const char* name;
    void (*prepare)(LocalStorageWipeTest&, const Entries&);
    bool copied;
    LocalStorageState state;
    int copies;
  } cases[] = {
      {"not a LevelDB",
       [](LocalStorageWipeTest& t, const Entries&) {
         std::ofstream(t.folder_ / "LOCK");
         std::ofstream(t.folder_ / "data.txt") << "text";
       },
       true, LocalStorageState::kWontOpen, 0},
      {"no LOCK file",
       [](LocalStorageWipeTest& t, const Entries& e) {
         t.Write(e, {});
         fs::remove(t.folder_ / "LOCK");
       },
       true, LocalStorageState::kWontOpen, 0},
      {"CURRENT names no manifest",
       [](LocalStorageWipeTest& t, const Entries& e) {
         t.Write(e, {});
         std::ofstream(t.folder_ / "CURRENT", std::ios::binary) << "MANIFEST-000099\n";
       },
       true, LocalStorageState::kWontOpen, 0},
      {"CURRENT garbage",
       [](LocalStorageWipeTest& t, const Entries& e) {
         t.Write(e, {});
         std::ofstream(t.folder_ / "CURRENT", std::ios::binary) << "\x01\x02garbage";
       },
       true, LocalStorageState::kWontOpen, 0},
      {"a damaged log",
       [](LocalStorageWipeTest& t, const Entries& e) {
         t.Write({}, e);
         // Inside the first record's batch: its checksum no longer matches.
         std::fstream log(t.LogFile(), std::ios::in | std::ios::out | std::ios::binary);
         log.seekp(12);
         log.put('\x7f');
       },
       true, LocalStorageState::kWontOpen, 0},
      {"two logs",
       [](LocalStorageWipeTest& t, const Entries& e) {
         t.Write({}, e);
         const fs::path log = t.LogFile();
         fs::copy_file(log, t.folder_ / ("000001" + log.extension().string()));
       },
       true, LocalStorageState::kWontOpen, 0},
      {"copy refused", [](LocalStorageWipeTest& t, const Entries& e) { t.Write(e, e); }, false,
       LocalStorageState::kNotCopied, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    copies_ = 0;
    c.prepare(*this, entries);
    const Files before = Snapshot();
    const sitedata::LocalStorageWipe wipe = Wipe(c.copied);
    EXPECT_EQ(wipe.state, c.state) << wipe.problem;
    EXPECT_EQ(wipe.state == LocalStorageState::kWontOpen, !wipe.problem.empty());
    EXPECT_EQ(wipe.keys_deleted, 0u);
    EXPECT_EQ(copies_, c.copies);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(LocalStorageWipeTest, ABrowserHoldingTheLockMakesItBusy) {
  using namespace std::string_literals;
  Write({{"_https://tracker.test\0\x01id"s, "\x01value"s}}, {});
  leveldb::DB* opened = nullptr;
  ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), folder_.string(), &opened).ok());
  std::unique_ptr<leveldb::DB> browser(opened);
  const Files before = Snapshot();
  const sitedata::LocalStorageWipe wipe = Wipe();
  EXPECT_EQ(wipe.state, LocalStorageState::kBusy);
  EXPECT_NE(wipe.problem.find("LOCK"), std::string::npos) << wipe.problem;
  EXPECT_EQ(copies_, 0);
  EXPECT_EQ(Snapshot(), before);
  browser.reset();
  EXPECT_EQ(Wipe().keys_deleted, 1u);
}

}  // namespace
