#include "proxyswitch/proxy_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "common/text.h"

namespace proxyswitch {
namespace {

constexpr std::string_view kForm = "Type it as host:port, for example 127.0.0.1:8080";
// The longest name DNS can carry.
constexpr std::size_t kLongestName = 253;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(std::string_view text) {
  for (;;) {
    if (text.starts_with("\xEF\xBB\xBF"))
      text.remove_prefix(3);
    else if (!text.empty() && IsBlank(text.front()))
      text.remove_prefix(1);
    else
      break;
  }
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// Why one "host:port" is not one, or nothing when it is.
struct Fault {
  std::string why;    // after "The proxy "X" "
  std::string brief;  // "no port"
};

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool IsIpv6Character(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

std::optional<Fault> HostPortFault(std::string_view entry) {
  if (entry.find("://") != std::string_view::npos)
    return Fault{"begins with a scheme (\"http://\"). " + std::string(kForm) +
                     ", without it: Windows' proxy setting takes the address alone.",
                 "not host:port"};
  if (entry.find('@') != std::string_view::npos)
    return Fault{"carries a user name or password. " + std::string(kForm) +
                     ": Windows' proxy setting cannot carry a password; your browser asks for it "
                     "when the proxy wants one.",
                 "has a password"};
  std::string_view host, port;
  if (entry.starts_with('[')) {
    const std::size_t close = entry.find(']');
    if (close == std::string_view::npos || close == 1 ||
        !std::all_of(entry.begin() + 1, entry.begin() + close, IsIpv6Character))
      return Fault{
          "is not an address Maskfold can use. " + std::string(kForm) + ", or [IPv6 address]:port.",
          "not host:port"};
    host = entry.substr(0, close + 1);
    const std::string_view rest = entry.substr(close + 1);
    if (!rest.empty() && rest.front() != ':')
      return Fault{
          "is not an address Maskfold can use. " + std::string(kForm) + ", or [IPv6 address]:port.",
          "not host:port"};
    if (!rest.empty()) port = rest.substr(1);
  } else {
    const std::size_t colon = entry.find(':');
    if (colon != std::string_view::npos && entry.find(':', colon + 1) != std::string_view::npos)
      return Fault{
          "looks like an IPv6 address without brackets. Type it as [address]:port, for "
          "example [::1]:8080: without them the port cannot be told from the address.",
          "not host:port"};
    host = entry.substr(0, colon);
    if (colon != std::string_view::npos) port = entry.substr(colon + 1);
    if (host.empty() || host.size() > kLongestName ||
        !std::all_of(host.begin(), host.end(), IsNameCharacter))
      return Fault{"is not an address Maskfold can use. " + std::string(kForm) + ".",
                   "not host:port"};
    if (colon == std::string_view::npos) port = {};
  }
  if (port.empty())
    return Fault{"has no port. " + std::string(kForm) +
                     ": without one, Windows would use port 80, which is rarely the proxy's.",
                 "no port"};
  unsigned number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (error != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535)
    return Fault{"has the port \"" + std::string(port) +
                     "\", which is not one: ports go from 1 to 65535. " + std::string(kForm) + ".",
                 "port out of range"};
  return std::nullopt;
}

std::optional<Fault> PerSchemeFault(std::string_view proxy) {
  bool http = false, https = false, socks = false;
  for (std::size_t start = 0; start <= proxy.size();) {
    const std::size_t end = std::min(proxy.find(';', start), proxy.size());
    const std::string_view entry = proxy.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos)
      return Fault{
          "mixes a proxy for every scheme with proxies for some. Give either host:port "
          "alone, or every entry as scheme=host:port, as in "
          "http=127.0.0.1:8080;https=127.0.0.1:8080.",
          "not host:port"};
    const std::string_view scheme = entry.substr(0, equals);
    const std::string_view address = entry.substr(equals + 1);
    if (scheme.empty() || !std::all_of(scheme.begin(), scheme.end(), [](char c) {
          return std::isalpha(static_cast<unsigned char>(c));
        }))
      return Fault{
          "has an entry that is not scheme=host:port. Give every entry so, as in "
          "http=127.0.0.1:8080;https=127.0.0.1:8080.",
          "not host:port"};
    if (address.empty()) continue;  // no proxy for that scheme
    if (auto fault = HostPortFault(address)) return fault;
    http = http || text::EqualsNoCase(scheme, "http");
    https = https || text::EqualsNoCase(scheme, "https");
    socks = socks || text::EqualsNoCase(scheme, "socks");
  }
  if (!http && !https && socks)
    return Fault{
        "is a SOCKS proxy. Maskfold does not switch to SOCKS proxies: Windows' programs "
        "would use it as SOCKS4 and look every name up on this computer, which shows "
        "your own network the sites you visit. Use an HTTP proxy, as host:port.",
        "SOCKS only"};
  if (!http)
    return Fault{
        "names no proxy for http, so web pages at http addresses would go direct and "
        "show your own address. Add one as http=host:port, or give host:port alone for "
        "every kind of address.",
        "http would go direct"};
  if (!https)
    return Fault{
        "names no proxy for https, so https pages (most of the web) would go direct and "
        "show your own address. Add one as https=host:port, or give host:port alone for "
        "every kind of address.",
        "https would go direct"};
  return std::nullopt;
}

}  // namespace

CheckedProxy CheckProxyText(std::string_view typed) {
  std::string proxy = Trimmed(typed);
  if (proxy.empty())
    return {{},
            "The proxy box is empty. Type a proxy as host:port, or pick one from the list.",
            "empty"};
  std::optional<Fault> fault;
  if (std::any_of(proxy.begin(), proxy.end(), IsBlank))
    fault = Fault{"has blanks inside it. " + std::string(kForm) +
                      ", with no blanks: Windows would read only part of it.",
                  "blanks inside"};
  else if (proxy.find('=') != std::string::npos)
    fault = PerSchemeFault(proxy);
  else
    fault = HostPortFault(proxy);
  if (fault) return {{}, "The proxy \"" + proxy + "\" " + fault->why, fault->brief};
  return {std::move(proxy), std::nullopt, {}};
}

std::string ProxyForScheme(std::string_view proxy, std::string_view scheme) {
  if (proxy.find('=') == std::string_view::npos) return std::string(proxy);
  for (std::size_t start = 0; start <= proxy.size();) {
    const std::size_t end = std::min(proxy.find(';', start), proxy.size());
    const std::string_view entry = proxy.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos && text::EqualsNoCase(entry.substr(0, equals), scheme))
      return std::string(entry.substr(equals + 1));
  }
  return {};
}

}  // namespace proxyswitch
