// The probe on the wire: which proxy of an entry carries http, the request
// sent to it (a GET, or a CONNECT for a tunnel), and its answer read as it
// comes, as far as the verdict needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "proxytest/verdict.h"

namespace proxytest {

// The proxy that plain http goes through, as WinINet picks it from the
// proxy text: the "http=" entry, or else the first entry for every scheme;
// port 80 when none is given. Nothing for a text without one, or whose port
// is not a port.
struct Target {
  std::string host;  // a name, or an address (IPv6 without its brackets)
  std::uint16_t port = 80;
};
std::optional<Target> HttpTarget(std::string_view proxy);

// One probe: the proxy text its result is reported under, where it
// connects, and what it asks there. Without a target it is judged without
// a probe, as a proxy that cannot be reached.
struct ProbeItem {
  std::string proxy;
  std::optional<Target> target;
  ProbeKind kind = ProbeKind::kGet;
};

// The GET of the probe URL as a client asks a proxy for it.
const std::string& ProbeRequest();
// The CONNECT of a tunnel to kTunnelTarget, as a browser asks a proxy for
// one before it speaks TLS through it.
const std::string& TunnelRequest();
const std::string& RequestFor(ProbeKind kind);

// A proxy's answer taken in pieces as they arrive: the status line, the
// headers, then the body's first kAnswerBytes, de-chunked. Nothing else is
// kept, so an answer of any length costs a line's worth of memory.
class AnswerReader {
 public:
  // For a tunnel the headers are the whole answer: whatever follows them
  // would come from the far end, and nothing does until TLS is spoken.
  explicit AnswerReader(ProbeKind kind = ProbeKind::kGet) : kind_(kind) {}
  // True once reading is over: the answer holds all the verdict needs (a
  // status other than 200, the body's first bytes, or the body's end; for a
  // tunnel, the end of the headers), or it broke the protocol. Later bytes
  // are ignored.
  bool Take(std::string_view bytes);
  // The proxy closed the connection.
  void End();
  bool Done() const {
    return state_ == State::kDone || state_ == State::kBroken || state_ == State::kCutShort;
  }
  // What the answer says: kUnreachable when it ended before its headers
  // did, kNotHttp when it broke the protocol, else kAnswered.
  ProbeOutcome Answer() const;

 private:
  enum class State {
    kStatus,
    kHeaders,
    kBody,      // Content-Length bytes
    kToTheEnd,  // no length: the body ends with the connection
    kChunkSize,
    kChunkData,
    kChunkEnd,  // the line end after a chunk
    kDone,
    kBroken,    // the bytes broke HTTP
    kCutShort,  // closed before the headers ended
  };
  void TakeByte(char byte);
  void TakeLine();
  void TakeBody(char byte);
  void EndHeaders();

  ProbeKind kind_;
  State state_ = State::kStatus;
  std::string line_;  // the line coming in, cut at kLongestLine
  int status_ = 0;
  bool chunked_ = false;
  std::optional<std::uint64_t> length_;  // of the body, or of the chunk under way
  std::string body_;
};

}  // namespace proxytest
