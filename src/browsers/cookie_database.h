// One browser's cookies database, through SQLite: the hosts it holds, and
// the delete of every cookie of an unprotected host in one transaction.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "browsers/stores.h"

namespace browsers {

enum class StoreState {
  kDone,
  kBusy,       // locked: its browser has it open
  kNotAStore,  // not SQLite, corrupt, or without the table and column
  kNotCopied,  // the copy for the recycle bin failed: nothing was changed
};

struct HostsRead {
  StoreState state = StoreState::kDone;
  std::vector<std::string> hosts;  // each distinct host as stored
};

// Reads without writing.
HostsRead ReadHosts(const Store& store);

struct WipeOutcome {
  StoreState state = StoreState::kDone;
  std::size_t deleted = 0;  // cookies
};

// Deletes every cookie whose host the protected sites do not keep. Before
// anything changes, and while no other program can write to the database,
// copy_aside is called: it must put the database's files somewhere safe and
// return true, or the store is left as it was.
WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside);

}  // namespace browsers
