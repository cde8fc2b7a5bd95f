// The change of one store of many origins, through the reader of its own
// format: what its browser would not read back is never written.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sitedata/profile_parts.h"

namespace sitedata {

PartOutcome ChangeStore(Action action, const std::string& path, const Plan& plan);

// The hosts of a Chromium profile's Local Storage, read from a copy so that
// the store itself is never opened; empty for other profiles, or when it
// cannot be read.
std::vector<std::string> LocalStorageHosts(const browsers::Store& store);

// The temporary copies that reads of a LevelDB make: a run that ended in
// the middle of one leaves it, for the next start to remove.
inline constexpr char kLevelDbReadPrefix[] = "Maskfold LevelDB read ";

// The buckets of WebStorage's quota database, read only: id and storage
// key; empty when it cannot be read.
std::vector<std::pair<std::string, std::string>> Buckets(const std::string& quota);

// File System's Origins database, read from a copy: each origin's
// identifier ("https_keep.test_28143") with its folder ("000").
std::vector<std::pair<std::string, std::string>> FileSystemFolders(const std::string& origins);

}  // namespace sitedata
