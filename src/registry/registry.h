// The program's only way into the registry. The three routines report no
// failure: a read that fails gives the text kNotFound, a write that fails is
// silent.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace registry {

using Root = platform::reg::Key;
inline constexpr Root kCurrentUser = platform::reg::kCurrentUser;
inline constexpr Root kLocalMachine = platform::reg::kLocalMachine;

inline constexpr std::string_view kNotFound = "Not Found";
// Data (with the NUL of a text) longer than this cannot be read.
inline constexpr std::uint32_t kReadBufferSize = 2048;

// The value as text: REG_DWORD in decimal with at least three digits, any
// other type as its bytes less the last one (a text's terminating NUL).
std::string GetRegText(Root root, std::string_view subkey, std::string_view value_name);
// The same read for new code, which must tell a missing value from one that
// holds the text "Not Found": nothing when the value cannot be read.
std::optional<std::string> ReadRegText(Root root, std::string_view subkey,
                                       std::string_view value_name);

// Writes a REG_DWORD for value type 4 (the text is a decimal integer) and a
// REG_SZ for any other type, creating the key when it is missing.
void SetRegValue(Root root, std::string_view subkey, std::string_view value_name,
                 std::int32_t value_type, std::string_view value);

// REG_BINARY values (the connection settings, the program's own record),
// which, unlike the routines above, say what happened. Nothing when the
// value is missing or of another type.
std::optional<std::vector<std::uint8_t>> GetRegBinary(Root root, std::string_view subkey,
                                                      std::string_view value_name);
// The platform's status: kSuccess when written.
platform::reg::Status SetRegBinary(Root root, std::string_view subkey, std::string_view value_name,
                                   std::span<const std::uint8_t> bytes);

// A REG_SZ written, and a value deleted, saying what happened: kSuccess,
// or the platform's status (a value that was not there is kFileNotFound).
platform::reg::Status WriteRegText(Root root, std::string_view subkey, std::string_view value_name,
                                   std::string_view text);
platform::reg::Status DeleteRegValue(Root root, std::string_view subkey,
                                     std::string_view value_name);

// Deletes a key that has no subkeys, with its values.
void DeleteRegKey(Root root, std::string_view subkey);

}  // namespace registry
