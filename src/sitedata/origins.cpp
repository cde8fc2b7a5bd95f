#include "sitedata/origins.h"

#include "browsers/partition.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace sitedata {
namespace {

constexpr std::string_view kIndexedDbSuffixes[] = {".indexeddb.leveldb", ".indexeddb.blob"};

bool WebScheme(std::string_view scheme) { return scheme == "http" || scheme == "https"; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool HostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

bool Ipv6Char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
         c == '.';
}

// A host name or a bracketed IPv6 address, lower case; nothing for anything
// a browser would not have canonicalized to.
std::optional<std::string> HostOf(std::string_view host) {
  if (host.size() >= 4 && host.front() == '[' && host.back() == ']') {
    const auto inner = host.substr(1, host.size() - 2);
    for (char c : inner)
      if (!Ipv6Char(c)) return std::nullopt;
    if (inner.find(':') == std::string_view::npos) return std::nullopt;
    std::string out(host);
    for (char& c : out) c = Lower(c);
    return out;
  }
  if (host.empty() || host.front() == '.' || host.back() == '.' ||
      host.find("..") != std::string_view::npos)
    return std::nullopt;
  for (char c : host)
    if (!HostChar(c)) return std::nullopt;
  return browsers::SiteOf(host);
}

std::optional<int> PortOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (error != std::errc{} || end != digits.data() + digits.size() || port > 65535)
    return std::nullopt;
  return port;
}

// "https://host", "https://host:8443", "http://[::1]:80/" (one trailing
// slash at most): Chromium's origins and sites, Firefox's origins without
// their attributes.
std::optional<Origin> FromUrlOrigin(std::string_view text) {
  const auto separator = text.find("://");
  if (separator == std::string_view::npos) return std::nullopt;
  Origin origin;
  origin.scheme = std::string(text.substr(0, separator));
  if (!WebScheme(origin.scheme)) return std::nullopt;
  auto rest = text.substr(separator + 3);
  if (rest.ends_with('/')) rest.remove_suffix(1);
  std::string_view host = rest;
  std::string_view port;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, close + 1);
    const auto after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port = after.substr(1);
      if (port.empty()) return std::nullopt;
    }
  } else if (const auto colon = rest.find(':'); colon != std::string_view::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  auto canonical = HostOf(host);
  if (!canonical) return std::nullopt;
  origin.host = std::move(*canonical);
  if (!port.empty()) {
    const auto number = PortOf(port);
    if (!number) return std::nullopt;
    origin.port = *number;
  }
  return origin;
}

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool Keeps(const browsers::ProtectedSites& kept, const Origin& origin) {
  return kept.Keeps(origin.host) &&
         (origin.top_level_site.empty() || kept.Keeps(origin.top_level_site));
}

std::optional<Origin> FromChromiumIndexedDbFolder(std::string_view name) {
  bool suffixed = false;
  for (auto suffix : kIndexedDbSuffixes)
    if (name.ends_with(suffix)) {
      name.remove_suffix(suffix.size());
      suffixed = true;
      break;
    }
  if (!suffixed) return std::nullopt;
  return FromFileSystemIdentifier(name);
}

std::optional<Origin> FromFileSystemIdentifier(std::string_view name) {
  // Chromium's database identifier: "<scheme>_<host>_<port>", the port 0
  // for the scheme's default, IPv6 with '_' for ':' ("[1__2]").
  const auto first = name.find('_');
  const auto last = name.rfind('_');
  if (first == std::string_view::npos || first == 0 || last == first) return std::nullopt;
  Origin origin;
  origin.scheme = std::string(name.substr(0, first));
  if (!WebScheme(origin.scheme)) return std::nullopt;
  const auto port = PortOf(name.substr(last + 1));
  if (!port) return std::nullopt;
  origin.port = *port;
  std::string host(name.substr(first + 1, last - first - 1));
  if (host.starts_with('[')) {
    for (char& c : host)
      if (c == '_') c = ':';
  }
  auto canonical = HostOf(host);
  if (!canonical) return std::nullopt;
  origin.host = std::move(*canonical);
  return origin;
}

std::optional<Origin> FromStorageKey(std::string_view key) {
  const auto caret = key.find('^');
  auto origin = FromUrlOrigin(key.substr(0, caret));
  if (!origin || caret == std::string_view::npos) return origin;
  // The attributes: "^<digit><data>" each, the data never empty.
  std::vector<std::pair<char, std::string_view>> attributes;
  for (auto rest = key.substr(caret); !rest.empty();) {
    if (rest.size() < 3 || rest[0] != '^' || rest[2] == '^') return std::nullopt;
    const auto next = rest.find('^', 1);
    attributes.emplace_back(rest[1],
                            rest.substr(2, next == std::string_view::npos ? next : next - 2));
    rest = next == std::string_view::npos ? std::string_view{} : rest.substr(next);
  }
  const auto bit = [](std::string_view data) { return data == "0" || data == "1"; };
  const char first = attributes[0].first;
  if (first == '0' &&
      (attributes.size() == 1 ||
       (attributes.size() == 2 && attributes[1].first == '3' && bit(attributes[1].second)))) {
    auto site = FromUrlOrigin(attributes[0].second);
    if (!site) return std::nullopt;
    origin->top_level_site = std::move(site->host);
    return origin;
  }
  // A cross-site ancestor under the origin's own site.
  if (first == '3' && attributes.size() == 1 && bit(attributes[0].second)) return origin;
  // A nonce: a frame of its own, opened by this origin.
  if (first == '1' && attributes.size() == 2 && attributes[1].first == '2' &&
      Digits(attributes[0].second) && Digits(attributes[1].second))
    return origin;
  // An opaque top-level site opened from another: that site partitions it.
  if (first == '4' && attributes.size() == 3 && attributes[1].first == '5' &&
      attributes[2].first == '6' && Digits(attributes[0].second) && Digits(attributes[1].second)) {
    auto precursor = FromUrlOrigin(attributes[2].second);
    if (!precursor) return std::nullopt;
    origin->top_level_site = std::move(precursor->host);
    return origin;
  }
  // Anything newer: left alone.
  return std::nullopt;
}

