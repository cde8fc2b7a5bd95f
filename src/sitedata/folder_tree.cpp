#include "sitedata/folder_tree.h"

#include "platform/files.h"

namespace sitedata {
namespace {

namespace files = platform::files;

bool IsFolder(std::uint32_t attributes) { return attributes & files::kAttributeDirectory; }

void RemoveInside(const std::string& folder, Removed& removed) {
  for (const auto& entry : files::ListEntries(folder)) {
    const std::string path = folder + "\\" + entry.name;
    if (entry.attributes & files::kAttributeReparsePoint) continue;
    if (IsFolder(entry.attributes)) {
      RemoveInside(path, removed);
      files::RemoveFolder(path);  // stays when a link was kept inside
    } else if (files::DeleteFileUnlessLink(path) == files::Deleted::kDeleted) {
      ++removed.files;
    }
  }
}

// Below an entry that is itself no link, every link or junction carries
// the reparse point attribute: the listing tells, without opening a file.
bool LinkInside(const std::string& folder) {
  for (const auto& entry : files::ListEntries(folder)) {
    if (entry.attributes & files::kAttributeReparsePoint) return true;
    if (IsFolder(entry.attributes) && LinkInside(folder + "\\" + entry.name)) return true;
  }
  return false;
}

}  // namespace

bool HoldsLink(const std::string& path) {
  const auto attributes = files::Attributes(path);
  if (!attributes) return false;
  if ((*attributes & files::kAttributeReparsePoint) || files::IsLink(path)) return true;
  return IsFolder(*attributes) && LinkInside(path);
}

bool CopyTree(const std::string& source, const std::string& target) {
  const auto attributes = files::Attributes(source);
  if (!attributes || (*attributes & files::kAttributeReparsePoint) || files::IsLink(source))
    return false;
  if (!IsFolder(*attributes)) return files::CopyOpenFile(source, target);
  if (!files::MakeDirectory(target)) return false;
  for (const auto& entry : files::ListEntries(source))
    if (!CopyTree(source + "\\" + entry.name, target + "\\" + entry.name)) return false;
  return true;
}

Removed RemoveTree(const std::string& path) {
  Removed removed;
  const auto attributes = files::Attributes(path);
  if (!attributes) return {0, true};
  if (IsFolder(*attributes) && !(*attributes & files::kAttributeReparsePoint)) {
    RemoveInside(path, removed);
    files::RemoveFolder(path);
  } else if (files::DeleteFileUnlessLink(path) == files::Deleted::kDeleted) {
    ++removed.files;
  }
  removed.gone = !files::Exists(path);
  return removed;
}

}  // namespace sitedata
