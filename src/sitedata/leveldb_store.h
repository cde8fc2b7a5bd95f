// A LevelDB database that a browser wrote, opened where it lies: its keys, a
// delete of some of them in one batch, and a compaction that leaves the
// deleted values in no file. LevelDB's own words say what went wrong.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace leveldb {
class DB;
class Env;
class FileLock;
class Logger;
}  // namespace leveldb

namespace sitedata {

// LevelDB's status in its own words; empty when the call succeeded.
struct [[nodiscard]] StoreStatus {
  std::string problem;
  bool Ok() const { return problem.empty(); }
};

// The folder's LOCK, held the way LevelDB holds it: while one is held, no
// other program (no browser) opens the database.
class FolderLock {
 public:
  enum class Taken { kHeld, kNoLockFile, kBusy };
  struct Result;
  // Takes the lock of an existing LOCK file only: LevelDB itself would
  // create one, and a folder without it was never a LevelDB's.
  static Result Take(const std::string& folder);

  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&&) = delete;
  FolderLock(const FolderLock&) = delete;
  ~FolderLock();

 private:
  explicit FolderLock(leveldb::FileLock* lock) : lock_(lock) {}
  leveldb::FileLock* lock_;
};

struct FolderLock::Result {
  Taken taken = Taken::kBusy;
  std::optional<FolderLock> lock;  // while kHeld
  std::string problem;             // LevelDB's words when kBusy
};

// Reads the database as an open would (CURRENT, the manifest, every log with
// its checksums) without writing a byte: ok when the open would get as far as
// its first write. For a folder whose LOCK the caller holds.
StoreStatus CheckOpens(const std::string& folder);

class LevelDbStore {
 public:
  struct Opened;
  // Opens with LevelDB's checks on, never creating a database, and without
  // touching the folder's own LOG. Opening writes: a log is replayed into a
  // new table and a new manifest.
  static Opened Open(const std::string& folder);

  LevelDbStore(LevelDbStore&&) noexcept;
  LevelDbStore& operator=(LevelDbStore&&) = delete;
  LevelDbStore(const LevelDbStore&) = delete;
  LevelDbStore& operator=(const LevelDbStore&) = delete;
  // Closes, once the compactions have ended.
  ~LevelDbStore();

  // Every key, in order, each block's checksum checked.
  StoreStatus Keys(std::vector<std::string>& keys) const;
  // Every key with its value, in order.
  StoreStatus Entries(std::vector<std::pair<std::string, std::string>>& entries) const;
  // Deletes the keys in one batch, synced to disk before it returns.
  StoreStatus Delete(const std::vector<std::string>& keys);
  // Compacts the whole key range: a deleted value is then in no table.
  StoreStatus Compact();

 private:
  StoreStatus Each(const std::function<void(std::string, std::string)>& take) const;
  LevelDbStore(std::unique_ptr<leveldb::Logger> logger, std::unique_ptr<leveldb::DB> db);
  // Declared first: the database writes to it until it is closed.
  std::unique_ptr<leveldb::Logger> logger_;
  std::unique_ptr<leveldb::DB> db_;
};

struct LevelDbStore::Opened {
  std::optional<LevelDbStore> store;
  std::string problem;  // when it did not open
};

}  // namespace sitedata
