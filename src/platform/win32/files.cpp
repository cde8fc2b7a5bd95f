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

void EndProcess(unsigned code) { ::ExitProcess(code); }

}  // namespace platform::files
