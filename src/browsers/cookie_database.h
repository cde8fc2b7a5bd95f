// One browser's cookies database, through SQLite: the hosts it holds, and
// the delete of every cookie of an unprotected host in one transaction.
// Only a store shaped as its browser writes it is ever written: one with a
// trigger, a view or a virtual table in the cookies' place, or pages that
// SQLite finds damaged, is left as it is.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "browsers/stores.h"

namespace browsers {

enum class StoreState {
  kDone,
  kBusy,       // locked or held open without sharing: its browser has it open
  kNotAStore,  // not SQLite, or without the table and column
  kUnusual,    // a trigger, or the cookies table not a plain table
  kDamaged,    // SQLite's quick check finds it corrupt
  kReadOnly,   // the file is read-only
  kLink,       // the file is a link to somewhere else
  kTimedOut,   // its work did not end before the deadline; rolled back
  kNotCopied,  // the copy for the recycle bin failed: nothing was changed
};

// Each store's own work (not its copy) ends by this time, so that a huge or
// hostile database cannot hold Apply and, with it, Exit.
inline constexpr std::chrono::milliseconds kStoreDeadline{15000};

struct HostsRead {
  StoreState state = StoreState::kDone;
  std::vector<std::string> hosts;  // each distinct host as stored
};

// Reads without writing.
HostsRead ReadHosts(const Store& store, std::chrono::milliseconds deadline = kStoreDeadline);

struct WipeOutcome {
  StoreState state = StoreState::kDone;
  std::size_t deleted = 0;  // cookies
};

// Deletes every cookie whose host the protected sites do not keep. Before
// anything changes, and while no other program can write to the database,
// copy_aside is called: it must put the database's files somewhere safe and
// return true, or the store is left as it was.
WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside,
                      std::chrono::milliseconds deadline = kStoreDeadline);

}  // namespace browsers
