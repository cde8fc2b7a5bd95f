#include "registry/registry.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace registry {
namespace reg = platform::reg;

namespace {

// Owns the key handle of one routine call. The close is made on every path,
// also for a null handle that a failed open left: that call fails, and its
// status is not looked at.
class KeyHandle {
 public:
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() { [[maybe_unused]] const reg::Status closed = reg::CloseKey(key_); }
  reg::Key* Out() { return &key_; }
  reg::Key Get() const { return key_; }

 private:
  reg::Key key_ = 0;
};

// A DWORD value stored with fewer than four bytes holds just those: the
// buffer's other bytes are not part of it.
std::string FormatDword(const std::uint8_t* bytes, std::uint32_t size) {
  std::uint32_t number = 0;
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(size, 4); ++i)
    number |= std::uint32_t{bytes[i]} << (8 * i);
  std::string text = std::to_string(number);
  if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
  return text;
}

// A decimal integer, blanks around it allowed; nothing for anything else.
std::optional<std::int32_t> ParseInt32(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, last - first + 1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

// Each routine goes on with its next step whatever the step before it did,
// as the routines always have: a failed open leaves a null key, on which
// the next call fails in turn. Only the result tells.

std::string GetRegText(Root root, std::string_view subkey, std::string_view value_name) {
  return ReadRegText(root, subkey, value_name).value_or(std::string(kNotFound));
}

std::optional<std::string> ReadRegText(Root root, std::string_view subkey,
                                       std::string_view value_name) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  std::vector<std::uint8_t> buffer(kReadBufferSize, ' ');
  std::uint32_t size = kReadBufferSize;
  std::uint32_t type = 0;

  const reg::Status opened = reg::OpenKey(root, key_path.c_str(), key.Out());
  const reg::Status read = reg::QueryValueEx(key.Get(), name.c_str(), &type, buffer.data(), &size);
  // A read that an open it followed did not make does not count as found.
  if (opened != reg::kSuccess || read != reg::kSuccess) return std::nullopt;
  if (type == reg::kTypeDword) return FormatDword(buffer.data(), size);
  const std::uint32_t length = size == 0 ? 0 : std::min(size, kReadBufferSize) - 1;
  return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

void SetRegValue(Root root, std::string_view subkey, std::string_view value_name,
                 std::int32_t value_type, std::string_view value) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;

  [[maybe_unused]] const reg::Status created = reg::CreateKey(root, key_path.c_str(), key.Out());
  if (value_type == static_cast<std::int32_t>(reg::kTypeDword)) {
    // A text that is no number writes nothing; the key is still flushed.
    if (const auto number = ParseInt32(value)) {
      const auto bits = static_cast<std::uint32_t>(*number);
      const std::uint8_t bytes[4] = {
          static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
      [[maybe_unused]] const reg::Status written =
          reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeDword, bytes, sizeof bytes);
    }
  } else {
    const std::string text(value);  // with its terminating NUL
    [[maybe_unused]] const reg::Status written = reg::SetValueEx(
        key.Get(), name.c_str(), reg::kTypeSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
        static_cast<std::uint32_t>(text.size() + 1));
  }
  [[maybe_unused]] const reg::Status flushed = reg::FlushKey(key.Get());
}

std::optional<std::vector<std::uint8_t>> GetRegBinary(Root root, std::string_view subkey,
                                                      std::string_view value_name) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  if (reg::OpenKey(root, key_path.c_str(), key.Out()) != reg::kSuccess) return std::nullopt;
  std::vector<std::uint8_t> bytes(256);
  for (;;) {
    std::uint32_t type = 0;
    auto size = static_cast<std::uint32_t>(bytes.size());
    const reg::Status status =
        reg::QueryValueEx(key.Get(), name.c_str(), &type, bytes.data(), &size);
    if (status == reg::kMoreData && size > bytes.size()) {
      bytes.resize(size);
      continue;
    }
    if (status != reg::kSuccess || type != reg::kTypeBinary) return std::nullopt;
    bytes.resize(size);
    return bytes;
  }
}

reg::Status SetRegBinary(Root root, std::string_view subkey, std::string_view value_name,
                         std::span<const std::uint8_t> bytes) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  if (const reg::Status status = reg::CreateKey(root, key_path.c_str(), key.Out());
      status != reg::kSuccess)
    return status;
  return reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeBinary, bytes.data(),
                         static_cast<std::uint32_t>(bytes.size()));
}

reg::Status WriteRegText(Root root, std::string_view subkey, std::string_view value_name,
                         std::string_view text) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  const std::string data(text);  // with its terminating NUL
  KeyHandle key;
  if (const reg::Status status = reg::CreateKey(root, key_path.c_str(), key.Out());
      status != reg::kSuccess)
    return status;
  return reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeSz,
                         reinterpret_cast<const std::uint8_t*>(data.c_str()),
                         static_cast<std::uint32_t>(data.size() + 1));
}

reg::Status DeleteRegValue(Root root, std::string_view subkey, std::string_view value_name) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  if (const reg::Status status =
          reg::OpenKeyEx(root, key_path.c_str(), 0, reg::kKeyAllAccess, key.Out());
      status != reg::kSuccess)
    return status;
  return reg::DeleteValue(key.Get(), name.c_str());
}

void DeleteRegKey(Root root, std::string_view subkey) {
  const std::string key_path(subkey);
  KeyHandle key;
  [[maybe_unused]] const reg::Status opened =
      reg::OpenKeyEx(root, "", 0, reg::kKeyAllAccess, key.Out());
  // A missing key, or one with subkeys, stays as it is.
  [[maybe_unused]] const reg::Status deleted = reg::DeleteKey(key.Get(), key_path.c_str());
}

}  // namespace registry
