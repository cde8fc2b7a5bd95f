// An in-memory network with a clock of its own, for the proxy test: proxies
// at numeric addresses that refuse, cannot be reached, never accept, accept
// and stay silent, reset the connection, or answer (a tunnel's request as it
// is told to), each at its time. A wait moves the clock on to
// the next thing that happens, so a run of eight-second time-outs takes no time. For the prober
// turned by the test's own thread: nothing here is locked.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sockets.h"

namespace fake {

// Winsock's codes for a connection reset (WSAECONNRESET) and a network out
// of reach (WSAENETUNREACH).
inline constexpr std::uint32_t kReset = 10054;
inline constexpr std::uint32_t kNoRoute = 10051;

struct FakeProxy {
  enum class Kind {
    kRefuses,        // the refusal shows as the connection failing
    kRefusesUnseen,  // as some systems' WSAPoll: only asking the socket tells
    kNoRoute,        // the connection cannot even start
    kNeverAccepts,
    kSilent,  // accepts, reads the request, never answers
    kResets,  // accepts, reads the request, then the receive fails
    kAnswers,
  };
  FakeProxy(Kind kind = Kind::kRefuses, std::int64_t after_ms = 0, std::string answer = {})
      : kind(kind), after_ms(after_ms), answer(std::move(answer)) {}
  Kind kind;
  std::int64_t after_ms;  // from the connection: when it refuses, resets or answers
  std::string answer;     // sent at once, then the connection is closed...
  bool closes = true;     // ...unless not
  // The answer to a request for a tunnel (CONNECT), when not `answer`.
  std::optional<std::string> tunnel_answer{};
};

class FakeNetwork final : public platform::sockets::Network {
 public:
  // By "host:port" (numeric hosts); any other refuses at once.
  std::map<std::string, FakeProxy> proxies;
  std::map<std::string, std::string> names;  // host name -> numeric host

  // What the proxies saw: each connection's "host:port", in order; those
  // open now and at most; the bytes each was sent.
  std::vector<std::string> connections;
  std::size_t open = 0, most_open = 0;
  std::map<std::string, std::string> received;
  std::int64_t now = 0;
  bool wait_fails = false;  // a wait throws, as a system call's failure would

  std::int64_t Now() override { return now; }
  std::optional<platform::sockets::Address> Numeric(const std::string& host,
                                                    std::uint16_t port) override;
  platform::sockets::Lookup Resolve(const std::string& host, std::uint16_t port) override;
  std::unique_ptr<platform::sockets::Stream> Connect(const platform::sockets::Address& address,
                                                     std::uint32_t& error) override;
  void Wait(std::span<platform::sockets::Watch> watches, int timeout_ms) override;
  void Wake() override { woken_ = true; }

 private:
  bool woken_ = false;
};

}  // namespace fake
