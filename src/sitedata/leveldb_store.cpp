#include "sitedata/leveldb_store.h"

#include <cstdarg>
#include <cstddef>
#include <utility>
#include <vector>

#include "leveldb/db.h"
#include "leveldb/env.h"
#include "leveldb/iterator.h"
#include "leveldb/options.h"
#include "leveldb/write_batch.h"

namespace sitedata {
namespace {

std::string LockFileOf(const std::string& folder) { return folder + "/LOCK"; }

StoreStatus StatusOf(const leveldb::Status& status) {
  if (status.ok()) return {};
  return {status.ToString()};
}

// The browser's LOG and LOG.old stay as they are: LevelDB would rename the
// one and start another at every open.
class SilentLogger : public leveldb::Logger {
 public:
  void Logv(const char*, std::va_list) override {}
};

// The lock the caller already holds, handed to the dry run in its place: a
// second lock of the same file by this process would be refused.
class HeldLock : public leveldb::FileLock {};

// Refuses every write and records that one was tried: an open through it
// reads all that its recovery reads and stops at its first write, which comes
// once the reads have succeeded (with one log; with more, after the first).
class ReadOnlyEnv : public leveldb::EnvWrapper {
 public:
  ReadOnlyEnv() : EnvWrapper(leveldb::Env::Default()) {}
  bool WriteRefused() const { return refused_; }

  leveldb::Status NewWritableFile(const std::string& name, leveldb::WritableFile**) override {
    return Refuse(name);
  }
  leveldb::Status NewAppendableFile(const std::string& name, leveldb::WritableFile**) override {
    return Refuse(name);
  }
  leveldb::Status RemoveFile(const std::string& name) override { return Refuse(name); }
  // The open's first call, before it reads anything: the folder is there.
  leveldb::Status CreateDir(const std::string&) override { return leveldb::Status::OK(); }
  leveldb::Status RemoveDir(const std::string& name) override { return Refuse(name); }
  leveldb::Status RenameFile(const std::string& from, const std::string&) override {
    return Refuse(from);
  }
  leveldb::Status NewLogger(const std::string& name, leveldb::Logger**) override {
    return Refuse(name);
  }
  leveldb::Status LockFile(const std::string&, leveldb::FileLock** lock) override {
    *lock = new HeldLock;
    return leveldb::Status::OK();
  }
  leveldb::Status UnlockFile(leveldb::FileLock* lock) override {
    delete lock;
    return leveldb::Status::OK();
  }

 private:
  leveldb::Status Refuse(const std::string& name) {
    refused_ = true;
    return leveldb::Status::IOError(name, "not written: a dry run");
  }
  bool refused_ = false;
};

}  // namespace

FolderLock::Result FolderLock::Take(const std::string& folder) {
  leveldb::Env* env = leveldb::Env::Default();
  const std::string name = LockFileOf(folder);
  if (!env->FileExists(name)) return {Taken::kNoLockFile, std::nullopt, {}};
  leveldb::FileLock* lock = nullptr;
  if (const leveldb::Status taken = env->LockFile(name, &lock); !taken.ok())
    return {Taken::kBusy, std::nullopt, taken.ToString()};
  return {Taken::kHeld, FolderLock(lock), {}};
}

FolderLock::FolderLock(FolderLock&& other) noexcept : lock_(std::exchange(other.lock_, nullptr)) {}

FolderLock::~FolderLock() {
  // An unlock fails only for a handle that is not this lock's; closing it
  // releases the lock all the same.
  if (lock_ != nullptr) static_cast<void>(leveldb::Env::Default()->UnlockFile(lock_));
}

StoreStatus CheckOpens(const std::string& folder) {
  ReadOnlyEnv env;
  // An open replays each log in turn and writes a table after each: with
  // more than one, the dry run would stop before reading the rest. LevelDB
  // leaves more than one only when its program stopped in the middle of a
  // write; the browser's next start merges them.
  std::vector<std::string> names;
  if (const leveldb::Status listed = env.GetChildren(folder, &names); !listed.ok())
    return StatusOf(listed);
  std::size_t logs = 0;
  for (const std::string& name : names)
    if (name.size() > 4 && name.ends_with(".log")) ++logs;
  if (logs > 1) {
    std::string problem = folder;
    problem += ": ";
    problem += std::to_string(logs);
    problem += " logs, left by a stopped write";
    return {problem};
  }
  SilentLogger logger;
  leveldb::Options options;
  options.env = &env;
  options.info_log = &logger;
  options.create_if_missing = false;
  options.paranoid_checks = true;
  // A log replayed into memory is written to a table only at the end, once
  // all of it has been read; never part-way.
  options.write_buffer_size = 1 << 30;
  leveldb::DB* db = nullptr;
  const leveldb::Status opened = leveldb::DB::Open(options, folder, &db);
  // Every open that succeeds writes; one through this environment cannot.
  delete db;
  if (opened.ok() || env.WriteRefused()) return {};
  return StatusOf(opened);
}

LevelDbStore::Opened LevelDbStore::Open(const std::string& folder) {
  auto logger = std::make_unique<SilentLogger>();
  leveldb::Options options;
  options.info_log = logger.get();
  options.create_if_missing = false;
  options.paranoid_checks = true;
  leveldb::DB* db = nullptr;
  const leveldb::Status opened = leveldb::DB::Open(options, folder, &db);
  std::unique_ptr<leveldb::DB> owned(db);
  if (!opened.ok()) return {std::nullopt, opened.ToString()};
  return {LevelDbStore(std::move(logger), std::move(owned)), {}};
}

LevelDbStore::LevelDbStore(std::unique_ptr<leveldb::Logger> logger, std::unique_ptr<leveldb::DB> db)
    : logger_(std::move(logger)), db_(std::move(db)) {}

LevelDbStore::LevelDbStore(LevelDbStore&&) noexcept = default;

LevelDbStore::~LevelDbStore() { db_.reset(); }

StoreStatus LevelDbStore::Keys(std::vector<std::string>& keys) const {
  return Each([&](std::string key, std::string) { keys.push_back(std::move(key)); });
}

StoreStatus LevelDbStore::Entries(std::vector<std::pair<std::string, std::string>>& entries) const {
  return Each([&](std::string key, std::string value) {
    entries.emplace_back(std::move(key), std::move(value));
  });
}

StoreStatus LevelDbStore::Each(const std::function<void(std::string, std::string)>& take) const {
  leveldb::ReadOptions read;
  read.verify_checksums = true;
  read.fill_cache = false;
  const std::unique_ptr<leveldb::Iterator> it(db_->NewIterator(read));
  for (it->SeekToFirst(); it->Valid(); it->Next())
    take(it->key().ToString(), it->value().ToString());
  return StatusOf(it->status());
}

StoreStatus LevelDbStore::Delete(const std::vector<std::string>& keys) {
  leveldb::WriteBatch batch;
  for (const std::string& key : keys) batch.Delete(key);
  leveldb::WriteOptions write;
  write.sync = true;
  return StatusOf(db_->Write(write, &batch));
}

StoreStatus LevelDbStore::Compact() {
  db_->CompactRange(nullptr, nullptr);
  // A compaction that failed leaves the database's background error, which
  // the next write reports; an empty batch asks for it.
  leveldb::WriteBatch nothing;
  return StatusOf(db_->Write(leveldb::WriteOptions(), &nothing));
}

}  // namespace sitedata
