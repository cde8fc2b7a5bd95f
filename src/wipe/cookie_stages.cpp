#include "wipe/cookie_stages.h"

#include "platform/files.h"

namespace wipe {
namespace fileop = platform::fileop;

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
