#include "sitedata/hsts.h"

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "browsers/json_text.h"
#include "sitedata/digest.h"
#include "sitedata/origins.h"

namespace sitedata {

using browsers::Json;
using browsers::JsonText;
using browsers::ParsedJson;
namespace {

constexpr int kTransportSecurityVersion = 2;
constexpr std::string_view kHostLists[] = {"sts", "expect_ct"};

constexpr std::size_t kKeyLength = 256;
constexpr std::size_t kValueLength = 24;  // SiteSecurityServiceState's own
constexpr std::size_t kSlotLength = 2 + 2 + 2 + kKeyLength + kValueLength;
constexpr std::size_t kMaxSlots = 2048;

bool ChecksumHolds(std::string_view slot) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < slot.size(); i += 2)
    sum ^= static_cast<std::uint16_t>((static_cast<unsigned char>(slot[i]) << 8) |
                                      static_cast<unsigned char>(slot[i + 1]));
  return sum == 0;
}

bool Blank(std::string_view slot) { return slot.find_first_not_of('\0') == std::string_view::npos; }

// Whether the slot's entry stays; nothing for a key that reads as no host.
std::optional<bool> SlotStays(std::string_view slot, const browsers::ProtectedSites& kept) {
  auto key = slot.substr(6, kKeyLength);
  key = key.substr(0, key.find_last_not_of('\0') + 1);
  const auto caret = key.find('^');
  auto host = key.substr(0, caret);
  // Older Firefox named the record after the host: "host:HSTS".
  if (host.ends_with(":HSTS")) host.remove_suffix(5);
  if (host.empty() || host.find_first_of(":/%\\ ") != std::string_view::npos) return std::nullopt;
  const auto site =
      TopLevelSiteOfAttributes(caret == std::string_view::npos ? "" : key.substr(caret));
  if (!site) return std::nullopt;
  return kept.Keeps(host) && (site->empty() || kept.Keeps(*site));
}

}  // namespace

std::string HostHash(std::string_view host) {
  const std::string site = browsers::SiteOf(host);
  if (site.empty() || site.size() > 253) return {};
  std::string wire;
  for (std::size_t start = 0;;) {
    const auto dot = site.find('.', start);
    const auto label = std::string_view(site).substr(start, dot - start);
    if (label.empty() || label.size() > 63) return {};
    wire += static_cast<char>(label.size());
    wire += label;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  wire += '\0';
  const auto digest = Sha256(wire);
  return Base64(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

std::optional<Filtered> FilterTransportSecurity(std::string_view json,
                                                const std::vector<std::string>& kept_hosts) {
  auto parsed = ParsedJson(json);
  if (!parsed || !parsed->is_object()) return std::nullopt;
  const auto version = parsed->find("version");
  if (version == parsed->end() || !version->is_number_integer() ||
      *version != kTransportSecurityVersion)
    return std::nullopt;
  std::unordered_set<std::string> kept;
  for (const auto& host : kept_hosts)
    if (auto hash = HostHash(host); !hash.empty()) kept.insert(std::move(hash));
  Filtered out;
  for (const auto name : kHostLists) {
    const auto list = parsed->find(name);
    if (list == parsed->end()) continue;
    if (!list->is_array()) return std::nullopt;
    Json stays = Json::array();
    for (auto& entry : *list) {
      const auto host = entry.is_object() ? entry.find("host") : entry.end();
      // Entries Chromium skips as unreadable stay as they are.
      if (!entry.is_object() || host == entry.end() || !host->is_string() ||
          kept.contains(host->get<std::string>()))
        stays.push_back(std::move(entry));
      else
        ++out.removed;
    }
    *list = std::move(stays);
  }
  auto text = JsonText(*parsed);
  if (!text) return std::nullopt;
  out.content = std::move(*text);
  return out;
}

std::optional<Filtered> FilterSiteSecurityState(std::string_view bin,
                                                const browsers::ProtectedSites& kept) {
  if (bin.size() % kSlotLength != 0 || bin.size() / kSlotLength > kMaxSlots) return std::nullopt;
  Filtered out;
  out.content = std::string(bin);
  for (std::size_t at = 0; at < bin.size(); at += kSlotLength) {
    const auto slot = bin.substr(at, kSlotLength);
    if (!ChecksumHolds(slot)) return std::nullopt;
    if (Blank(slot)) continue;
    const auto score = slot.substr(2, 2);
    const auto day = slot.substr(4, 2);
    // Firefox reads a slot without a score or a day as empty.
    if (score == std::string_view("\0\0", 2) || day == std::string_view("\0\0", 2)) continue;
    const auto stays = SlotStays(slot, kept);
    if (stays.value_or(true)) continue;
    out.content.replace(at, kSlotLength, kSlotLength, '\0');
    ++out.removed;
  }
  return out;
}

}  // namespace sitedata
