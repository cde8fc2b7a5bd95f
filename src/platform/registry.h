// The registry operations the program relies on, in portable types. On
// Windows they are advapi32's ANSI calls; the native tests link an in-memory
// registry instead.
#pragma once

#include <cstdint>

namespace platform::reg {

// A key handle as an integer: a predefined root or an opened key; 0 is none.
using Key = std::uintptr_t;

inline constexpr Key kCurrentUser = 0x80000001u;
inline constexpr Key kLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kTypeSz = 1;
inline constexpr std::uint32_t kTypeBinary = 3;
inline constexpr std::uint32_t kTypeDword = 4;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

inline constexpr long kSuccess = 0;
inline constexpr long kMoreData = 234;

// Each returns the platform's status code (0 on success), as the call does.
long OpenKey(Key root, const char* subkey, Key* result);
long OpenKeyEx(Key root, const char* subkey, std::uint32_t options, std::uint32_t access,
               Key* result);
long QueryValueEx(Key key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size);
long CreateKey(Key root, const char* subkey, Key* result);
long SetValueEx(Key key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size);
long FlushKey(Key key);
long DeleteKey(Key key, const char* subkey);
long CloseKey(Key key);

}  // namespace platform::reg
