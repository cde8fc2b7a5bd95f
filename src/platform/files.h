// File-system and process operations the program relies on.
#pragma once

#include <cstdint>
#include <string>

namespace platform::files {

// The folder of the executable, without a trailing separator.
std::string ApplicationFolder();

// True when the name exists, as a folder or a file.
bool Exists(const std::string& path);
// Creates one folder level; false when it cannot (parent missing, say).
bool MakeDirectory(const std::string& path);
inline constexpr std::uint32_t kAttributeNormal = 0x80;
// SetFileAttributesA; the result is not reported.
void SetAttributes(const std::string& path, std::uint32_t attributes);

// Ends the process at once with the given exit code.
[[noreturn]] void EndProcess(unsigned code);

}  // namespace platform::files
