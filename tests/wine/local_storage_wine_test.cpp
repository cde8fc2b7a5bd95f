// LevelDB with Snappy as the Windows build has it (util/env_windows.cc):
// a Local Storage database written here, its tables snappy-compressed, then
// wiped and compacted by the program's own code under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "leveldb/db.h"
#include "leveldb/write_batch.h"
#include "sitedata/local_storage.h"

namespace {

using Entries = std::map<std::string, std::string>;
using sitedata::LocalStorageState;

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

std::uint64_t Varint(const std::string& bytes, std::size_t& at) {
  std::uint64_t value = 0;
  for (int shift = 0; at < bytes.size() && shift < 64; shift += 7) {
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) break;
  }
  return value;
}

// A table's last data block and its index block, by the type byte of their
// trailers (1: Snappy), read from the 48-byte footer: the metaindex and the
// index block's handles, then the magic number. Without a filter, the
// metaindex block follows the last data block.
struct BlockTypes {
  int last_data = -1;
  int index = -1;
};
BlockTypes TypesOf(const std::string& table) {
  constexpr std::size_t kFooter = 48;
  constexpr std::uint64_t kMagic = 0xdb4775248b80fb57ull;
  if (table.size() < kFooter) return {};
  std::size_t at = table.size() - kFooter;
  const std::uint64_t metaindex = Varint(table, at);
  Varint(table, at);
  const std::uint64_t index = Varint(table, at);
  const std::uint64_t index_size = Varint(table, at);
  std::uint64_t magic = 0;
  for (int i = 7; i >= 0; --i)
    magic = magic << 8 | static_cast<unsigned char>(table[table.size() - 8 + i]);
  if (magic != kMagic || metaindex < 5 || index + index_size >= table.size()) return {};
  return {static_cast<unsigned char>(table[metaindex - 5]),
          static_cast<unsigned char>(table[index + index_size])};
}

// An item's value as Chromium stores it: a format byte (1: Latin-1), then
// the text.
std::string Item(const std::string& text) {
  std::string value = "\x01";
  value += text;
  return value;
}

class LocalStorageWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
    folder_ =
        std::string(temp) + "maskfold-local-storage-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    for (const std::string& name : FilesIn(folder_, "*"))
      ::DeleteFileA((folder_ + "\\" + name).c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  std::unique_ptr<leveldb::DB> Open() {
    leveldb::Options options;
    options.create_if_missing = true;
    options.paranoid_checks = true;
    leveldb::DB* db = nullptr;
    const leveldb::Status status = leveldb::DB::Open(options, folder_, &db);
    EXPECT_TRUE(status.ok()) << status.ToString();
    return std::unique_ptr<leveldb::DB>(db);
  }

  Entries Read() {
    const std::unique_ptr<leveldb::DB> db = Open();
    Entries entries;
    if (!db) return entries;
    leveldb::ReadOptions read;
    read.verify_checksums = true;
    const std::unique_ptr<leveldb::Iterator> it(db->NewIterator(read));
    for (it->SeekToFirst(); it->Valid(); it->Next())
      entries[it->key().ToString()] = it->value().ToString();
    EXPECT_TRUE(it->status().ok()) << it->status().ToString();
    return entries;
  }

  // Every table of the folder: its blocks are snappy-compressed.
  void ExpectSnappyTables() {
    const std::vector<std::string> tables = FilesIn(folder_, "*.ldb");
    ASSERT_FALSE(tables.empty());
    for (const std::string& name : tables) {
      SCOPED_TRACE(name);
      const BlockTypes types = TypesOf(Bytes(folder_ + "\\" + name));
      std::printf("%s: last data block type %d, index block type %d\n", name.c_str(),
                  types.last_data, types.index);
      EXPECT_EQ(types.last_data, 1);
    }
  }

  std::string folder_;
};

TEST_F(LocalStorageWineTest, WipesAndCompactsASnappyStore) {
  using namespace std::string_literals;
  std::string filler;
  for (int i = 0; i < 40; ++i) filler += "a value that repeats, as page state does; ";
  const Entries kept = {
      {"VERSION", "1"},
      {"META:https://keep.test:28143", "\x08\x90\xa1\x0f\x10\x22"s},
      {"_https://keep.test:28143\0\x01name"s, Item(filler)},
      {"_https://keep.test:28143\0\x01other"s, Item(std::string("KEEP-VALUE ") + filler)},
  };
  const Entries gone = {
      {"META:https://tracker.test", "\x08\x01"s},
      {"_https://tracker.test\0\x01id"s, Item(std::string("TRACKER-SECRET ") + filler)},
      {"_https://keep.test:28143/^0https://tracker.test\0\x01p"s, Item(filler)},
  };
  {
    const std::unique_ptr<leveldb::DB> db = Open();
    ASSERT_TRUE(db);
    leveldb::WriteBatch batch;
    for (const Entries* part : {&kept, &gone})
      for (const auto& [key, value] : *part) batch.Put(key, value);
    ASSERT_TRUE(db->Write(leveldb::WriteOptions(), &batch).ok());
    db->CompactRange(nullptr, nullptr);
  }
  ExpectSnappyTables();
  bool secret_on_disk = false;
  for (const std::string& name : FilesIn(folder_, "*"))
    secret_on_disk |= Bytes(folder_ + "\\" + name).find("TRACKER-SECRET") != std::string::npos;
  ASSERT_TRUE(secret_on_disk);

  int copies = 0;
  const sitedata::LocalStorageWipe wipe = sitedata::WipeLocalStorage(
      folder_,
      [](const std::string& judged) { return judged.find("tracker") == std::string::npos; },
      [&] { return ++copies == 1; });
  EXPECT_EQ(wipe.state, LocalStorageState::kDone) << wipe.problem;
  EXPECT_EQ(wipe.keys_deleted, gone.size());
  EXPECT_EQ(wipe.storage_keys_deleted, 2u);
  EXPECT_EQ(copies, 1);

  ExpectSnappyTables();
  for (const std::string& name : FilesIn(folder_, "*")) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Bytes(folder_ + "\\" + name).find("TRACKER-SECRET"), std::string::npos);
  }
  EXPECT_EQ(Read(), kept);
}

TEST_F(LocalStorageWineTest, AnOpenDatabaseIsBusyAndLeftAlone) {
  const std::unique_ptr<leveldb::DB> browser = Open();
  ASSERT_TRUE(browser);
  ASSERT_TRUE(browser->Put(leveldb::WriteOptions(), "META:https://tracker.test", "m").ok());
  int copies = 0;
  const sitedata::LocalStorageWipe wipe = sitedata::WipeLocalStorage(
      folder_, [](const std::string&) { return false; }, [&] { return ++copies == 1; });
  std::printf("held open: %s\n", wipe.problem.c_str());
  EXPECT_EQ(wipe.state, LocalStorageState::kBusy);
  EXPECT_EQ(copies, 0);
  std::string value;
  EXPECT_TRUE(browser->Get(leveldb::ReadOptions(), "META:https://tracker.test", &value).ok());
}

}  // namespace
