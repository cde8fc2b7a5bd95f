#include "platform/sockets.h"

// Winsock's headers come before <windows.h>, which would bring the old ones.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"

namespace platform::sockets {

static_assert(kRefused == WSAECONNREFUSED);
static_assert(kNoSuchHost == WSAHOST_NOT_FOUND);
static_assert(sizeof(sockaddr_in6) <= sizeof(Address::bytes));

namespace {

// Winsock, loaded with the proxy test: most runs of the program never
// open a socket.
struct WinsockCalls {
  decltype(::WSAStartup)* WSAStartup;
  decltype(::WSASocketW)* WSASocketW;
  decltype(::closesocket)* closesocket;
  decltype(::ioctlsocket)* ioctlsocket;
  decltype(::bind)* bind;
  decltype(::connect)* connect;
  decltype(::getsockname)* getsockname;
  decltype(::getsockopt)* getsockopt;
  decltype(::send)* send;
  decltype(::recv)* recv;
  decltype(::WSAPoll)* WSAPoll;
  decltype(::WSAGetLastError)* WSAGetLastError;
  decltype(::getaddrinfo)* getaddrinfo;
  decltype(::freeaddrinfo)* freeaddrinfo;
};

const WinsockCalls& Winsock() {
  static const WinsockCalls calls = [] {
    static win32::SystemLibrary library("ws2_32.dll");
    WinsockCalls found{};
    MASKFOLD_REQUIRE(library, found, WSAStartup);
    MASKFOLD_REQUIRE(library, found, WSASocketW);
    MASKFOLD_REQUIRE(library, found, closesocket);
    MASKFOLD_REQUIRE(library, found, ioctlsocket);
    MASKFOLD_REQUIRE(library, found, bind);
    MASKFOLD_REQUIRE(library, found, connect);
    MASKFOLD_REQUIRE(library, found, getsockname);
    MASKFOLD_REQUIRE(library, found, getsockopt);
    MASKFOLD_REQUIRE(library, found, send);
    MASKFOLD_REQUIRE(library, found, recv);
    MASKFOLD_REQUIRE(library, found, WSAPoll);
    MASKFOLD_REQUIRE(library, found, WSAGetLastError);
    MASKFOLD_REQUIRE(library, found, getaddrinfo);
    MASKFOLD_REQUIRE(library, found, freeaddrinfo);
    return found;
  }();
  return calls;
}

void CloseSocket(SOCKET socket) { Winsock().closesocket(socket); }
// A socket, closed with its owner.
using Socket = win32::Unique<SOCKET, CloseSocket, INVALID_SOCKET>;

// A socket that never blocks and that a program it starts does not inherit.
Socket NonBlocking(int family, int type, int protocol, std::uint32_t& error) {
  const WinsockCalls& ws = Winsock();
  SOCKET made = ws.WSASocketW(family, type, protocol, nullptr, 0,
                              WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (made == INVALID_SOCKET && ws.WSAGetLastError() == WSAEINVAL)  // before Windows 7 SP1
    made = ws.WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (made == INVALID_SOCKET) {
    error = ws.WSAGetLastError();
    return {};
  }
  Socket socket(made);
  u_long on = 1;
  if (ws.ioctlsocket(socket.Get(), FIONBIO, &on) != 0) {
    error = ws.WSAGetLastError();
    return {};
  }
  return socket;
}

Moved Outcome(int result) {
  if (result >= 0) return {static_cast<std::size_t>(result), 0, false};
  const int error = Winsock().WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return {0, 0, true};
  return {0, static_cast<std::uint32_t>(error), false};
}

class WinsockStream final : public Stream {
 public:
  explicit WinsockStream(Socket socket) : socket_(std::move(socket)) {}
  SOCKET Get() const { return socket_.Get(); }

  std::uint32_t ConnectError() override {
    int error = 0;
    int size = sizeof error;
    if (Winsock().getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                             &size) != 0)
      return Winsock().WSAGetLastError();
    return static_cast<std::uint32_t>(error);
  }
  Moved Send(std::string_view bytes) override {
    const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    return Outcome(Winsock().send(socket_.Get(), bytes.data(), size, 0));
  }
  Moved Receive(std::span<char> buffer) override {
    const int size = static_cast<int>(std::min<std::size_t>(buffer.size(), 1 << 20));
    return Outcome(Winsock().recv(socket_.Get(), buffer.data(), size, 0));
  }

 private:
  Socket socket_;
};

// The first address getaddrinfo gives, an IPv4 one where there is one (as
// WinINet takes it).
Lookup Find(const std::string& host, std::uint16_t port, int flags) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = flags;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int error = Winsock().getaddrinfo(host.c_str(), service.c_str(), &hints, &found))
    return {std::nullopt, static_cast<std::uint32_t>(error)};
  const addrinfo* chosen = nullptr;
  for (const addrinfo* one = found; one; one = one->ai_next)
    if ((one->ai_family == AF_INET || one->ai_family == AF_INET6) &&
        one->ai_addrlen <= sizeof(Address::bytes) &&
        (!chosen || (chosen->ai_family != AF_INET && one->ai_family == AF_INET)))
      chosen = one;
  Lookup lookup{std::nullopt, WSAHOST_NOT_FOUND};
  if (chosen) {
    Address address;
    std::memcpy(address.bytes.data(), chosen->ai_addr, chosen->ai_addrlen);
    address.size = chosen->ai_addrlen;
    lookup = {address, 0};
  }
  Winsock().freeaddrinfo(found);
  return lookup;
}

