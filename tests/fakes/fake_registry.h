// An in-memory registry behind platform/registry.h that records every call.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace fake {

struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RegValue&) const = default;
};

struct FakeRegistry {
  // Keys by full path ("HKCU\Software\..."), upper-cased as the platform
  // compares them; values by upper-cased name.
  std::map<std::string, std::map<std::string, RegValue>> keys;
  std::map<platform::reg::Key, std::string> open;
  platform::reg::Key next_handle = 0x100;
  // "OpenKey(HKCU\Software)", "CloseKey(0)", ... in call order.
  std::vector<std::string> calls;
  // Calls whose record starts with this are refused (access denied), with
  // no effect, as under a key the user may not change.
  std::string refuse;

  static FakeRegistry& Get();  // reset by Reset()
  static void Reset();

  void Put(platform::reg::Key root, const std::string& path, const std::string& name,
           RegValue value);
  void PutText(platform::reg::Key root, const std::string& path, const std::string& name,
               const std::string& text);  // REG_SZ with its NUL
  std::optional<RegValue> Value(platform::reg::Key root, const std::string& path,
                                const std::string& name) const;
  bool HasKey(platform::reg::Key root, const std::string& path) const;
  std::size_t Count(const std::string& call_prefix) const;
};

}  // namespace fake
