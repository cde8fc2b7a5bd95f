// An in-memory network with a clock of its own, for the proxy test: proxies
// at numeric addresses that refuse, never accept, accept and stay silent,
// or answer, each at its time. A wait moves the clock on to the next thing
// that happens, so a run of eight-second time-outs takes no time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/sockets.h"

namespace fake {

struct FakeProxy {
  enum class Kind {
    kRefuses,        // the refusal shows as the connection failing
    kRefusesUnseen,  // as some systems' WSAPoll: only asking the socket tells
    kNeverAccepts,
    kSilent,  // accepts, reads the request, never answers
    kAnswers,
  };
  Kind kind = Kind::kSilent;
  std::int64_t after_ms = 0;  // from the connection: when it refuses or starts answering
  std::string answer;
  std::size_t piece = 0;  // bytes sent at a time, one piece each every_ms; 0: all at once
  std::int64_t every_ms = 0;
  bool closes = true;  // after the answer

  static FakeProxy Of(Kind kind, std::int64_t after_ms = 0) {
    FakeProxy proxy;
    proxy.kind = kind;
    proxy.after_ms = after_ms;
    return proxy;
  }
  static FakeProxy Answering(std::int64_t after_ms, std::string answer, std::size_t piece = 0,
                             std::int64_t every_ms = 0) {
    FakeProxy proxy = Of(Kind::kAnswers, after_ms);
    proxy.answer = std::move(answer);
    proxy.piece = piece;
    proxy.every_ms = every_ms;
    return proxy;
  }
};

class FakeNetwork final : public platform::sockets::Network {
 public:
  // By "host:port" (numeric hosts); anything else refuses at once.
  std::map<std::string, FakeProxy> proxies;
  std::map<std::string, std::string> names;  // host name -> numeric host
  // Set where lookups run on threads of their own: before time passes, a
  // wait gives them a moment of real time to finish, as they would long
  // before a time-out.
  bool lookup_threads = false;

  // What the proxies saw.
  std::size_t Open() const;
  std::size_t MostOpen() const;
  std::vector<std::string> Connections() const;  // "host:port" of each, in order
  std::string Received(const std::string& proxy) const;

  std::int64_t Now() override;
  std::optional<platform::sockets::Address> Numeric(const std::string& host,
                                                    std::uint16_t port) override;
  platform::sockets::Lookup Resolve(const std::string& host, std::uint16_t port) override;
  std::unique_ptr<platform::sockets::Stream> Connect(const platform::sockets::Address& address,
                                                     std::uint32_t& error) override;
  void Wait(std::span<platform::sockets::Watch> watches, int timeout_ms) override;
  void Wake() override;

 private:
  friend class FakeStream;
  mutable std::mutex mutex_;
  std::condition_variable woken_up_;
  std::int64_t now_ = 0;
  bool woken_ = false;
  std::size_t open_ = 0, most_open_ = 0;
  std::vector<std::string> connections_;
  std::map<std::string, std::string> received_;
};

}  // namespace fake
