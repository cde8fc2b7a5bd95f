#include "platform/process.h"

#include <windows.h>

#include <tlhelp32.h>

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

std::optional<std::string> ProcessImageName(std::uint32_t process_id) {
  const win32::UniqueHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process) return std::nullopt;
  char path[MAX_PATH] = {};
  DWORD size = sizeof path;
  if (!::QueryFullProcessImageNameA(process.Get(), 0, path, &size)) return std::nullopt;
  const std::string full(path, size);
  return full.substr(full.find_last_of("\\/") + 1);
}

std::vector<std::string> RunningProgramNames() {
  std::vector<std::string> names;
  const HANDLE opened = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (opened == INVALID_HANDLE_VALUE) return names;
  const win32::UniqueHandle snapshot(opened);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.Get(), &entry); more;
       more = ::Process32Next(snapshot.Get(), &entry))
    names.emplace_back(entry.szExeFile);
  return names;
}

LocalTime LocalTimeNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

}  // namespace platform::process
