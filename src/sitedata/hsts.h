// The browsers' HSTS records without the unprotected sites' hosts: Chromium's
// TransportSecurity (JSON, hosts kept as hashes) and Firefox's
// SiteSecurityServiceState.bin (fixed slots, hosts as text).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browsers/sites.h"
#include "sitedata/filtered.h"

namespace sitedata {

// base64(SHA-256(the host in DNS wire form)), as TransportSecurity names a
// host: "hsts.tracker.test" is hashed as "\x04hsts\x07tracker\x04test\x00".
// Empty for a host that has no wire form (an empty label, one over 63
// bytes, over 253 in all).
std::string HostHash(std::string_view host);

// TransportSecurity (version 2: "sts" and "expect_ct" lists of entries
// named by "host") with only the entries of `kept_hosts`. Since a hash names
// one host exactly, the caller lists every host to keep, subdomains too.
// Nothing when the text is no JSON or another version: the file stays.
std::optional<Filtered> FilterTransportSecurity(std::string_view json,
                                                const std::vector<std::string>& kept_hosts);

// SiteSecurityServiceState.bin with the slots of unprotected hosts zeroed, as
// Firefox clears a slot. A slot (286 bytes): a checksum, a score and a last
// access day (16-bit big-endian each; all the slot's 16-bit words XOR to
// zero), the key (256 bytes, zero-padded: the host, then the origin
// attributes from '^'), the value (24 bytes). A partitioned host goes
// unless its top-level site is kept as well. Nothing when the file is not
// whole slots, or a slot's checksum fails (a layout other than this one).
std::optional<Filtered> FilterSiteSecurityState(std::string_view bin,
                                                const browsers::ProtectedSites& kept);

}  // namespace sitedata
