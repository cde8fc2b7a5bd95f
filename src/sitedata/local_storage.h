// Chromium's localStorage: one LevelDB per profile ("Local Storage\leveldb"),
// its keys named after each storage key (the origin, partitioned under the
// top-level site when a frame of another site wrote it):
//   "VERSION"                              the schema's own
//   "META:" <storage key>                  size and time of the last write
//   "METAACCESS:" <storage key>            time of the last read
//   "_" <storage key> "\x00" <name>        one item
// First-party storage keys are origins without a trailing slash
// ("https://keep.test:28143"); the others are Blink's serialization: the
// origin with its slash, then "^0" and the top-level site, "^31" (a frame of
// the same site under another site's frame), "^1<high>^2<low>" (a frame with
// a nonce of its own) or "^4<high>^5<low>^6<precursor>" (under an opaque
// top-level site).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sitedata {

// The storage key a Local Storage key belongs to; nothing for "VERSION" and
// any key of no storage key.
std::optional<std::string_view> StorageKeyOfEntry(std::string_view key);

// The storage key that decides whether the data stays, in one of the two
// forms a keep predicate is asked about: a first-party origin
// ("https://a.test") or a partitioned key with its top-level site
// ("https://a.test/^0https://b.test"). The other partitioned forms are asked
// as their origin: their top-level site is the origin's own site, or opaque,
// which no protected site names (so the data stays only while the origin
// is protected). Nothing for a form this program does not know: that data
// stays.
std::optional<std::string> JudgedAs(std::string_view storage_key);

enum class LocalStorageState {
  kDone,
  kBusy,         // its LOCK is held: its browser has it open
  kWontOpen,     // not a LevelDB, or one that LevelDB finds damaged
  kNotCopied,    // the copy for the recycle bin failed
  kWriteFailed,  // the delete or the compaction failed
  kNotVerified,  // written, but the reopened database did not read back as it should
};

struct LocalStorageWipe {
  LocalStorageState state = LocalStorageState::kDone;
  std::size_t keys_deleted = 0;
  std::size_t storage_keys_deleted = 0;  // distinct storage keys that lost a key
  std::string problem;                   // LevelDB's words, when not kDone
};

// Deletes every key whose storage key the predicate does not keep (asked in
// the form JudgedAs gives), in one synced batch, then compacts the whole
// database so that no file holds a deleted value, and reopens it to check
// what is left. Nothing changes unless the folder reads as a LevelDB without
// a write, and copy_aside, called while the folder's LOCK is held, puts its
// files somewhere safe and returns true. Up to kNotCopied, and when the
// delete fails, the database is as it was.
LocalStorageWipe WipeLocalStorage(const std::string& folder,
                                  const std::function<bool(const std::string&)>& keep,
                                  const std::function<bool()>& copy_aside);

}  // namespace sitedata
