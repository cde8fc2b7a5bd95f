#include "platform/fileop.h"

#include <windows.h>

#include <shellapi.h>

namespace platform::fileop {
namespace {
// The platform takes lists of names, each list ended by a second NUL.
std::string NameList(const std::string& name) { return name + '\0' + '\0'; }
}  // namespace

int Run(const Record& record) {
  const std::string from = NameList(record.from);
  const std::string to = record.to ? NameList(*record.to) : std::string();
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = reinterpret_cast<HWND>(record.owner);
  operation.wFunc = record.function;
  operation.pFrom = from.c_str();
  operation.pTo = record.to ? to.c_str() : nullptr;
  operation.fFlags = static_cast<FILEOP_FLAGS>(record.flags);
  return ::SHFileOperationA(&operation);
}

}  // namespace platform::fileop
