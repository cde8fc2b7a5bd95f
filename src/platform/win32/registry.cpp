#include "platform/registry.h"

#include <windows.h>

namespace platform::reg {

static_assert(kTypeSz == REG_SZ && kTypeBinary == REG_BINARY && kTypeDword == REG_DWORD);
static_assert(kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(kSuccess.code == ERROR_SUCCESS && kMoreData.code == ERROR_MORE_DATA);

namespace {
HKEY ToHkey(Key key) { return reinterpret_cast<HKEY>(key); }
Key FromHkey(HKEY key) { return reinterpret_cast<Key>(key); }

// Hands the opened key back through the caller's out parameter, null when
// the call failed, as the A calls do.
template <class Call>
Status Opening(Key* result, Call&& call) {
  HKEY opened = nullptr;
  const long status = call(&opened);
  *result = FromHkey(opened);
  return status;
}
}  // namespace

Status OpenKey(Key root, const char* subkey, Key* result) {
  return Opening(result, [&](HKEY* out) { return RegOpenKeyA(ToHkey(root), subkey, out); });
}

Status OpenKeyEx(Key root, const char* subkey, std::uint32_t options, std::uint32_t access,
                 Key* result) {
  return Opening(
      result, [&](HKEY* out) { return RegOpenKeyExA(ToHkey(root), subkey, options, access, out); });
}

Status QueryValueEx(Key key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) {
  DWORD value_type = 0;
  DWORD value_size = *size;
  const long status = RegQueryValueExA(ToHkey(key), name, nullptr, &value_type, data, &value_size);
  *type = value_type;
  *size = value_size;
  return status;
}

Status CreateKey(Key root, const char* subkey, Key* result) {
  return Opening(result, [&](HKEY* out) { return RegCreateKeyA(ToHkey(root), subkey, out); });
}

Status SetValueEx(Key key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) {
  return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

Status FlushKey(Key key) { return RegFlushKey(ToHkey(key)); }

Status DeleteKey(Key key, const char* subkey) { return RegDeleteKeyA(ToHkey(key), subkey); }

Status DeleteValue(Key key, const char* name) { return RegDeleteValueA(ToHkey(key), name); }

Status CloseKey(Key key) { return RegCloseKey(ToHkey(key)); }

}  // namespace platform::reg
