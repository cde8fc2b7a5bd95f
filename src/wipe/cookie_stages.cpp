#include "wipe/cookie_stages.h"

#include <vector>

#include "cookies/cookie_files.h"
#include "cookies/jar.h"
#include "platform/files.h"

namespace wipe {
namespace fileop = platform::fileop;

namespace {
// Full paths of the folder's cookie files, hidden ones too, as the shell's
// own wildcard would take them.
std::vector<std::string> CookiePaths(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& name : cookies::CookieFiles(folder, platform::files::Hidden::kIncluded))
    paths.push_back(folder + "\\" + name);
  return paths;
}

// Without FOF_NORECURSION the shell takes every subfolder as well: the
// delete would reach the jar.
constexpr unsigned kThisFolderOnly = fileop::kFilesOnly | fileop::kNoRecursion;
}  // namespace

std::optional<fileop::Record> CookieDeleteRecord(const cookies::GuardedFolder& folder) {
  std::vector<std::string> paths = CookiePaths(folder.Path());
  if (paths.empty()) return std::nullopt;
  return fileop::Record{0, fileop::kDelete, std::move(paths), std::nullopt,
                        fileop::kAllowUndo | kThisFolderOnly};
}

std::optional<fileop::Record> CookieRestoreRecord(const cookies::GuardedFolder& folder) {
  std::vector<std::string> paths = CookiePaths(cookies::JarFolder(folder));
  if (paths.empty()) return std::nullopt;
  return fileop::Record{0, fileop::kCopy, std::move(paths), folder.Path(), kThisFolderOnly};
}

std::string CookiesFolderFromRegistry(const std::string& stored) {
  if (stored.find('%') == std::string::npos) return stored;
  return platform::files::ExpandEnvironment(stored);
}

}  // namespace wipe
