#include "platform/files.h"

#include <windows.h>

#include <vector>

namespace platform::files {

std::string ApplicationFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      std::string folder(path.data(), length);
      return folder.substr(0, folder.find_last_of("\\/"));
    }
    path.resize(path.size() * 2);
  }
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr); }

void SetAttributes(const std::string& path, std::uint32_t attributes) {
  ::SetFileAttributesA(path.c_str(), attributes);
}

std::optional<std::uint32_t> Attributes(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

std::string ExpandEnvironment(const std::string& text) {
  const DWORD size = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (size == 0) return text;
  std::string expanded(size, '\0');
  const DWORD written = ::ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return text;
  expanded.resize(written - 1);
  return expanded;
}

void EndProcess(unsigned code) { ::ExitProcess(code); }

}  // namespace platform::files
