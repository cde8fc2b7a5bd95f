#include "registry/registry.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <vector>

#include "common/failure.h"

namespace registry {
namespace reg = platform::reg;

namespace {

// Owns the key handle of one routine call. The close is made on every path,
// also for a null handle that a failed open left: that call fails unseen.
class KeyHandle {
 public:
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() {
    failure::PassOver([&] { reg::CloseKey(key_); });
  }
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

// A decimal integer, blanks around it allowed; anything else is a failure of
// the step that needs it.
std::int32_t ParseInt32(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) throw std::invalid_argument("not a number");
  text = text.substr(first, last - first + 1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    throw std::invalid_argument("not a 32-bit integer");
  return value;
}

}  // namespace

std::string GetRegText(Root root, std::string_view subkey, std::string_view value_name) {
  // A failure inside one step is passed over and the next step runs; a read
  // it disturbed does not count as found.
  failure::StepsPassedOver steps;
  std::string result(kNotFound);
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = kReadBufferSize;
  std::uint32_t type = 0;
  long status = -1;

  steps.Run([&] { reg::OpenKey(root, key_path.c_str(), key.Out()); });
  steps.Run([&] { buffer.assign(kReadBufferSize, ' '); });
  steps.Run(
      [&] { status = reg::QueryValueEx(key.Get(), name.c_str(), &type, buffer.data(), &size); });
  if (status == reg::kSuccess && !steps.AnyFailed()) {
    steps.Run([&] {
      if (type == reg::kTypeDword) {
        result = FormatDword(buffer.data(), size);
      } else {
        const std::uint32_t length = size == 0 ? 0 : std::min(size, kReadBufferSize) - 1;
        result.assign(reinterpret_cast<const char*>(buffer.data()), length);
      }
    });
  }
  return result;
}

void SetRegValue(Root root, std::string_view subkey, std::string_view value_name,
                 std::int32_t value_type, std::string_view value) {
  failure::StepsPassedOver steps;
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;

  steps.Run([&] { reg::CreateKey(root, key_path.c_str(), key.Out()); });
  steps.Run([&] {
    if (value_type == static_cast<std::int32_t>(reg::kTypeDword)) {
      const auto number = static_cast<std::uint32_t>(ParseInt32(value));
      const std::uint8_t bytes[4] = {
          static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
      reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeDword, bytes, sizeof bytes);
    } else {
      const std::string text(value);  // with its terminating NUL
      reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeSz,
                      reinterpret_cast<const std::uint8_t*>(text.c_str()),
                      static_cast<std::uint32_t>(text.size() + 1));
    }
  });
  steps.Run([&] { reg::FlushKey(key.Get()); });
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
    const long status = reg::QueryValueEx(key.Get(), name.c_str(), &type, bytes.data(), &size);
    if (status == reg::kMoreData && size > bytes.size()) {
      bytes.resize(size);
      continue;
    }
    if (status != reg::kSuccess || type != reg::kTypeBinary) return std::nullopt;
    bytes.resize(size);
    return bytes;
  }
}

long SetRegBinary(Root root, std::string_view subkey, std::string_view value_name,
                  std::span<const std::uint8_t> bytes) {
  const std::string key_path(subkey);
  const std::string name(value_name);
  KeyHandle key;
  if (const long status = reg::CreateKey(root, key_path.c_str(), key.Out());
      status != reg::kSuccess)
    return status;
  return reg::SetValueEx(key.Get(), name.c_str(), reg::kTypeBinary, bytes.data(),
                         static_cast<std::uint32_t>(bytes.size()));
}

void DeleteRegKey(Root root, std::string_view subkey) {
  failure::StepsPassedOver steps;
  const std::string key_path(subkey);
  KeyHandle key;

  steps.Run([&] { reg::OpenKeyEx(root, "", 0, reg::kKeyAllAccess, key.Out()); });
  steps.Run([&] { reg::DeleteKey(key.Get(), key_path.c_str()); });
}

}  // namespace registry
