// A connection's proxy settings, and the binary layout in which Windows keeps
// them per connection (the DefaultConnectionSettings value for the LAN, one
// value per dial-up or VPN entry, under Internet Settings\Connections).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace proxyswitch {

// The flags of a connection (PROXY_TYPE_*).
inline constexpr std::uint32_t kDirect = 1;
inline constexpr std::uint32_t kProxy = 2;
inline constexpr std::uint32_t kAutoScript = 4;  // a configuration script (PAC)
inline constexpr std::uint32_t kAutoDetect = 8;

struct ConnectionOptions {
  std::uint32_t flags = kDirect;
  std::string proxy;
  std::string bypass;      // ProxyOverride: "<local>;*.corp"
  std::string script_url;  // the configuration script's address
  bool operator==(const ConnectionOptions&) const = default;
};

// The value as Windows writes it: version, change counter, flags, then the
// proxy, the bypass list and the script address, each a length and its
// bytes, then fields this program does not use, kept as they were.
struct ConnectionValue {
  std::uint32_t version = 0x46;
  std::uint32_t counter = 0;
  ConnectionOptions options;
  std::vector<std::uint8_t> rest;
  bool operator==(const ConnectionValue&) const = default;
};

// Nothing when the bytes are too short for the fields they announce.
std::optional<ConnectionValue> DecodeConnectionValue(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeConnectionValue(const ConnectionValue& value);

// The value with new options: the counter moves on (readers that cache the
// settings notice the change by it), the rest stays. A value that could not
// be read is replaced by one as Windows makes it anew.
ConnectionValue WithOptions(const std::optional<ConnectionValue>& old,
                            const ConnectionOptions& options);

}  // namespace proxyswitch
