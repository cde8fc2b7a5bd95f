#include "platform/registry.h"

#include <windows.h>

namespace platform::reg {

static_assert(kTypeSz == REG_SZ && kTypeBinary == REG_BINARY && kTypeDword == REG_DWORD);
static_assert(kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(kSuccess == ERROR_SUCCESS && kMoreData == ERROR_MORE_DATA);

namespace {
HKEY ToHkey(Key key) { return reinterpret_cast<HKEY>(key); }
Key FromHkey(HKEY key) { return reinterpret_cast<Key>(key); }

// Hands the opened key back through the caller's out parameter, null when
// the call failed, as the A calls do.
template <class Call>
long Opening(Key* result, Call&& call) {
  HKEY opened = nullptr;
  const long status = call(&opened);
  *result = FromHkey(opened);
  return status;
}
}  // namespace

long OpenKey(Key root, const char* subkey, Key* result) {
  return Opening(result, [&](HKEY* out) { return RegOpenKeyA(ToHkey(root), subkey, out); });
}

long OpenKeyEx(Key root, const char* subkey, std::uint32_t options, std::uint32_t access,
               Key* result) {
  return Opening(
      result, [&](HKEY* out) { return RegOpenKeyExA(ToHkey(root), subkey, options, access, out); });
}

long QueryValueEx(Key key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) {
  DWORD value_type = 0;
  DWORD value_size = *size;
  const long status = RegQueryValueExA(ToHkey(key), name, nullptr, &value_type, data, &value_size);
  *type = value_type;
  *size = value_size;
  return status;
}

long CreateKey(Key root, const char* subkey, Key* result) {
  return Opening(result, [&](HKEY* out) { return RegCreateKeyA(ToHkey(root), subkey, out); });
}

long SetValueEx(Key key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) {
  return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

long FlushKey(Key key) { return RegFlushKey(ToHkey(key)); }

long DeleteKey(Key key, const char* subkey) { return RegDeleteKeyA(ToHkey(key), subkey); }

long CloseKey(Key key) { return RegCloseKey(ToHkey(key)); }

}  // namespace platform::reg
