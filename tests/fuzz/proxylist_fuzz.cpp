// libFuzzer target for the proxy list's decoding and reader: they must never
// crash, never read past their input, and give the same entries for the same
// bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "proxylist/decoding.h"
#include "proxylist/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that AddressSanitizer sees any read past the end.
  auto bytes = std::make_unique<char[]>(size);
  std::copy(data, data + size, bytes.get());
  const std::string_view input(bytes.get(), size);

  // The bytes as they are, and as the decoding makes them (with the system's
  // code page taking 8-bit text as it is).
  const proxylist::LegacyDecoder as_is = [](std::string_view text) {
    return std::optional<std::string>(text);
  };
  const auto decoded = proxylist::DecodeText(input, as_is);
  if (decoded != proxylist::DecodeText(input, as_is)) std::abort();
  if (decoded && decoded->find('\0') != std::string::npos) std::abort();
  for (const std::string_view text :
       {input, decoded ? std::string_view(*decoded) : std::string_view()}) {
    const auto first = proxylist::ReadAll(text);
    const auto second = proxylist::ReadAll(text);
    if (first != second) std::abort();
    // Every item is made of input bytes, and each but the last used a
    // separator.
    std::size_t total = 0;
    for (const auto& item : first) total += item.size();
    if (total > text.size() || first.size() > text.size() + 1) std::abort();
  }
  return 0;
}
