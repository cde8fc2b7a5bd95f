// The registry operations the program relies on, in portable types. On
// Windows they are advapi32's ANSI calls; the native tests link an in-memory
// registry instead.
#pragma once

#include <cstdint>

#include "common/outcome.h"

namespace platform::reg {

// A key handle as an integer: a predefined root or an opened key; 0 is none.
using Key = std::uintptr_t;

inline constexpr Key kCurrentUser = 0x80000001u;
inline constexpr Key kLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kTypeSz = 1;
inline constexpr std::uint32_t kTypeBinary = 3;
inline constexpr std::uint32_t kTypeDword = 4;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Each returns the call's own status, as the call does.
using Status = status::Win32Error;
inline constexpr Status kSuccess{0};
inline constexpr Status kMoreData{234};

Status OpenKey(Key root, const char* subkey, Key* result);
Status OpenKeyEx(Key root, const char* subkey, std::uint32_t options, std::uint32_t access,
                 Key* result);
Status QueryValueEx(Key key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size);
Status CreateKey(Key root, const char* subkey, Key* result);
Status SetValueEx(Key key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size);
Status FlushKey(Key key);
Status DeleteKey(Key key, const char* subkey);
Status DeleteValue(Key key, const char* name);
Status CloseKey(Key key);

}  // namespace platform::reg
