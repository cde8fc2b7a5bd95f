#include "proxyswitch/connection_settings.h"

namespace proxyswitch {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Dword(std::uint32_t& out) {
    if (bytes_.size() - at_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) out |= std::uint32_t{bytes_[at_ + i]} << (8 * i);
    at_ += 4;
    return true;
  }
  bool Text(std::string& out) {
    std::uint32_t length = 0;
    if (!Dword(length) || bytes_.size() - at_ < length) return false;
    out.assign(reinterpret_cast<const char*>(bytes_.data() + at_), length);
    at_ += length;
    return true;
  }
  std::vector<std::uint8_t> Rest() const { return {bytes_.begin() + at_, bytes_.end()}; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

void PutDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& bytes, const std::string& text) {
  PutDword(bytes, static_cast<std::uint32_t>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// What follows the script address in a value Windows makes anew: the
// detection flags and the time and result of the last detection, all zero.
constexpr std::size_t kNewRestSize = 32;

}  // namespace

std::optional<ConnectionValue> DecodeConnectionValue(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  ConnectionValue value;
  if (!reader.Dword(value.version) || !reader.Dword(value.counter) ||
      !reader.Dword(value.options.flags) || !reader.Text(value.options.proxy) ||
      !reader.Text(value.options.bypass) || !reader.Text(value.options.script_url))
    return std::nullopt;
  value.rest = reader.Rest();
  return value;
}

std::vector<std::uint8_t> EncodeConnectionValue(const ConnectionValue& value) {
  std::vector<std::uint8_t> bytes;
  PutDword(bytes, value.version);
  PutDword(bytes, value.counter);
  PutDword(bytes, value.options.flags);
  PutText(bytes, value.options.proxy);
  PutText(bytes, value.options.bypass);
  PutText(bytes, value.options.script_url);
  bytes.insert(bytes.end(), value.rest.begin(), value.rest.end());
  return bytes;
}

ConnectionValue WithOptions(const std::optional<ConnectionValue>& old,
                            const ConnectionOptions& options) {
  ConnectionValue value;
  value.rest.assign(kNewRestSize, 0);
  if (old) {
    value = *old;
    ++value.counter;
  }
  value.options = options;
  return value;
}

}  // namespace proxyswitch
