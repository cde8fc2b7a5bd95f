#include "sitedata/local_storage.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "sitedata/leveldb_store.h"

namespace sitedata {
namespace {

constexpr std::string_view kMetaPrefix = "META:";
constexpr std::string_view kAccessPrefix = "METAACCESS:";

bool IsDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "scheme://host" or "scheme://host:port", as an origin serializes: no path,
// no slash at the end.
bool IsOrigin(std::string_view text) {
  const std::size_t separator = text.find("://");
  if (separator == 0 || separator == std::string_view::npos) return false;
  const std::string_view scheme = text.substr(0, separator);
  if (scheme.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789+-.") != std::string_view::npos)
    return false;
  const std::string_view host = text.substr(separator + 3);
  return !host.empty() && host.find_first_of("/^") == std::string_view::npos;
}

// "<digits>^<tag><rest>": the digits, and the rest once the tag matched.
std::optional<std::string_view> AfterNumber(std::string_view text, char tag) {
  const std::size_t caret = text.find('^');
  if (caret == std::string_view::npos || !IsDigits(text.substr(0, caret)) ||
      caret + 1 >= text.size() || text[caret + 1] != tag)
    return std::nullopt;
  return text.substr(caret + 2);
}

// The partition that follows "<origin>/^": true when it is one of the forms
// whose top-level site is the origin's own or opaque.
bool IsOwnOrOpaquePartition(std::string_view partition) {
  if (partition == "31") return true;  // a same-site frame under another site's frame
  if (partition.starts_with('1')) {    // a nonce: "1<high>^2<low>"
    const auto low = AfterNumber(partition.substr(1), '2');
    return low && IsDigits(*low);
  }
  if (partition.starts_with('4')) {  // opaque: "4<high>^5<low>^6<precursor>"
    const auto low = AfterNumber(partition.substr(1), '5');
    if (!low) return false;
    const auto precursor = AfterNumber(*low, '6');
    return precursor && (precursor->empty() || IsOrigin(*precursor));
  }
  return false;
}

// The keys to delete and those that stay, each storage key asked about once.
struct Split {
  std::vector<std::string> doomed;
  std::vector<std::string> staying;
  std::size_t doomed_owners = 0;
};
Split SplitKeys(std::vector<std::string> keys,
                const std::function<bool(const std::string&)>& keep) {
  std::map<std::string, bool, std::less<>> kept;
  std::set<std::string, std::less<>> doomed_owners;
  Split split;
  for (std::string& key : keys) {
    const std::optional<std::string_view> owner = StorageKeyOfEntry(key);
    bool stays = true;
    if (owner) {
      auto known = kept.find(*owner);
      if (known == kept.end()) {
        const std::optional<std::string> judged = JudgedAs(*owner);
        known = kept.emplace(std::string(*owner), !judged || keep(*judged)).first;
      }
      stays = known->second;
      if (!stays) doomed_owners.emplace(*owner);
    }
    (stays ? split.staying : split.doomed).push_back(std::move(key));
  }
  split.doomed_owners = doomed_owners.size();
  return split;
}

// Reopened with LevelDB's checks, the database holds exactly the keys that
// stay; otherwise what differs, in words.
std::string ProblemOnReading(const std::string& folder, const std::vector<std::string>& staying) {
  LevelDbStore::Opened reopened = LevelDbStore::Open(folder);
  if (!reopened.store) return reopened.problem;
  std::vector<std::string> left;
  if (const StoreStatus read = reopened.store->Keys(left); !read.Ok()) return read.problem;
  if (left == staying) return {};
  std::string problem = folder;
  problem += ": ";
  problem += std::to_string(left.size());
  problem += " keys read back, ";
  problem += std::to_string(staying.size());
  problem += " expected";
  return problem;
}

}  // namespace

std::optional<std::string_view> StorageKeyOfEntry(std::string_view key) {
  if (key.starts_with(kAccessPrefix)) return key.substr(kAccessPrefix.size());
  if (key.starts_with(kMetaPrefix)) return key.substr(kMetaPrefix.size());
  if (key.starts_with('_')) {
    const std::size_t end = key.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    return key.substr(1, end - 1);
  }
  return std::nullopt;
}

std::optional<std::string> JudgedAs(std::string_view storage_key) {
  const std::size_t caret = storage_key.find('^');
  if (caret == std::string_view::npos) {
    if (!IsOrigin(storage_key)) return std::nullopt;
    return std::string(storage_key);
  }
  if (caret == 0 || storage_key[caret - 1] != '/') return std::nullopt;
  const std::string_view origin = storage_key.substr(0, caret - 1);
  if (!IsOrigin(origin)) return std::nullopt;
  const std::string_view partition = storage_key.substr(caret + 1);
  if (partition.starts_with('0')) {
    if (!IsOrigin(partition.substr(1))) return std::nullopt;
    return std::string(storage_key);
  }
  if (IsOwnOrOpaquePartition(partition)) return std::string(origin);
  return std::nullopt;
}

LocalStorageWipe WipeLocalStorage(const std::string& folder,
                                  const std::function<bool(const std::string&)>& keep,
                                  const std::function<bool()>& copy_aside) {
  using State = LocalStorageState;
  FolderLock::Result lock = FolderLock::Take(folder);
  if (lock.taken == FolderLock::Taken::kNoLockFile) {
    std::string problem = folder;
    problem += ": no LOCK file";
    return {State::kWontOpen, 0, 0, problem};
  }
  if (lock.taken == FolderLock::Taken::kBusy) return {State::kBusy, 0, 0, lock.problem};
  if (const StoreStatus check = CheckOpens(folder); !check.Ok())
    return {State::kWontOpen, 0, 0, check.problem};
  if (!copy_aside()) return {State::kNotCopied, 0, 0, {}};
  lock.lock.reset();

  LevelDbStore::Opened opened = LevelDbStore::Open(folder);
  if (!opened.store) {
    // Another program may have opened it since the lock was let go.
    const bool busy = FolderLock::Take(folder).taken == FolderLock::Taken::kBusy;
    return {busy ? State::kBusy : State::kWontOpen, 0, 0, opened.problem};
  }
  std::vector<std::string> keys;
  if (const StoreStatus read = opened.store->Keys(keys); !read.Ok())
    return {State::kWontOpen, 0, 0, read.problem};
  const Split split = SplitKeys(std::move(keys), keep);
  if (split.doomed.empty()) return {State::kDone, 0, 0, {}};

  if (const StoreStatus deleted = opened.store->Delete(split.doomed); !deleted.Ok())
    return {State::kWriteFailed, 0, 0, deleted.problem};
  LocalStorageWipe wipe{State::kDone, split.doomed.size(), split.doomed_owners, {}};
  if (const StoreStatus compacted = opened.store->Compact(); !compacted.Ok()) {
    wipe.state = State::kWriteFailed;
    wipe.problem = compacted.problem;
    return wipe;
  }
  opened.store.reset();
  wipe.problem = ProblemOnReading(folder, split.staying);
  if (!wipe.problem.empty()) wipe.state = State::kNotVerified;
  return wipe;
}

}  // namespace sitedata
