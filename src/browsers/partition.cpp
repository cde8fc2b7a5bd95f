#include "browsers/partition.h"

namespace browsers {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Form decoding, as Firefox writes its attributes: "+" for a blank, "%XX"
// for any other byte. nullopt for a broken escape.
std::optional<std::string> FormDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      decoded += ' ';
    } else if (text[i] != '%') {
      decoded += text[i];
    } else {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    }
  }
  return decoded;
}

// "(https,tracker.test)", "(https,tracker.test,8443)", "(https,tracker.test,f)"
// or, from a Firefox that keys partitions by base domain alone,
// "tracker.test".
std::optional<std::string> SiteOfPartitionKey(std::string key) {
  // Firefox writes ":" as "+" inside the key: "[::1]" is stored "[++1]".
  for (char& c : key)
    if (c == '+') c = ':';
  if (key.empty()) return std::nullopt;
  if (key.front() != '(')
    return key.find_first_of("(),/ ") == std::string::npos ? std::optional<std::string>(key)
                                                           : std::nullopt;
  if (key.back() != ')') return std::nullopt;
  const std::string_view inside = std::string_view(key).substr(1, key.size() - 2);
  const auto first = inside.find(',');
  if (first == 0 || first == std::string_view::npos) return std::nullopt;
  const std::string_view rest = inside.substr(first + 1);
  const std::string_view host = rest.substr(0, rest.find(','));
  if (host.empty()) return std::nullopt;
  return std::string(host);
}

}  // namespace

std::optional<std::string> HostOfOrigin(std::string_view origin) {
  const auto separator = origin.find("://");
  if (separator == 0 || separator == std::string_view::npos) return std::nullopt;
  std::string_view rest = origin.substr(separator + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  std::string_view host;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, close + 1);
    rest.remove_prefix(close + 1);
    if (!rest.empty() && rest.front() != ':') return std::nullopt;
  } else {
    host = rest.substr(0, rest.find(':'));
  }
  if (host.find('@') != std::string_view::npos) return std::nullopt;
  std::string site = SiteOf(host);
  if (site.empty()) return std::nullopt;
  return site;
}

std::optional<std::string> SiteOfTopFrameKey(std::string_view key) {
  if (key.empty()) return std::string();
  return HostOfOrigin(key);
}

std::optional<std::string> PartitionSiteOfAttributes(std::string_view attributes) {
  if (attributes.empty()) return std::string();
  if (!attributes.starts_with('^')) return std::nullopt;
  attributes.remove_prefix(1);
  // First-party isolation keys by the top-level site too, in its own
  // attribute; the two are never set together, the partition key wins.
  std::optional<std::string_view> partition, first_party;
  while (!attributes.empty()) {
    const auto end = attributes.find('&');
    const std::string_view pair = attributes.substr(0, end);
    attributes = end == std::string_view::npos ? std::string_view{} : attributes.substr(end + 1);
    const auto equals = pair.find('=');
    const std::string_view name = pair.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1);
    if (name == "partitionKey") partition = value;
    if (name == "firstPartyDomain") first_party = value;
  }
  const auto encoded = partition ? partition : first_party;
  if (!encoded) return std::string();
  const auto key = FormDecoded(*encoded);
  if (!key) return std::nullopt;
  const auto site = SiteOfPartitionKey(*key);
  if (!site || SiteOf(*site).empty()) return std::nullopt;
  return SiteOf(*site);
}

bool KeepsPartitioned(const ProtectedSites& kept, std::string_view host,
                      const std::optional<std::string>& partition) {
  if (!partition) return false;
  return kept.Keeps(host) && (partition->empty() || kept.Keeps(*partition));
}

}  // namespace browsers
