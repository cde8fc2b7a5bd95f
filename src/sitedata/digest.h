// The building blocks of Chromium's hashed host names: SHA-256 and
// standard base64 (with '=' padding).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sitedata {

std::array<std::uint8_t, 32> Sha256(std::string_view bytes);
std::string Base64(std::string_view bytes);

}  // namespace sitedata
