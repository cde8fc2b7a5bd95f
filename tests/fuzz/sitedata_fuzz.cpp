// libFuzzer target for the site-data readers: never crash, never read past
// their input; a rewritten file is one that reads back the same and has
// nothing more to remove; a cleared .bin keeps its size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "sitedata/hsts.h"
#include "sitedata/network_state.h"
#include "sitedata/origins.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that AddressSanitizer sees any read past the end.
  auto bytes = std::make_unique<char[]>(size);
  std::copy(data, data + size, bytes.get());
  const std::string_view input(bytes.get(), size);
  const browsers::ProtectedSites kept({"keep.test", "[::1]"});

  for (const auto& origin :
       {sitedata::FromChromiumIndexedDbFolder(input), sitedata::FromFirefoxFolder(input),
        sitedata::FromStorageKey(input), sitedata::FromCacheStorageIndex(input),
        sitedata::FromFirefoxMetadata(input)})
    if (origin && (origin->host.empty() || origin->port < 0 || origin->port > 65535)) std::abort();
  (void)sitedata::TopLevelSiteOfAttributes(input);
  (void)sitedata::HostHash(input);

  if (const auto cleared = sitedata::FilterSiteSecurityState(input, kept)) {
    if (cleared->content.size() != input.size()) std::abort();
    const auto again = sitedata::FilterSiteSecurityState(cleared->content, kept);
    if (!again || again->removed != 0 || again->content != cleared->content) std::abort();
  }
  if (const auto hsts = sitedata::FilterTransportSecurity(input, {"keep.test"})) {
    const auto again = sitedata::FilterTransportSecurity(hsts->content, {"keep.test"});
    if (!again || again->removed != 0 || again->content != hsts->content) std::abort();
  }
  if (const auto state = sitedata::FilterNetworkState(input, kept)) {
    const auto again = sitedata::FilterNetworkState(state->content, kept);
    if (!again || again->removed != 0 || again->content != state->content) std::abort();
  }
  return 0;
}
