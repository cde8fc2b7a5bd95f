#include "platform/connections.h"

#include <windows.h>

#include <ras.h>
#include <raserror.h>
#include <wininet.h>

#include <array>

#include "platform/win32/system_library.h"
#include "platform/win32/wininet_calls.h"

namespace platform::connections {
namespace {

constexpr std::array<DWORD, 4> kOptions = {INTERNET_PER_CONN_FLAGS, INTERNET_PER_CONN_PROXY_SERVER,
                                           INTERNET_PER_CONN_PROXY_BYPASS,
                                           INTERNET_PER_CONN_AUTOCONFIG_URL};

INTERNET_PER_CONN_OPTION_LISTA List(const std::string& connection,
                                    std::array<INTERNET_PER_CONN_OPTIONA, 4>& options) {
  for (std::size_t i = 0; i < options.size(); ++i) options[i].dwOption = kOptions[i];
  INTERNET_PER_CONN_OPTION_LISTA list{};
  list.dwSize = sizeof list;
  list.pszConnection = connection.empty() ? nullptr : const_cast<char*>(connection.c_str());
  list.dwOptionCount = static_cast<DWORD>(options.size());
  list.pOptions = options.data();
  return list;
}

// A text WinINet allocated for the caller, freed here.
std::string Take(char* text) {
  if (!text) return {};
  std::string taken(text);
  ::GlobalFree(text);
  return taken;
}

}  // namespace

status::LastError Query(const std::string& connection, Options& options) {
  std::array<INTERNET_PER_CONN_OPTIONA, 4> asked{};
  INTERNET_PER_CONN_OPTION_LISTA list = List(connection, asked);
  DWORD size = sizeof list;
  if (!win32::WinInet().InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list,
                                             &size))
    return ::GetLastError();
  options.flags = asked[0].Value.dwValue;
  options.proxy = Take(asked[1].Value.pszValue);
  options.bypass = Take(asked[2].Value.pszValue);
  options.script_url = Take(asked[3].Value.pszValue);
  return 0;
}

status::LastError Set(const std::string& connection, const Options& options) {
  std::array<INTERNET_PER_CONN_OPTIONA, 4> given{};
  INTERNET_PER_CONN_OPTION_LISTA list = List(connection, given);
  std::string proxy = options.proxy, bypass = options.bypass, script = options.script_url;
  given[0].Value.dwValue = options.flags;
  given[1].Value.pszValue = proxy.data();
  given[2].Value.pszValue = bypass.data();
  given[3].Value.pszValue = script.data();
  if (!win32::WinInet().InternetSetOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list,
                                           sizeof list))
    return ::GetLastError();
  return 0;
}

std::vector<std::string> DialUpEntries() {
  // Remote access is loaded only here, and a system without it has none.
  static win32::SystemLibrary library("rasapi32.dll");
  const auto enumerate = reinterpret_cast<decltype(&::RasEnumEntriesA)>(
      reinterpret_cast<void*>(library.Find("RasEnumEntriesA")));
  std::vector<std::string> names;
  if (!enumerate) return names;
  std::vector<RASENTRYNAMEA> entries(1);
  for (;;) {
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    DWORD count = 0;
    const DWORD result = enumerate(nullptr, nullptr, entries.data(), &bytes, &count);
    if (result == ERROR_BUFFER_TOO_SMALL && bytes > entries.size() * sizeof(RASENTRYNAMEA)) {
      entries.resize(bytes / sizeof(RASENTRYNAMEA) + 1);
      continue;
    }
    if (result != ERROR_SUCCESS) return names;
    for (DWORD i = 0; i < count && i < entries.size(); ++i)
      names.emplace_back(entries[i].szEntryName);
    return names;
  }
}

}  // namespace platform::connections
