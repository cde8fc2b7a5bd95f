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

namespace {
// A stand-in for the system's code page: Latin-1, where 0x81 means nothing.
std::optional<std::string> Latin1(std::string_view text) {
  std::string utf8;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0x81) return std::nullopt;
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that AddressSanitizer sees any read past the end.
  auto bytes = std::make_unique<char[]>(size);
  std::copy(data, data + size, bytes.get());
  const std::string_view input(bytes.get(), size);

  // The bytes as they are, and as the decoding makes them.
  const auto decoded = proxylist::DecodeText(input, Latin1);
  if (decoded != proxylist::DecodeText(input, Latin1)) std::abort();
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
