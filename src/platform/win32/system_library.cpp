#include "platform/win32/system_library.h"

#include <stdexcept>
#include <string>

namespace platform::win32 {

FARPROC SystemLibrary::Find(const char* function) {
  std::call_once(loaded_, [this] {
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    module_ = ::LoadLibraryA((std::string(folder) + '\\' + file_).c_str());
  });
  return module_ ? ::GetProcAddress(module_, function) : nullptr;
}

FARPROC SystemLibrary::FindOrThrow(const char* function) {
  if (const FARPROC found = Find(function)) return found;
  throw std::runtime_error(std::string(function) + " is missing from " + file_);
}

}  // namespace platform::win32
