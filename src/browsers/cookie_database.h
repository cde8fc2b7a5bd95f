// One browser's cookies database, through SQLite: the sites it names, and
// the delete of every cookie of an unprotected host, or partitioned under an
// unprotected top-level site, in one transaction.
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
#include "browsers/sqlite_handle.h"
#include "browsers/stores.h"

namespace browsers {

struct HostsRead {
  StoreState state = StoreState::kDone;
  // Each distinct host as stored, then each top-level site that partitions
  // cookies (as a host), in the order first met: the user can protect only
  // a site that the list shows, and a partitioned cookie stays only when
  // both are protected.
  std::vector<std::string> hosts;
};

// Reads without writing.
HostsRead ReadHosts(const Store& store, std::chrono::milliseconds deadline = kStoreDeadline);

struct WipeOutcome {
  StoreState state = StoreState::kDone;
  std::size_t deleted = 0;  // cookies
};

// Deletes every cookie whose host the protected sites do not keep, and every
// one partitioned under a top-level site they do not keep. Before
// anything changes, and while no other program can write to the database,
// copy_aside is called: it must put the database's files somewhere safe and
// return true, or the store is left as it was.
WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside,
                      std::chrono::milliseconds deadline = kStoreDeadline);

}  // namespace browsers
