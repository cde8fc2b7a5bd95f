#include "fake_network.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <utility>

namespace fake {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

std::string Key(const platform::sockets::Address& address) {
  return std::string(reinterpret_cast<const char*>(address.bytes.data()), address.size);
}

}  // namespace

class FakeStream final : public platform::sockets::Stream {
 public:
  FakeStream(FakeNetwork& network, std::string key, FakeProxy proxy, std::int64_t opened)
      : network_(network), key_(std::move(key)), proxy_(std::move(proxy)), opened_(opened) {}
  ~FakeStream() override {
    std::lock_guard lock(network_.mutex_);
    --network_.open_;
  }

  // When the stream is ready for what is asked of it; kNever if it never is.
  std::int64_t ReadyAt(bool write) const {
    using Kind = FakeProxy::Kind;
    if (write) {
      if (proxy_.kind == Kind::kRefuses) return opened_ + proxy_.after_ms;
      return proxy_.kind == Kind::kSilent || proxy_.kind == Kind::kAnswers ? opened_ : kNever;
    }
    if (proxy_.kind != Kind::kAnswers) return kNever;
    const std::size_t piece = PieceSize();
    const std::size_t pieces_sent = delivered_ / piece;
    if (delivered_ < proxy_.answer.size() || proxy_.answer.empty())
      return opened_ + proxy_.after_ms + static_cast<std::int64_t>(pieces_sent) * proxy_.every_ms;
    return proxy_.closes ? opened_ + proxy_.after_ms : kNever;
  }

  std::uint32_t ConnectError() override {
    std::lock_guard lock(network_.mutex_);
    const bool refuses =
        proxy_.kind == FakeProxy::Kind::kRefuses || proxy_.kind == FakeProxy::Kind::kRefusesUnseen;
    return refuses && network_.now_ >= opened_ + proxy_.after_ms ? platform::sockets::kRefused : 0;
  }
  platform::sockets::Moved Send(std::string_view bytes) override {
    std::lock_guard lock(network_.mutex_);
    network_.received_[key_] += bytes;
    return {bytes.size(), 0, false};
  }
  platform::sockets::Moved Receive(std::span<char> buffer) override {
    std::lock_guard lock(network_.mutex_);
    const std::int64_t now = network_.now_;
    if (proxy_.kind != FakeProxy::Kind::kAnswers || now < opened_ + proxy_.after_ms)
      return {0, 0, true};
    std::size_t due = proxy_.answer.size();
    if (proxy_.every_ms > 0)
      due =
          std::min(due, PieceSize() * static_cast<std::size_t>(
                                          1 + (now - opened_ - proxy_.after_ms) / proxy_.every_ms));
    if (delivered_ >= due) return {0, 0, delivered_ < proxy_.answer.size() || !proxy_.closes};
    const std::size_t size = std::min(due - delivered_, buffer.size());
    std::memcpy(buffer.data(), proxy_.answer.data() + delivered_, size);
    delivered_ += size;
    return {size, 0, false};
  }

 private:
  std::size_t PieceSize() const {
    return proxy_.piece ? proxy_.piece : std::max<std::size_t>(proxy_.answer.size(), 1);
  }

  FakeNetwork& network_;
  const std::string key_;
  const FakeProxy proxy_;
  const std::int64_t opened_;
  std::size_t delivered_ = 0;
};

std::size_t FakeNetwork::Open() const {
  std::lock_guard lock(mutex_);
  return open_;
}

std::size_t FakeNetwork::MostOpen() const {
  std::lock_guard lock(mutex_);
  return most_open_;
}

std::vector<std::string> FakeNetwork::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

std::string FakeNetwork::Received(const std::string& proxy) const {
  std::lock_guard lock(mutex_);
  const auto found = received_.find(proxy);
  return found == received_.end() ? "" : found->second;
}

std::int64_t FakeNetwork::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

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
    const platform::sockets::Address& address, std::uint32_t&) {
  const std::string key = Key(address);
  const auto found = proxies.find(key);
  const FakeProxy proxy =
      found != proxies.end() ? found->second : FakeProxy::Of(FakeProxy::Kind::kRefuses);
  std::lock_guard lock(mutex_);
  most_open_ = std::max(most_open_, ++open_);
  connections_.push_back(key);
  return std::make_unique<FakeStream>(*this, key, proxy, now_);
}

void FakeNetwork::Wait(std::span<platform::sockets::Watch> watches, int timeout_ms) {
  std::unique_lock lock(mutex_);
  std::int64_t first = kNever;
  std::vector<std::int64_t> ready_at;
  for (const auto& watch : watches) {
    const auto& stream = static_cast<const FakeStream&>(*watch.stream);
    ready_at.push_back(std::min(watch.write ? stream.ReadyAt(true) : kNever,
                                watch.read ? stream.ReadyAt(false) : kNever));
    first = std::min(first, ready_at.back());
  }
  if (lookup_threads && first > now_ &&
      woken_up_.wait_for(lock, std::chrono::milliseconds(100), [&] { return woken_; })) {
    woken_ = false;
    return;
  }
  if (std::exchange(woken_, false)) return;
  if (first == kNever && timeout_ms < 0) {
    // Nothing will happen but a wake: a lookup on another thread.
    woken_up_.wait(lock, [&] { return woken_; });
    woken_ = false;
    return;
  }
  const std::int64_t until = timeout_ms < 0 ? kNever : now_ + timeout_ms;
  now_ = std::max(now_, std::min(first, until));
  for (std::size_t i = 0; i < watches.size(); ++i) watches[i].ready = ready_at[i] <= now_;
}

void FakeNetwork::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  woken_up_.notify_all();
}

}  // namespace fake

namespace platform::sockets {
// The program's prober is never started by the unit tests.
Network& System() {
  static fake::FakeNetwork network;
  return network;
}
}  // namespace platform::sockets
