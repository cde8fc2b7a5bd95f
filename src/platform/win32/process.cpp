#include "platform/process.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/shell_calls.h"

namespace platform::process {

bool Launch(const std::string& target, const std::string& arguments) {
  const auto result = reinterpret_cast<INT_PTR>(win32::Shell().ShellExecuteA(
      nullptr, "open", target.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr,
      SW_SHOWNORMAL));
  return result > 32;
}

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

std::optional<std::uint64_t> ProcessStartTime(std::uint32_t process_id) {
  const win32::UniqueHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process) return std::nullopt;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.Get(), &code) || code != STILL_ACTIVE) return std::nullopt;
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) return std::nullopt;
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

void EndProcess(unsigned code) { ::ExitProcess(code); }

}  // namespace platform::process
