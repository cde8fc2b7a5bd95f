#include "sitedata/part_changes.h"

#include <atomic>
#include <set>

#include "platform/files.h"
#include "platform/process.h"
#include "sitedata/folder_tree.h"
#include "sitedata/hsts.h"
#include "sitedata/leveldb_store.h"
#include "sitedata/local_storage.h"
#include "sitedata/network_state.h"
#include "sitedata/origins.h"
#include "sitedata/sqlite_stores.h"
#include "sqlite3.h"

namespace sitedata {
namespace {

namespace files = platform::files;
using browsers::StoreState;

// The profile's copy is in the recycle bin before any part changes.
bool AlreadyCopied() { return true; }

std::string Words(StoreState state) {
  switch (state) {
    case StoreState::kBusy:
      return "its browser has it open";
    case StoreState::kNotAStore:
      return "it is not a store that Maskfold knows";
    case StoreState::kUnusual:
      return "it holds tables or triggers that no browser writes";
    case StoreState::kDamaged:
      return "SQLite's check found errors in it";
    case StoreState::kReadOnly:
      return "it is read-only";
    case StoreState::kLink:
      return "it is a link to a file elsewhere";
    case StoreState::kTimedOut:
      return "it took too long to clean";
    case StoreState::kNotCopied:
      return "it could not be copied first";
    case StoreState::kDone:
      break;
  }
  return {};
}

PartOutcome FromState(StoreState state, std::size_t deleted) {
  if (state != StoreState::kDone) return {{}, 0, Words(state)};
  return {{}, deleted, std::nullopt};
}

// A file in one of its browser's own formats, rewritten whole when its
// filter took something out; a file the filter cannot read stays.
template <typename Filter>
PartOutcome Rewrite(const std::string& path, const char* browser, Filter filter) {
  std::string content;
  try {
    content = files::ReadWholeFile(path);
  } catch (const std::exception&) {
    return {{}, 0, "it could not be read"};
  }
  const std::optional<Filtered> filtered = filter(content);
  if (!filtered) return {{}, 0, std::string("it is not in the form ") + browser + " writes"};
  if (filtered->removed == 0) return {};
  if (!files::WriteWholeFile(path, filtered->content)) return {{}, 0, "it could not be written"};
  return {{}, static_cast<std::size_t>(filtered->removed), std::nullopt};
}

PartOutcome WipeLocal(const std::string& path, const browsers::ProtectedSites& kept) {
  std::set<std::string> gone;
  const LocalStorageWipe wiped = WipeLocalStorage(
      path,
      [&](const std::string& key) {
        const auto origin = FromStorageKey(key);
        if (!origin || Keeps(kept, *origin)) return true;
        gone.insert(browsers::SiteOf(origin->host));
        return false;
      },
      AlreadyCopied);
  switch (wiped.state) {
    case LocalStorageState::kDone:
      return {{gone.begin(), gone.end()}, wiped.keys_deleted, std::nullopt};
    case LocalStorageState::kBusy:
      return {{}, 0, "its browser has it open"};
    case LocalStorageState::kWontOpen:
      return {{}, 0, "LevelDB does not open it cleanly"};
    case LocalStorageState::kNotCopied:
      return {{}, 0, "it could not be copied first"};
    case LocalStorageState::kWriteFailed:
      return {{}, 0, "LevelDB could not write it: " + wiped.problem};
    case LocalStorageState::kNotVerified:
      return {{}, 0, "it did not read back as it should after the change: " + wiped.problem};
  }
  return {{}, 0, "LevelDB does not open it cleanly"};
}

// File System's "Origins" database: "ORIGIN:<identifier>" names the folder
// of an origin's files; the keys of the folders removed go too.
PartOutcome WipeFileSystemOrigins(const std::string& path, const browsers::ProtectedSites& kept) {
  auto lock = FolderLock::Take(path);
  if (lock.taken == FolderLock::Taken::kBusy) return {{}, 0, "its browser has it open"};
  if (lock.taken != FolderLock::Taken::kHeld || !CheckOpens(path).Ok())
    return {{}, 0, "LevelDB does not open it cleanly"};
  lock.lock.reset();  // the open takes it again
  auto opened = LevelDbStore::Open(path);
  if (!opened.store) return {{}, 0, "LevelDB does not open it cleanly"};
  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<std::string> doomed;
  if (const auto read = opened.store->Entries(entries); !read.Ok())
    return {{}, 0, "LevelDB could not read it: " + read.problem};
  // An origin's key goes with its folder: one whose folder stayed (a link
  // inside, say) keeps it, or the folder would be no one's.
  const std::string file_system = path.substr(0, path.find_last_of('\\'));
  for (const auto& [key, folder] : entries) {
    if (!key.starts_with(kFileSystemOriginPrefix)) continue;
    const auto origin = FromFileSystemIdentifier(key.substr(sizeof kFileSystemOriginPrefix - 1));
    if (origin && !Keeps(kept, *origin) && !files::Exists(file_system + "\\" + folder))
      doomed.push_back(key);
  }
  if (doomed.empty()) return {};
  if (const auto deleted = opened.store->Delete(doomed); !deleted.Ok())
    return {{}, 0, "LevelDB could not write it: " + deleted.problem};
  if (const auto compacted = opened.store->Compact(); !compacted.Ok())
    return {{}, 0, "LevelDB could not write it: " + compacted.problem};
  return {{}, doomed.size(), std::nullopt};
}

// Every key and value of a LevelDB, read from a copy: opening writes, and
// the browser's own store changes only after its copy is in the bin.
// Empty when it cannot be read.
std::vector<std::pair<std::string, std::string>> ReadFromCopy(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> entries;
  if (!files::Exists(folder)) return entries;
  // Each read its own: the Browser Cookies window and Apply may read at once.
  static std::atomic<unsigned> reads{0};
  std::string copy = files::TempFolder() + "\\" + kLevelDbReadPrefix;
  copy += std::to_string(platform::process::CurrentProcessId()) + "-";
  copy += std::to_string(++reads);
  RemoveTree(copy);
  if (CopyTree(folder, copy))
    if (auto opened = LevelDbStore::Open(copy); opened.store)
      if (!opened.store->Entries(entries).Ok()) entries.clear();
  RemoveTree(copy);
  return entries;
}

bool UnprotectedBucketStays(const std::string& quota, const browsers::ProtectedSites& kept) {
  const std::string web_storage = quota.substr(0, quota.find_last_of('\\'));
  for (const auto& [id, key] : Buckets(quota)) {
    const auto origin = FromStorageKey(key);
    if (origin && !Keeps(kept, *origin) && files::Exists(web_storage + "\\" + id)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> Buckets(const std::string& quota) {
  namespace sqlite = browsers::sqlite;
  std::vector<std::pair<std::string, std::string>> buckets;
  sqlite::Deadline deadline(browsers::kStoreDeadline);
  sqlite::Database database;
  sqlite::Statement statement;
  if (sqlite::Open(quota, SQLITE_OPEN_READONLY, deadline, database) != SQLITE_OK ||
      sqlite::Prepare(database.get(), "SELECT id, storage_key FROM buckets", statement) !=
          SQLITE_OK)
    return buckets;
  while (sqlite3_step(statement.get()) == SQLITE_ROW)
    buckets.emplace_back(std::to_string(sqlite3_column_int64(statement.get(), 0)),
                         std::string(sqlite::TextOf(statement.get(), 1)));
  return buckets;
}

PartOutcome ChangeStore(Action action, const std::string& path, const Plan& plan) {
  const browsers::ProtectedSites& kept = *plan.kept;
  switch (action) {
    case Action::kRemove:
      break;
    case Action::kLocalStorage:
      return WipeLocal(path, kept);
    case Action::kFileSystemOrigins:
      return WipeFileSystemOrigins(path, kept);
    case Action::kTransportSecurity:
      return Rewrite(path, "Chromium", [&](const std::string& text) {
        return FilterTransportSecurity(text, plan.kept_hosts);
      });
    case Action::kNetworkState:
      return Rewrite(path, "Chromium",
                     [&](const std::string& text) { return FilterNetworkState(text, kept); });
    case Action::kFirefoxHsts:
      return Rewrite(path, "Firefox", [&](const std::string& bytes) {
        return FilterSiteSecurityState(bytes, kept);
      });
    case Action::kReportingNel: {
      const auto wiped = WipeReportingAndNel(path, kept, AlreadyCopied);
      return FromState(wiped.state, wiped.deleted);
    }
    case Action::kTrustTokens: {
      const auto wiped = WipeTrustTokens(path, kept, AlreadyCopied);
      return FromState(wiped.state, wiped.deleted);
    }
    case Action::kSharedDictionary: {
      const auto wiped = WipeSharedDictionaries(path, kept, AlreadyCopied);
      return FromState(wiped.state, wiped.deleted);
    }
    case Action::kQuotaManager: {
      // The buckets' folders are parts of their own, removed before this:
      // while one of an unprotected bucket stayed, its row stays too, or
      // the folder would be no one's.
      if (UnprotectedBucketStays(path, kept))
        return {{}, 0, "a folder of its buckets could not be removed"};
      const auto wiped = WipeQuotaBuckets(path, kept, AlreadyCopied);
      return FromState(wiped.state, wiped.deleted);
    }
    case Action::kWebAppsStore: {
      const auto wiped = WipeFirefoxWebappsStore(path, kept, AlreadyCopied);
      return FromState(wiped.state, wiped.deleted);
    }
  }
  return {{}, 0, "it is not a store that Maskfold knows"};
}

std::vector<std::string> LocalStorageHosts(const browsers::Store& store) {
  if (store.family != browsers::Family::kChromium) return {};
  std::set<std::string> hosts;
  for (const auto& [key, value] : ReadFromCopy(store.folder + R"(\Local Storage\leveldb)"))
    if (const auto storage_key = StorageKeyOfEntry(key))
      if (const auto judged = JudgedAs(*storage_key))
        if (const auto origin = FromStorageKey(*judged))
          hosts.insert(browsers::SiteOf(origin->host));
  return {hosts.begin(), hosts.end()};
}

std::vector<std::pair<std::string, std::string>> FileSystemFolders(const std::string& origins) {
  std::vector<std::pair<std::string, std::string>> folders;
  for (auto& [key, value] : ReadFromCopy(origins))
    if (key.starts_with(kFileSystemOriginPrefix))
      folders.emplace_back(key.substr(sizeof kFileSystemOriginPrefix - 1), std::move(value));
  return folders;
}

}  // namespace sitedata