class WinsockNetwork final : public Network {
 public:
  WinsockNetwork() {
    WSADATA data{};
    if (const int error = Winsock().WSAStartup(MAKEWORD(2, 2), &data))
      throw std::runtime_error("Winsock did not start: error " + std::to_string(error));
    // The wake-up: a datagram the network sends itself, which WSAPoll sees
    // as any other socket's. Without it, waits are cut short instead.
    std::uint32_t error = 0;
    Socket wake = NonBlocking(AF_INET, SOCK_DGRAM, IPPROTO_UDP, error);
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
    int size = sizeof loopback;
    auto* address = reinterpret_cast<sockaddr*>(&loopback);
    const WinsockCalls& ws = Winsock();
    if (wake && ws.bind(wake.Get(), address, size) == 0 &&
        ws.getsockname(wake.Get(), address, &size) == 0 &&
        ws.connect(wake.Get(), address, size) == 0)
      wake_ = std::move(wake);
  }

  std::int64_t Now() override { return static_cast<std::int64_t>(::GetTickCount64()); }

  std::optional<Address> Numeric(const std::string& host, std::uint16_t port) override {
    return Find(host, port, AI_NUMERICHOST).address;
  }

  Lookup Resolve(const std::string& host, std::uint16_t port) override {
    return Find(host, port, 0);
  }

  std::unique_ptr<Stream> Connect(const Address& address, std::uint32_t& error) override {
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes.data());
    Socket socket = NonBlocking(target->sa_family, SOCK_STREAM, IPPROTO_TCP, error);
    if (!socket) return nullptr;
    if (Winsock().connect(socket.Get(), target, static_cast<int>(address.size)) != 0) {
      const int failed = Winsock().WSAGetLastError();
      if (failed != WSAEWOULDBLOCK) {
        error = static_cast<std::uint32_t>(failed);
        return nullptr;
      }
    }
    return std::make_unique<WinsockStream>(std::move(socket));
  }

  void Wait(std::span<Watch> watches, int timeout_ms) override {
    std::vector<WSAPOLLFD> polled;
    polled.reserve(watches.size() + 1);
    for (const Watch& watch : watches)
      polled.push_back(
          {static_cast<WinsockStream*>(watch.stream)->Get(),
           static_cast<SHORT>((watch.write ? POLLWRNORM : 0) | (watch.read ? POLLRDNORM : 0)), 0});
    if (wake_)
      polled.push_back({wake_.Get(), POLLRDNORM, 0});
    else if (timeout_ms < 0 || timeout_ms > kUnwokenMs)
      timeout_ms = kUnwokenMs;
    if (polled.empty()) {
      ::Sleep(static_cast<DWORD>(timeout_ms));
      return;
    }
    if (Winsock().WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), timeout_ms) < 0) {
      // Not expected; the deadlines still end every attempt.
      ::Sleep(static_cast<DWORD>(std::clamp(timeout_ms, 0, kUnwokenMs)));
      return;
    }
    for (std::size_t i = 0; i < watches.size(); ++i) watches[i].ready = polled[i].revents != 0;
    if (wake_ && polled.back().revents) {
      char drained[64];
      while (Winsock().recv(wake_.Get(), drained, sizeof drained, 0) > 0) {
      }
    }
  }

  void Wake() override {
    if (wake_) Winsock().send(wake_.Get(), "w", 1, 0);
  }

 private:
  // How long a wait lasts at most when nothing can wake it.
  static constexpr int kUnwokenMs = 50;
  Socket wake_;
};

}  // namespace

Network& System() {
  // Never destroyed: the prober's thread may be waiting on it while the
  // program ends.
  static Network* const network = new WinsockNetwork();
  return *network;
}

}  // namespace platform::sockets
