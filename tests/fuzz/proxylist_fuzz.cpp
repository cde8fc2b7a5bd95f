// libFuzzer target for the proxy list reader: it must never crash, never
// read past its input, and give the same entries for the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "proxylist/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that AddressSanitizer sees any read past the end.
  auto bytes = std::make_unique<char[]>(size);
  std::copy(data, data + size, bytes.get());
  const std::string_view input(bytes.get(), size);

  const auto first = proxylist::ReadAll(input);
  const auto second = proxylist::ReadAll(input);
  if (first != second) std::abort();
  // Every item is made of input bytes, and each but the last used a separator.
  std::size_t total = 0;
  for (const auto& item : first) total += item.size();
  if (total > size || first.size() > size + 1) std::abort();
  return 0;
}
