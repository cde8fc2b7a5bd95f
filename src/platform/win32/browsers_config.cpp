// The proxy settings as WinHTTP hands them to the browsers. Apart from
// connections.cpp: winhttp.h and wininet.h cannot be included together.
#include <windows.h>

#include <winhttp.h>

#include <string>

#include "platform/connections.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"

namespace platform::connections {
namespace {

// A text WinHTTP allocated for the caller.
void FreeGlobalText(LPWSTR text) { ::GlobalFree(text); }
using GlobalText = win32::Unique<LPWSTR, FreeGlobalText>;

std::string Utf8(const GlobalText& text) {
  if (!text) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.Get(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.Get(), -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating null
  return utf8;
}

}  // namespace

status::LastError BrowsersProxyConfig(BrowsersConfig& config) {
  // Loaded only here: start-up never needs WinHTTP.
  static win32::SystemLibrary library("winhttp.dll");
  const auto get = reinterpret_cast<decltype(&::WinHttpGetIEProxyConfigForCurrentUser)>(
      reinterpret_cast<void*>(library.Find("WinHttpGetIEProxyConfigForCurrentUser")));
  // Every system since Windows 2000 SP3 has it: one without is told as the
  // loader tells a missing function.
  if (!get) return ERROR_PROC_NOT_FOUND;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG given{};
  const BOOL got = get(&given);
  const DWORD error = got ? 0 : ::GetLastError();
  // Owned at once, whether or not the call succeeded.
  const GlobalText script(given.lpszAutoConfigUrl), proxy(given.lpszProxy),
      bypass(given.lpszProxyBypass);
  if (!got) return error;
  config.auto_detect = given.fAutoDetect != FALSE;
  config.script_url = Utf8(script);
  config.proxy = Utf8(proxy);
  config.bypass = Utf8(bypass);
  return 0;
}

}  // namespace platform::connections