std::optional<Origin> FromCacheStorageIndex(std::string_view index_txt) {
  // The CacheStorageIndex message: field 2 the origin ("https://host:port/"),
  // field 3 the storage key in newer files.
  std::optional<std::string_view> origin_field;
  std::optional<std::string_view> key_field;
  std::size_t at = 0;
  const auto varint = [&]() -> std::optional<std::uint64_t> {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64 && at < index_txt.size(); shift += 7) {
      const auto byte = static_cast<unsigned char>(index_txt[at++]);
      value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
      if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
  };
  while (at < index_txt.size()) {
    const auto tag = varint();
    if (!tag) return std::nullopt;
    const auto field = *tag >> 3;
    std::size_t skip = 0;
    switch (*tag & 7) {
      case 0:
        if (!varint()) return std::nullopt;
        break;
      case 1:
        skip = 8;
        break;
      case 5:
        skip = 4;
        break;
      case 2: {
        const auto length = varint();
        if (!length || *length > index_txt.size() - at) return std::nullopt;
        const auto value = index_txt.substr(at, static_cast<std::size_t>(*length));
        if (field == 2) origin_field = value;
        if (field == 3) key_field = value;
        skip = value.size();
        break;
      }
      default:
        return std::nullopt;
    }
    if (skip > index_txt.size() - at) return std::nullopt;
    at += skip;
  }
  if (key_field) return FromStorageKey(*key_field);
  if (origin_field) return FromStorageKey(*origin_field);
  return std::nullopt;
}

std::optional<std::string> TopLevelSiteOfAttributes(std::string_view attributes) {
  return browsers::PartitionSiteOfAttributes(attributes);
}

std::optional<Origin> FromFirefoxFolder(std::string_view name) {
  // The origin with each of ":/*?\"<>|\\" and the control characters made
  // '+': "https://keep.test:28143" is "https+++keep.test+28143".
  const auto caret = name.find('^');
  auto base = name.substr(0, caret);
  const auto separator = base.find("+++");
  if (separator == std::string_view::npos) return std::nullopt;
  std::string url(base.substr(0, separator));
  url += "://";
  auto rest = base.substr(separator + 3);
  std::string_view host = rest;
  std::string_view port;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, close + 1);
    port = rest.substr(close + 1);
    if (!port.empty() && (port.size() < 2 || port.front() != '+')) return std::nullopt;
  } else if (const auto plus = rest.find('+'); plus != std::string_view::npos) {
    host = rest.substr(0, plus);
    port = rest.substr(plus);
  }
  for (char c : host) url += c == '+' ? ':' : c;
  if (!port.empty()) {
    url += ':';
    url += port.substr(1);
  }
  auto origin = FromUrlOrigin(url);
  if (!origin || url.ends_with('/')) return std::nullopt;
  auto site = TopLevelSiteOfAttributes(caret == std::string_view::npos ? "" : name.substr(caret));
  if (!site) return std::nullopt;
  origin->top_level_site = std::move(*site);
  return origin;
}

std::optional<Origin> FromFirefoxMetadata(std::string_view metadata_v2) {
  // Big-endian: the last access time (8 bytes), persisted (1), flags (4),
  // reserved (4); then the suffix, the group and the origin, each a 32-bit
  // length and its bytes; then a byte once meaning isApp.
  constexpr std::size_t kHeader = 8 + 1 + 4 + 4;
  if (metadata_v2.size() < kHeader) return std::nullopt;
  std::size_t at = kHeader;
  std::string_view strings[3];
  for (auto& text : strings) {
    if (metadata_v2.size() - at < 4) return std::nullopt;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
      length = (length << 8) | static_cast<unsigned char>(metadata_v2[at + i]);
    at += 4;
    if (length > metadata_v2.size() - at) return std::nullopt;
    text = metadata_v2.substr(at, length);
    at += length;
  }
  if (at == metadata_v2.size()) return std::nullopt;
  const auto suffix = strings[0];
  const auto full = strings[2];
  const auto caret = full.find('^');
  const auto own_suffix = caret == std::string_view::npos ? std::string_view{} : full.substr(caret);
  // The origin carries its suffix again: a file whose two disagree is none
  // that Firefox wrote.
  if (own_suffix != suffix) return std::nullopt;
  auto origin = FromUrlOrigin(full.substr(0, caret));
  if (!origin || full.substr(0, caret).ends_with('/')) return std::nullopt;
  auto site = TopLevelSiteOfAttributes(suffix);
  if (!site) return std::nullopt;
  origin->top_level_site = std::move(*site);
  return origin;
}

}  // namespace sitedata
