#include "routecheck/browser_route.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "common/text.h"

namespace routecheck {
namespace {

// One proxy of a list, or "direct://".
struct Hop {
  bool direct = false;
  RouteProxy proxy;
};

// The pieces between delimiters; empty ones are skipped, as Chromium's
// tokenizer skips them.
std::vector<std::string_view> Tokens(std::string_view text, char delimiter) {
  std::vector<std::string_view> tokens;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(delimiter, start), text.size());
    if (end > start) tokens.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return tokens;
}

std::string_view TrimmedOf(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
// A proxy's text loses spaces and tabs around it; a scheme's name, any
// white space.
std::string_view TrimmedProxy(std::string_view text) { return TrimmedOf(text, " \t"); }
std::string_view TrimmedScheme(std::string_view text) { return TrimmedOf(text, " \t\r\n\v\f"); }

std::uint16_t DefaultPort(ProxyScheme scheme) {
  switch (scheme) {
    case ProxyScheme::kHttp:
      return 80;
    case ProxyScheme::kHttps:
      return 443;
    case ProxyScheme::kSocks4:
    case ProxyScheme::kSocks5:
      break;
  }
  return 1080;
}

bool IsHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}
bool IsIpv6Character(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

// host[:port] or [IPv6][:port]; nothing when it is not well formed.
std::optional<proxytest::Target> HostAndPort(std::string_view text, std::uint16_t default_port) {
  proxytest::Target target;
  std::optional<std::string_view> port;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view host = text.substr(1, close - 1);
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsIpv6Character))
      return std::nullopt;
    target.host = host;
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else {
    const std::size_t colon = text.rfind(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostCharacter))
      return std::nullopt;
    target.host = host;
    if (colon != std::string_view::npos) port = text.substr(colon + 1);
  }
  target.port = default_port;
  if (port) {
    // "host:" has a port that is no port.
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), number);
    if (port->empty() || error != std::errc() || end != port->data() + port->size() ||
        number > 65535)
      return std::nullopt;
    target.port = static_cast<std::uint16_t>(number);
  }
  return target;
}

// [scheme://]host[:port], or "direct://".
std::optional<Hop> ParseHop(std::string_view text, ProxyScheme default_scheme) {
  text = TrimmedProxy(text);
  ProxyScheme scheme = default_scheme;
  if (const std::size_t colon = text.find(':');
      colon != std::string_view::npos && text.substr(colon).starts_with("://")) {
    const std::string_view name = text.substr(0, colon);
    text = text.substr(colon + 3);
    if (text::EqualsNoCase(name, "direct")) {
      if (!TrimmedProxy(text).empty()) return std::nullopt;
      return Hop{true, {}};
    }
    if (text::EqualsNoCase(name, "http"))
      scheme = ProxyScheme::kHttp;
    else if (text::EqualsNoCase(name, "https"))
      scheme = ProxyScheme::kHttps;
    else if (text::EqualsNoCase(name, "socks4"))
      scheme = ProxyScheme::kSocks4;
    else if (text::EqualsNoCase(name, "socks") || text::EqualsNoCase(name, "socks5"))
      scheme = ProxyScheme::kSocks5;
    else
      return std::nullopt;  // QUIC's too: the browsers' release builds refuse it
  }
  text = TrimmedProxy(text);
  // A user name or password is refused, not sent.
  if (text.find('@') != std::string_view::npos) return std::nullopt;
  const auto target = HostAndPort(text, DefaultPort(scheme));
  if (!target) return std::nullopt;
  return Hop{false, {*target, scheme}};
}

void AddList(std::vector<Hop>& list, std::string_view proxies, ProxyScheme default_scheme) {
  for (const std::string_view one : Tokens(proxies, ','))
    if (const auto hop = ParseHop(one, default_scheme)) list.push_back(*hop);
}

std::optional<RouteProxy> FirstOf(const std::vector<Hop>& list) {
  if (list.empty() || list.front().direct) return std::nullopt;
  return list.front().proxy;
}

}  // namespace

std::string RouteProxy::HostPort() const {
  const bool ipv6 = target.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.port);
}

BrowserRoute RouteFromRules(std::string_view proxy_rules) {
  enum class Form { kNone, kForAll, kPerScheme } form = Form::kNone;
  std::vector<Hop> for_all, http, https, fallback;
  for (const std::string_view entry : Tokens(proxy_rules, ';')) {
    const std::vector<std::string_view> parts = Tokens(entry, '=');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
      if (i + 1 == parts.size()) {
        // A list without a scheme: for every scheme, and the last entry
        // read, unless a per-scheme one came first.
        if (form == Form::kPerScheme) continue;
        AddList(for_all, parts[i], ProxyScheme::kHttp);
        form = Form::kForAll;
        break;
      }
      form = Form::kPerScheme;
      const std::string_view scheme = TrimmedScheme(parts[i]);
      // Compared as written: "HTTP=" names no scheme the browsers know.
      // "ftp=" and the unknown ones carry no page that is checked.
      if (scheme == "http")
        AddList(http, parts[i + 1], ProxyScheme::kHttp);
      else if (scheme == "https")
        AddList(https, parts[i + 1], ProxyScheme::kHttp);
      else if (scheme == "socks")
        AddList(fallback, parts[i + 1], ProxyScheme::kSocks4);
    }
    if (form == Form::kForAll) break;
  }
  BrowserRoute route;
  if (form == Form::kForAll) {
    route.http = route.https = FirstOf(for_all);
  } else if (form == Form::kPerScheme) {
    route.http = FirstOf(http.empty() ? fallback : http);
    route.https = FirstOf(https.empty() ? fallback : https);
  }
  return route;
}

BrowserRoute RouteOf(const platform::connections::BrowsersConfig& config) {
  BrowserRoute route = RouteFromRules(config.proxy);
  // The browsers try these first and fall back on the proxy text only when
  // they find no script: the proxy that pages take is theirs to choose.
  if (config.auto_detect)
    route.decided_by = "automatic proxy detection";
  else if (!config.script_url.empty())
    route.decided_by = "the configuration script " + config.script_url;
  return route;
}

}  // namespace routecheck
