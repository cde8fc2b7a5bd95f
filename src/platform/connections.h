// WinINet's per-connection proxy options (INTERNET_OPTION_PER_CONNECTION_OPTION)
// for the LAN and for each dial-up or VPN entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::connections {

// One connection's options as WinINet has them: the LAN when the name is
// empty, otherwise the dial-up or VPN entry of that name.
struct Options {
  std::uint32_t flags = 0;
  std::string proxy;
  std::string bypass;
  std::string script_url;
};

// Each returns 0 on success, otherwise the platform's error code.
std::uint32_t Query(const std::string& connection, Options& options);
std::uint32_t Set(const std::string& connection, const Options& options);

// The names of the dial-up and VPN entries of the phone book (RasEnumEntries);
// none where the system has no remote access.
std::vector<std::string> DialUpEntries();

}  // namespace platform::connections
