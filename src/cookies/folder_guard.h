// The one check before the program touches a file of the cookies folder or
// its jar: the folder is judged by the path it resolves to, so that no text
// in the registry can point a delete, a move or a new folder elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace cookies {

struct FolderCheck;

// A folder the guard accepted, resolved, without a trailing separator. Only
// the guard makes one: a step that takes it cannot be handed a text from the
// registry that reaches somewhere else.
class GuardedFolder {
 public:
  const std::string& Path() const { return path_; }
  // A file or folder directly inside.
  std::string Inside(std::string_view name) const { return path_ + "\\" + std::string(name); }

 private:
  friend FolderCheck CheckCookiesFolder(const std::string& folder);
  explicit GuardedFolder(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

struct FolderCheck {
  std::optional<GuardedFolder> folder;  // nothing when refused
  // Why the folder is refused ("is the root of a drive", ...), or nothing.
  std::optional<std::string> problem;
  explicit operator bool() const { return folder.has_value(); }
};

// Accepts only an existing folder, given by a full path, that is not a drive
// or share root, a device, or a link to another place, once ".", "..",
// repeated or forward separators, trailing dots and blanks and the "\\?\"
// and "\\.\" prefixes are resolved.
FolderCheck CheckCookiesFolder(const std::string& folder);

}  // namespace cookies
