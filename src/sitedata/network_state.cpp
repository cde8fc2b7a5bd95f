#include "sitedata/network_state.h"

#include "browsers/partition.h"

#include <string>

#include "browsers/json_text.h"
#include "sitedata/origins.h"

namespace sitedata {

using browsers::Json;
using browsers::JsonText;
using browsers::ParsedJson;
namespace {

constexpr int kPropertiesVersion = 5;

// The host of "https://host:443", or of a QUIC server id with a path after
// it ("https://host:443/private"); nothing for any other text.
std::optional<std::string> HostOfServer(const Json& server) {
  if (!server.is_string()) return std::nullopt;
  std::string_view text = server.get_ref<const std::string&>();
  if (const auto scheme = text.find("://"); scheme != std::string_view::npos) {
    if (const auto path = text.find('/', scheme + 3); path != std::string_view::npos)
      text = text.substr(0, path);
  }
  const auto origin = FromStorageKey(text);
  if (!origin || !origin->top_level_site.empty()) return std::nullopt;
  return origin->host;
}

// Whether the entry goes: its own host (under `host_member`) or its
// partition's top-level site is unprotected. Entries we cannot read stay.
bool Goes(const Json& entry, const char* host_member, bool host_is_server,
          const browsers::ProtectedSites& kept) {
  if (!entry.is_object()) return false;
  if (const auto host = entry.find(host_member); host != entry.end()) {
    if (host_is_server) {
      const auto server = HostOfServer(*host);
      if (server && !kept.Keeps(*server)) return true;
    } else if (host->is_string() && !host->get_ref<const std::string&>().empty() &&
               !kept.Keeps(host->get_ref<const std::string&>())) {
      return true;
    }
  }
  const auto partition = entry.find("anonymization");
  if (partition == entry.end() || !partition->is_array() || partition->empty()) return false;
  const auto& site = partition->front();
  if (!site.is_string()) return false;
  // A site that cannot be read is kept, as a folder of no known name is.
  const auto top_level = browsers::SiteOfTopFrameKey(site.get_ref<const std::string&>());
  return top_level && !top_level->empty() && !kept.Keeps(*top_level);
}

struct HostList {
  const char* list;
  const char* host_member;
  bool host_is_server;
};
constexpr HostList kLists[] = {{"servers", "server", true},
                               {"quic_servers", "server_id", true},
                               {"broken_alternative_services", "host", false}};

}  // namespace

std::optional<Filtered> FilterNetworkState(std::string_view json,
                                           const browsers::ProtectedSites& kept) {
  auto parsed = ParsedJson(json);
  if (!parsed || !parsed->is_object()) return std::nullopt;
  const auto net = parsed->find("net");
  if (net == parsed->end() || !net->is_object()) return std::nullopt;
  const auto properties = net->find("http_server_properties");
  if (properties == net->end() || !properties->is_object()) return std::nullopt;
  const auto version = properties->find("version");
  if (version == properties->end() || !version->is_number_integer() ||
      *version != kPropertiesVersion)
    return std::nullopt;
  Filtered out;
  for (const auto& [name, host_member, host_is_server] : kLists) {
    const auto list = properties->find(name);
    if (list == properties->end()) continue;
    if (!list->is_array()) return std::nullopt;
    Json stays = Json::array();
    for (auto& entry : *list) {
      if (Goes(entry, host_member, host_is_server, kept))
        ++out.removed;
      else
        stays.push_back(std::move(entry));
    }
    *list = std::move(stays);
  }
  auto text = JsonText(*parsed);
  if (!text) return std::nullopt;
  out.content = std::move(*text);
  return out;
}

}  // namespace sitedata
