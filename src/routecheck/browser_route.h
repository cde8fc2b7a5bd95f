// Which proxy the browsers take for http and for https: the system's proxy
// text read as Chromium's browsers read it (net's ProxyRules), which is not
// quite as WinINet reads it (Test Proxies' HttpTarget).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/outcome.h"
#include "platform/connections.h"
#include "proxytest/probe.h"

namespace routecheck {

// How the browsers speak to a proxy. The check speaks plain HTTP only.
enum class ProxyScheme { kHttp, kHttps, kSocks4, kSocks5 };

struct RouteProxy {
  proxytest::Target target;
  ProxyScheme scheme = ProxyScheme::kHttp;
  // "host:port", an IPv6 host in brackets.
  std::string HostPort() const;
  friend bool operator==(const RouteProxy& a, const RouteProxy& b) {
    return a.target.host == b.target.host && a.target.port == b.target.port && a.scheme == b.scheme;
  }
};

struct BrowserRoute {
  // The proxy each scheme's pages try first; nothing: they go direct.
  std::optional<RouteProxy> http, https;
  // What decides the route before those proxies, when automatic detection
  // or a configuration script is on ("automatic proxy detection", "the
  // configuration script http://..."): then the browsers may take another
  // proxy than the one set, or none.
  std::optional<std::string> decided_by;
  // The settings could not be read, and the browsers then go direct: the
  // call's status.
  std::optional<status::LastError> unread;
};

// The proxy text as the browsers take it:
// - entries are separated by ";"; an entry without "=" is a list of
//   proxies for every scheme, and ends the text unless a per-scheme entry
//   came first;
// - "http=", "https=" and "ftp=" give a scheme's list, repeated ones adding
//   to it; "socks=" gives the list for the schemes that have none (SOCKS4
//   unless its proxy says otherwise); other schemes, and schemes not in
//   lower case, are passed over;
// - a list's proxies are separated by commas, the first one tried first;
//   each is [scheme://]host[:port], the scheme http (the default),
//   https, socks4, socks or socks5 (SOCKS5), or direct; one that is not
//   well formed (a blank inside it, a user name, an empty port) is dropped;
// - a scheme whose list ends up empty goes direct.
BrowserRoute RouteFromRules(std::string_view proxy_rules);

// The route of the whole configuration: its proxy text, and what decides
// before it.
BrowserRoute RouteOf(const platform::connections::BrowsersConfig& config);

}  // namespace routecheck
