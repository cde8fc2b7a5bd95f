// A proxy text as the proxy box holds it, checked before anything changes:
// the forms Windows and the browsers read alike, and nothing that would send
// pages around the proxy.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace proxyswitch {

// Accepted: "host:port" (a name, an IPv4 address or a bracketed IPv6
// address; port 1 to 65535), or the per-scheme form with a proxy for both
// http and https ("http=host:port;https=host:port", other schemes beside
// them). Blanks and a UTF-8 byte-order mark around the text are dropped.
struct CheckedProxy {
  std::string proxy;
  // Why the text is refused, for a message box: the form expected and why.
  std::optional<std::string> problem;
  // The same in a few words, for a list ("no port").
  std::string brief;
};
CheckedProxy CheckProxyText(std::string_view typed);

// The entry of a per-scheme text for one scheme ("http=a:1;https=b:2" gives
// "a:1" for http), empty when it names none; a text for every scheme is
// that scheme's whole.
std::string ProxyForScheme(std::string_view proxy, std::string_view scheme);

}  // namespace proxyswitch
