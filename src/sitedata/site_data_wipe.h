// Apply's wipe of the browsers' site data: every unprotected site's storage
// (IndexedDB, CacheStorage, Local Storage, partitioned buckets, HSTS and
// the network state) leaves each profile, the protected sites keep all of
// theirs. What goes or changes in a profile first goes to the recycle bin
// as one item; a profile whose item the bin cannot take is left as it is,
// and so is the profile of a running browser.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "browsers/sites.h"
#include "browsers/stores.h"
#include "platform/process.h"

namespace sitedata {

struct SiteDataReport {
  std::vector<std::string> to_close;  // browsers open: their profiles left, each once
  struct Left {
    std::string path;  // the store or folder left as it is
    std::string why;   // "LevelDB does not open it cleanly", ...
  };
  std::vector<Left> left;
  std::vector<std::string> not_copied;  // profiles whose item the bin did not take
  std::vector<std::string> unseen;      // profiles whose item left without the bin's count growing
  std::vector<std::string> cleaned;     // browsers with a profile's site data changed, each once
  std::vector<std::string> sites;       // the hosts whose data went, sorted, each once
  std::size_t entries_removed = 0;      // files, keys, HSTS entries, rows and members removed
  // The one message for the user, when something was left alone.
  std::optional<std::string> Message() const;
};

// Wipes each profile of the stores once (two stores of one profile share
// its site data).
SiteDataReport WipeSiteData(const std::vector<browsers::Store>& stores,
                            const browsers::ProtectedSites& kept);

// The recycle bin's name for a profile's copy: "Site data of Chrome,
// Default, before Maskfold 2026-12-08 14.03".
std::string SiteDataCopyName(const browsers::Store& store, const platform::process::LocalTime& at);

// Sends to the recycle bin what a run that ended in the middle set aside in
// the temporary folder: a profile's parts on their way there, or copies.
void BinLeftoverSiteData();

}  // namespace sitedata
