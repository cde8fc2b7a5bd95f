// The one check before the program touches a file of the cookies folder or
// its jar: the folder is judged by the path it resolves to, so that no text
// in the registry can point a delete, a move or a new folder elsewhere.
#pragma once

#include <optional>
#include <string>

namespace cookies {

struct FolderCheck {
  // The resolved folder, without a trailing separator; empty when refused.
  std::string folder;
  // Why the folder is refused ("is the root of a drive", ...), or nothing.
  std::optional<std::string> problem;
  explicit operator bool() const { return !problem; }
};

// Accepts only an existing folder, given by a full path, that is not a drive
// or share root, a device, or a link to another place, once ".", "..",
// repeated or forward separators, trailing dots and blanks and the "\\?\"
// and "\\.\" prefixes are resolved.
FolderCheck CheckCookiesFolder(const std::string& folder);

}  // namespace cookies
