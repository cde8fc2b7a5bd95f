#include "wipe/cookie_stages.h"

#include <cctype>

#include "platform/files.h"

namespace wipe {
namespace fileop = platform::fileop;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:" or "C:\..." with a drive letter.
bool HasDrive(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Number of path components after a "\\server\share" start; -1 if the path
// does not start so.
int ShareDepth(const std::string& path) {
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return -1;
  int components = 0;
  bool in_component = false;
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      in_component = false;
    } else if (!in_component) {
      in_component = true;
      ++components;
    }
  }
  return components;
}

}  // namespace

std::optional<std::string> CookiesFolderProblem(const std::string& folder) {
  if (folder.find('%') != std::string::npos) return "holds an environment reference";
  const int share_depth = ShareDepth(folder);
  if (share_depth >= 0) {
    if (share_depth <= 2) return "is the root of a network share";
  } else if (!HasDrive(folder) || folder.size() < 3 || !IsSeparator(folder[2])) {
    return "is not a full path";
  } else if (folder.find_first_not_of("\\/", 3) == std::string::npos) {
    return "is the root of a drive";
  }
  const auto attributes = platform::files::Attributes(folder);
  if (!attributes || !(*attributes & platform::files::kAttributeDirectory))
    return "is not an existing folder";
  if (*attributes & platform::files::kAttributeReparsePoint) return "is a link to another place";
  return std::nullopt;
}

fileop::Record CookieDeleteRecord(const std::string& folder) {
  // Files only: a folder whose name ends in ".txt" stays with what it holds.
  return {0, fileop::kDelete, folder + "\\*.txt", std::nullopt,
          fileop::kAllowUndo | fileop::kFilesOnly};
}

fileop::Record CookieRestoreRecord(const std::string& folder) {
  return {0, fileop::kCopy, folder + "\\Jar\\*.txt", folder, fileop::kFilesOnly};
}

std::string CookiesFolderFromRegistry(const std::string& stored) {
  if (stored.find('%') == std::string::npos) return stored;
  return platform::files::ExpandEnvironment(stored);
}

}  // namespace wipe
