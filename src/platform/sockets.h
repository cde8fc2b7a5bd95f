// TCP connections that never block, hundreds of them watched together by
// one thread (Winsock's WSAPoll on Windows), and host names looked up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::sockets {

// Winsock's codes.
inline constexpr std::uint32_t kRefused = 10061;     // WSAECONNREFUSED
inline constexpr std::uint32_t kNoSuchHost = 11001;  // WSAHOST_NOT_FOUND

// An address and port in the form the system takes (a sockaddr, IPv4 or
// IPv6).
struct Address {
  std::array<unsigned char, 28> bytes{};
  std::size_t size = 0;
};

struct Lookup {
  std::optional<Address> address;
  std::uint32_t error = 0;  // when there is none
};

// What one send or receive did. A receive of nothing, without an error and
// not `later`, is the end of the stream.
struct Moved {
  std::size_t bytes = 0;
  std::uint32_t error = 0;
  bool later = false;  // nothing could move now: wait for the stream again
};

// One TCP connection, closed when destroyed.
class Stream {
 public:
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  virtual ~Stream() = default;
  // Why the connection failed; 0 while it is being made or once it is.
  virtual std::uint32_t ConnectError() = 0;
  virtual Moved Send(std::string_view bytes) = 0;
  virtual Moved Receive(std::span<char> buffer) = 0;
};

// A stream to wait for, and whether it became ready.
struct Watch {
  Stream* stream = nullptr;
  bool write = false;  // ready once connected and writable, or failed
  bool read = false;   // ready once there is something to receive, or the end
  bool ready = false;  // set by Wait
};

class Network {
 public:
  Network() = default;
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;
  virtual ~Network() = default;

  // A steady clock, in milliseconds.
  virtual std::int64_t Now() = 0;
  // The address of a numeric host (IPv4, or IPv6 without brackets) at once;
  // nothing for a name.
  virtual std::optional<Address> Numeric(const std::string& host, std::uint16_t port) = 0;
  // The address of a host name. Blocks on the name service: call it off
  // the thread that waits for the streams.
  virtual Lookup Resolve(const std::string& host, std::uint16_t port) = 0;
  // Starts a connection without waiting for it; null, with the error, when
  // it cannot even start.
  virtual std::unique_ptr<Stream> Connect(const Address& address, std::uint32_t& error) = 0;
  // Waits until a watched stream is ready, Wake is called, or timeout_ms
  // have passed (never, when negative); marks the ready ones.
  virtual void Wait(std::span<Watch> watches, int timeout_ms) = 0;
  // From any thread: the Wait under way, or the next one, returns at once.
  virtual void Wake() = 0;
};

// The system's, loaded with the first call. Throws when the system lacks it.
Network& System();

}  // namespace platform::sockets
