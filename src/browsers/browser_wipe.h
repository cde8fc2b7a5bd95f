// Apply's last stage: every browser store found loses the cookies of the
// sites the user did not protect (a copy of it goes to the recycle bin
// first), and its profile's caches are emptied for good. A browser that is
// running, or whose database is locked, is left alone entirely.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browsers/cookie_database.h"
#include "browsers/sites.h"
#include "browsers/stores.h"
#include "cookies/folder_guard.h"

namespace browsers {

struct BrowserWipeReport {
  std::vector<std::string> to_close;  // browsers, each once
  struct Left {
    StoreState why;  // never kDone or kBusy
    std::string database;
  };
  std::vector<Left> left;            // databases left as they are, in the stores' order
  std::vector<std::string> cleaned;  // browsers with a store cleaned, each once
  std::size_t cookies_deleted = 0;
  std::size_t cache_files_deleted = 0;
  // The one message for the user, when a store was left alone.
  std::optional<std::string> Message() const;
};

// Told the cookies and cache files deleted so far.
using WipeProgress = std::function<void(std::size_t deleted)>;

BrowserWipeReport WipeBrowsers(const std::vector<Store>& stores, const ProtectedSites& kept,
                               const WipeProgress& progress = {});

// The browsers of the stores that run now, each once, in the stores' order:
// their stores are left as they are.
std::vector<std::string> RunningBrowsers(const std::vector<Store>& stores);

// The recycle bin's name for a store's copy: "Cookies of Chrome, Default,
// before Maskfold 2026-12-07 14.03.sqlite".
std::string CopyName(const Store& store, int year, int month, int day, int hour, int minute);

// Removes the copy folders that a run ended in the middle of a copy left in
// the temporary folder: their stores were never changed, since a store is
// changed only once its copy is in the recycle bin.
void RemoveLeftoverCopies();

// Deletes everything inside a cache folder, for good: the folder has passed
// the cookies folder's guard, and a link or junction inside is neither
// followed nor removed. Returns the files deleted.
std::size_t EmptyCacheFolder(const cookies::GuardedFolder& folder,
                             const WipeProgress& progress = {});

}  // namespace browsers
