#include "cookies/folder_guard.h"

#include <cctype>
#include <string_view>

#include "common/text.h"
#include "platform/files.h"

namespace cookies {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "X:" followed by a separator.
bool IsDrivePath(std::string_view path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         IsSeparator(path[2]);
}

bool IsUncPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// "\\?\" and "\\.\" (with either separator).
bool HasDevicePrefix(std::string_view path) {
  return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
         (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]);
}

// A "\\?\" or "\\.\" path that names a drive or share path stands for that
// path; any other is a device. Nothing when it is a device.
std::optional<std::string> WithoutDevicePrefix(const std::string& path) {
  if (!HasDevicePrefix(path)) return path;
  const std::string rest = path.substr(4);
  if (rest.size() == 2 && IsDrivePath(rest + "\\")) return rest + "\\";  // the volume itself
  if (IsDrivePath(rest)) return rest;
  if (text::StartsWithNoCase(rest, "UNC") && rest.size() > 3 && IsSeparator(rest[3]))
    return "\\\\" + rest.substr(4);
  return std::nullopt;
}

// Components after "\\": the server, the share, then the folders.
int UncComponents(std::string_view path) {
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

FolderCheck Refused(std::string problem) { return {std::nullopt, std::move(problem)}; }

}  // namespace

FolderCheck CheckCookiesFolder(const std::string& folder) {
  if (folder.find('%') != std::string::npos) return Refused("holds an environment reference");
  const auto stated = WithoutDevicePrefix(folder);
  if (!stated) return Refused("is a device path");
  // Judged before resolving: a relative path would resolve against whatever
  // the current folder happens to be.
  if (!IsDrivePath(*stated) && !IsUncPath(*stated)) return Refused("is not a full path");
  // Past the drive letter a colon names an NTFS stream: "C:\:$I30:$INDEX_ALLOCATION"
  // is the root's own index, that is the root itself.
  if (stated->find(':', IsDrivePath(*stated) ? 2 : 0) != std::string::npos)
    return Refused("names a file stream");

  std::string resolved = platform::files::FullPath(*stated);
  if (resolved.empty()) return Refused("is not a full path");
  // Reserved names (NUL, CON...) resolve into the device namespace.
  if (HasDevicePrefix(resolved)) return Refused("is a device path");
  while (resolved.size() > 1 && IsSeparator(resolved.back())) resolved.pop_back();
  if (IsUncPath(resolved)) {
    if (UncComponents(resolved) <= 2) return Refused("is the root of a network share");
  } else if (!IsDrivePath(resolved + "\\")) {
    return Refused("is not a full path");
  } else if (resolved.size() <= 2) {
    return Refused("is the root of a drive");
  }

  const auto attributes = platform::files::Attributes(resolved);
  if (!attributes) return Refused("does not exist");
  if (!(*attributes & platform::files::kAttributeDirectory))
    return Refused("is a file, not a folder");
  if (*attributes & platform::files::kAttributeReparsePoint)
    return Refused("is a link to another place");
  return {GuardedFolder(std::move(resolved)), std::nullopt};
}

}  // namespace cookies
