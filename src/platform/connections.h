// WinINet's per-connection proxy options (INTERNET_OPTION_PER_CONNECTION_OPTION)
// for the LAN and for each dial-up or VPN entry, and the settings as WinHTTP
// hands them to the browsers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/outcome.h"

namespace platform::connections {

// One connection's options as WinINet has them: the LAN when the name is
// empty, otherwise the dial-up or VPN entry of that name.
struct Options {
  std::uint32_t flags = 0;
  std::string proxy;
  std::string bypass;
  std::string script_url;
};

// Each fails as InternetQueryOption and InternetSetOption do: with the
// thread's last error.
status::LastError Query(const std::string& connection, Options& options);
status::LastError Set(const std::string& connection, const Options& options);

// The names of the dial-up and VPN entries of the phone book (RasEnumEntries);
// none where the system has no remote access.
std::vector<std::string> DialUpEntries();

// The proxy settings as the browsers that follow the system's read them
// (WinHttpGetIEProxyConfigForCurrentUser, as Chromium's browsers call it):
// automatic detection, the configuration script's address, the proxy text
// and the bypass list, each empty when not set.
struct BrowsersConfig {
  bool auto_detect = false;
  std::string script_url;
  std::string proxy;
  std::string bypass;
};
// Fails as the call does, with the thread's last error.
status::LastError BrowsersProxyConfig(BrowsersConfig& config);

}  // namespace platform::connections
