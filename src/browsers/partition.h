// The top-level site under which a browser partitions what a site keeps
// inside another site's frame, read from the names the browsers store it
// by. A partitioned cookie goes when either its own host or its top-level
// site is unprotected.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "browsers/sites.h"

namespace browsers {

// The host of a serialized origin or site: "https://keep.test:8443/" gives
// "keep.test", "https://[::1]:80" gives "[::1]"; nullopt when it names no
// host.
std::optional<std::string> HostOfOrigin(std::string_view origin);

// Each gives the top-level site as a host, "" when not partitioned, and
// nullopt when the value cannot be read (its data is then not taken for a
// protected site's).
//
// Chromium's cookies.top_frame_site_key: "https://tracker.test", or empty.
std::optional<std::string> SiteOfTopFrameKey(std::string_view key);
// Firefox's origin attributes: "^partitionKey=%28https%2Ctracker.test%29",
// perhaps with a port or the ancestor flag inside the parentheses, and
// beside other attributes ("^userContextId=2&partitionKey=..."); without a
// partition key, first-party isolation's "firstPartyDomain=tracker.test".
std::optional<std::string> PartitionSiteOfAttributes(std::string_view attributes);

// True when data of the host, under the partition read as above, stays.
bool KeepsPartitioned(const ProtectedSites& kept, std::string_view host,
                      const std::optional<std::string>& partition);

}  // namespace browsers
