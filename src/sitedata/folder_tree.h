// Whole folders of a browser profile: looked through for links, copied for
// the recycle bin, removed. A link or junction is never followed: a folder
// that holds one is left as it is.
#pragma once

#include <cstddef>
#include <string>

namespace sitedata {

// True when the path is a link or junction, or leads elsewhere through one,
// or anything below it is a link or junction.
bool HoldsLink(const std::string& path);

// Copies a file or a whole folder to target, which must not exist; false
// when any part could not be copied (what was copied stays, for the caller
// to remove). A link anywhere inside fails the copy.
bool CopyTree(const std::string& source, const std::string& target);

// Removes a file or a whole folder, links inside left as they are (their
// folders then stay); returns the files removed. True in gone when nothing
// is left.
struct Removed {
  std::size_t files = 0;
  bool gone = false;
};
Removed RemoveTree(const std::string& path);

}  // namespace sitedata
