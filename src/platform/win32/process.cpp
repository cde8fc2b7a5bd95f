#include "platform/process.h"

#include <windows.h>

#include "platform/win32/shell_calls.h"

namespace platform::process {

bool Launch(const std::string& target, const std::string& arguments) {
  const auto result = reinterpret_cast<INT_PTR>(win32::Shell().ShellExecuteA(
      nullptr, "open", target.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr,
      SW_SHOWNORMAL));
  return result > 32;
}

void EndProcess(unsigned code) { ::ExitProcess(code); }

}  // namespace platform::process
