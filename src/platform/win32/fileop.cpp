#include "platform/fileop.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/handles.h"
#include "platform/win32/shell_calls.h"

namespace platform::fileop {

static_assert(kCopy == FO_COPY && kDelete == FO_DELETE);
static_assert(kAllowUndo == FOF_ALLOWUNDO && kFilesOnly == FOF_FILESONLY);
static_assert(kNoRecursion == FOF_NORECURSION);

namespace {
// The platform takes lists of names, each name ended by a NUL and the list
// by a second one.
std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& name : names) list += name + '\0';
  return list + '\0';
}
}  // namespace

status::Win32Error Run(const Record& record) {
  const std::string from = NameList(record.from);
  const std::string to = record.to ? NameList({*record.to}) : std::string();
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = reinterpret_cast<HWND>(record.owner);
  operation.wFunc = record.function;
  operation.pFrom = from.c_str();
  operation.pTo = record.to ? to.c_str() : nullptr;
  operation.fFlags = static_cast<FILEOP_FLAGS>(record.flags);

  // The shell's copy engine and its dialogs want COM on their thread; the
  // caller runs this off its window's thread, so that the windows answer.
  const win32::ComScope com(COINIT_APARTMENTTHREADED);
  const int result = win32::Shell().SHFileOperationA(&operation);
  return result;
}

std::optional<std::uint64_t> RecycleBinItems(const std::string& path) {
  // The drive's root: "C:\" or "\\server\share\".
  std::string root = path;
  if (root.size() >= 3 && root[1] == ':') {
    root.resize(3);
  } else if (root.starts_with("\\\\")) {
    const auto share = root.find('\\', root.find('\\', 2) + 1);
    if (share != std::string::npos) root.resize(share + 1);
  }
  SHQUERYRBINFO contents{};
  contents.cbSize = sizeof contents;
  if (FAILED(win32::Shell().SHQueryRecycleBinA(root.c_str(), &contents))) return std::nullopt;
  return static_cast<std::uint64_t>(contents.i64NumItems);
}

}  // namespace platform::fileop
