#include "fake_network.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace fake {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

class FakeStream final : public platform::sockets::Stream {
 public:
  FakeStream(FakeNetwork& network, std::string key, FakeProxy proxy)
      : network_(network), key_(std::move(key)), proxy_(std::move(proxy)), opened_(network.now) {}
  ~FakeStream() override { --network_.open; }

  // When the stream is ready for what is asked of it; kNever if it never is.
  std::int64_t ReadyAt(bool write) const {
    using Kind = FakeProxy::Kind;
    if (write && proxy_.kind == Kind::kRefuses) return opened_ + proxy_.after_ms;
    const bool speaks = proxy_.kind == Kind::kResets || proxy_.kind == Kind::kAnswers;
    if (write) return speaks || proxy_.kind == Kind::kSilent ? opened_ : kNever;
    if (!speaks || (sent_ && !proxy_.closes)) return kNever;
    return opened_ + proxy_.after_ms;
  }

  std::uint32_t ConnectError() override {
    const bool refuses =
        proxy_.kind == FakeProxy::Kind::kRefuses || proxy_.kind == FakeProxy::Kind::kRefusesUnseen;
    return refuses && network_.now >= opened_ + proxy_.after_ms ? platform::sockets::kRefused : 0;
  }
  platform::sockets::Moved Send(std::string_view bytes) override {
    network_.received[key_] += bytes;
    request_ += bytes;
    return {bytes.size(), 0, false};
  }
  platform::sockets::Moved Receive(std::span<char> buffer) override {
    if (ReadyAt(false) > network_.now) return {0, 0, true};
    if (proxy_.kind == FakeProxy::Kind::kResets) return {0, kReset, false};
    if (sent_) return {0, 0, false};  // closed after the answer
    sent_ = true;
    const std::string& answer = request_.starts_with("CONNECT ") && proxy_.tunnel_answer
                                    ? *proxy_.tunnel_answer
                                    : proxy_.answer;
    const std::size_t size = std::min(answer.size(), buffer.size());
    std::memcpy(buffer.data(), answer.data(), size);
    return {size, 0, false};
  }

 private:
  FakeNetwork& network_;
  const std::string key_;
  const FakeProxy proxy_;
  const std::int64_t opened_;
  std::string request_;  // what this connection was sent
  bool sent_ = false;
};

}  // namespace

std::optional<platform::sockets::Address> FakeNetwork::Numeric(const std::string& host,
                                                               std::uint16_t port) {
  if (host.empty() || host.find_first_not_of("0123456789.:") != std::string::npos)
    return std::nullopt;
  const std::string key = host + ":" + std::to_string(port);
  platform::sockets::Address address;
  address.size = std::min(key.size(), address.bytes.size());
  std::memcpy(address.bytes.data(), key.data(), address.size);
  return address;
}

platform::sockets::Lookup FakeNetwork::Resolve(const std::string& host, std::uint16_t port) {
  const auto found = names.find(host);
  if (found == names.end()) return {std::nullopt, platform::sockets::kNoSuchHost};
  return {Numeric(found->second, port), 0};
}

std::unique_ptr<platform::sockets::Stream> FakeNetwork::Connect(
    const platform::sockets::Address& address, std::uint32_t& error) {
  const std::string key(reinterpret_cast<const char*>(address.bytes.data()), address.size);
  connections.push_back(key);
  const auto found = proxies.find(key);
  const FakeProxy proxy = found != proxies.end() ? found->second : FakeProxy{};
  if (proxy.kind == FakeProxy::Kind::kNoRoute) {
    error = kNoRoute;
    return nullptr;
  }
  most_open = std::max(most_open, ++open);
  return std::make_unique<FakeStream>(*this, key, proxy);
}

void FakeNetwork::Wait(std::span<platform::sockets::Watch> watches, int timeout_ms) {
  if (wait_fails) throw std::runtime_error("the wait failed");
  if (std::exchange(woken_, false)) return;
  std::vector<std::int64_t> ready_at;
  for (const auto& watch : watches) {
    const auto& stream = static_cast<const FakeStream&>(*watch.stream);
    ready_at.push_back(std::min(watch.write ? stream.ReadyAt(true) : kNever,
                                watch.read ? stream.ReadyAt(false) : kNever));
  }
  const std::int64_t first =
      ready_at.empty() ? kNever : *std::min_element(ready_at.begin(), ready_at.end());
  if (first == kNever && timeout_ms < 0) throw std::logic_error("the prober waits for ever");
  now = std::max(now, std::min(first, timeout_ms < 0 ? kNever : now + timeout_ms));
  for (std::size_t i = 0; i < watches.size(); ++i) watches[i].ready = ready_at[i] <= now;
}

}  // namespace fake

namespace platform::sockets {
// The program's prober is never started by the unit tests.
Network& System() {
  static fake::FakeNetwork network;
  return network;
}
}  // namespace platform::sockets
