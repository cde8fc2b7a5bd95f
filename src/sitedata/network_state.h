// Chromium's "Network Persistent State" without the unprotected sites: what
// it learnt of each server (HTTP/2, alternative services, QUIC) names the
// site, and so do the partitions it learnt it under.
#pragma once

#include <optional>
#include <string_view>

#include "browsers/sites.h"
#include "sitedata/filtered.h"

namespace sitedata {

// net.http_server_properties (version 5): "servers" entries by "server"
// ("https://tracker.test:443"), "quic_servers" by "server_id",
// "broken_alternative_services" by "host"; each of them also by the
// top-level site of its "anonymization" ([] or ["https://site", cross-site,
// ...]). An entry goes when either names an unprotected site; every other
// member stays as it was. Nothing when the text is no JSON or another
// version.
std::optional<Filtered> FilterNetworkState(std::string_view json,
                                           const browsers::ProtectedSites& kept);

}  // namespace sitedata
