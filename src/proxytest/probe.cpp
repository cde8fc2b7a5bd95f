#include "proxytest/probe.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "common/text.h"
#include "proxytest/verdict.h"

namespace proxytest {
namespace {

// A header line longer than this is cut: only the names and values of
// Content-Length and Transfer-Encoding matter, and they are short.
constexpr std::size_t kLongestLine = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r' || text.front() == '\n'))
    text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

std::optional<Target> HostAndPort(std::string_view entry) {
  if (text::StartsWithNoCase(entry, "http://")) entry.remove_prefix(7);
  if (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
  Target target;
  std::string_view port;
  if (entry.starts_with('[')) {  // [IPv6]:port
    const std::size_t close = entry.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    target.host = entry.substr(1, close - 1);
    const std::string_view rest = entry.substr(close + 1);
    if (!rest.empty() && (rest.front() != ':' || rest.size() == 1)) return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else if (const std::size_t colon = entry.rfind(':');
             colon != std::string_view::npos && entry.find(':') == colon) {
    target.host = entry.substr(0, colon);
    port = entry.substr(colon + 1);
  } else {
    target.host = entry;  // no port, or a bare IPv6 address
  }
  if (target.host.empty()) return std::nullopt;
  if (!port.empty()) {
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (error != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535)
      return std::nullopt;
    target.port = static_cast<std::uint16_t>(number);
  }
  return target;
}

std::string_view HostOf(std::string_view url) {
  url.remove_prefix(url.find("//") + 2);
  return url.substr(0, url.find('/'));
}

}  // namespace

std::optional<Target> HttpTarget(std::string_view proxy) {
  std::optional<std::string_view> for_all;
  for (std::size_t start = 0; start <= proxy.size();) {
    const std::size_t end = std::min(proxy.find_first_of("; \t\r\n", start), proxy.size());
    const std::string_view entry = proxy.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (!for_all) for_all = entry;
    } else if (text::EqualsNoCase(entry.substr(0, equals), "http") && equals + 1 < entry.size()) {
      return HostAndPort(entry.substr(equals + 1));
    }
  }
  if (for_all) return HostAndPort(*for_all);
  return std::nullopt;
}

const std::string& ProbeRequest() {
  // Only what the proxy needs: no cookie, nothing cached, and the
  // connection closed after the answer.
  static const std::string request =
      std::string("GET ") + kProbeUrl + " HTTP/1.1\r\nHost: " + std::string(HostOf(kProbeUrl)) +
      "\r\nUser-Agent: Maskfold\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: "
      "no-cache\r\nConnection: close\r\n\r\n";
  return request;
}

const std::string& TunnelRequest() {
  // The target twice, as the request line and as the Host header; nothing
  // of the user's goes to the proxy.
  static const std::string request = std::string("CONNECT ") + kTunnelTarget +
                                     " HTTP/1.1\r\nHost: " + kTunnelTarget +
                                     "\r\nUser-Agent: Maskfold\r\n\r\n";
  return request;
}

const std::string& RequestFor(ProbeKind kind) {
  return kind == ProbeKind::kConnect ? TunnelRequest() : ProbeRequest();
}

bool AnswerReader::Take(std::string_view bytes) {
  for (const char byte : bytes) {
    if (Done()) break;
    TakeByte(byte);
  }
  return Done();
}

void AnswerReader::TakeByte(char byte) {
  switch (state_) {
    case State::kStatus:
      if (line_.empty() && (byte == '\r' || byte == '\n')) return;  // blank lines before it
      if (line_.size() < kLongestLine) line_ += byte;
      // An answer that does not begin as HTTP's is all body, as WinINet
      // takes a server of HTTP/0.9 days: a status 200 and what it sent. No
      // such server ever made a tunnel.
      if (line_.size() <= 5 && !text::StartsWithNoCase("HTTP/", line_)) {
        if (kind_ == ProbeKind::kConnect) {
          state_ = State::kBroken;
          return;
        }
        status_ = 200;
        state_ = State::kToTheEnd;
        const std::string sent = std::exchange(line_, {});
        for (const char c : sent) TakeBody(c);
        return;
      }
      if (byte == '\n') TakeLine();
      return;
    case State::kHeaders:
    case State::kChunkSize:
    case State::kChunkEnd:
      if (byte == '\n')
        TakeLine();
      else if (line_.size() < kLongestLine)
        line_ += byte;
      return;
    case State::kBody:
    case State::kToTheEnd:
    case State::kChunkData:
      TakeBody(byte);
      return;
    case State::kDone:
    case State::kBroken:
    case State::kCutShort:
      return;
  }
}

void AnswerReader::TakeLine() {
  const std::string_view line = Trimmed(line_);
  switch (state_) {
    case State::kStatus: {
      // "HTTP/1.1 200 OK": the three digits after the first blank.
      const std::size_t blank = line.find(' ');
      const std::string_view code =
          blank == std::string_view::npos ? std::string_view{} : Trimmed(line.substr(blank));
      if (code.size() < 3 ||
          !std::all_of(code.begin(), code.begin() + 3,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
          (code.size() > 3 && !IsBlank(code[3]))) {
        state_ = State::kBroken;
        break;
      }
      std::from_chars(code.data(), code.data() + 3, status_);
      state_ = State::kHeaders;
      break;
    }
    case State::kHeaders: {
      if (line.empty()) {
        EndHeaders();
        break;
      }
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) break;
      const std::string_view name = Trimmed(line.substr(0, colon));
      const std::string_view value = Trimmed(line.substr(colon + 1));
      if (text::EqualsNoCase(name, "Transfer-Encoding")) {
        const std::string_view last = value.substr(value.rfind(',') + 1);
        chunked_ = text::EqualsNoCase(Trimmed(last), "chunked");
      } else if (text::EqualsNoCase(name, "Content-Length")) {
        std::uint64_t length = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), length);
        if (error == std::errc() && end == value.data() + value.size()) length_ = length;
      }
      break;
    }
    case State::kChunkSize: {
      // "1a;name=value": the size in hex, extensions after it ignored.
      const std::string_view size = Trimmed(line.substr(0, line.find(';')));
      std::uint64_t length = 0;
      const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), length, 16);
      if (size.empty() || error != std::errc() || end != size.data() + size.size()) {
        state_ = State::kBroken;
        break;
      }
      length_ = length;
      state_ = length == 0 ? State::kDone : State::kChunkData;  // the trailers do not matter
      break;
    }
    case State::kChunkEnd:
      state_ = State::kChunkSize;
      break;
    default:
      break;
  }
  line_.clear();
}

void AnswerReader::EndHeaders() {
  if (status_ >= 100 && status_ < 200 && status_ != 101) {
    // An interim answer ("100 Continue"): the real one follows.
    state_ = State::kStatus;
    chunked_ = false;
    length_.reset();
    return;
  }
  // Any other status is the verdict: its body says nothing more. A tunnel's
  // answer has no body: its 200 is the verdict too.
  if (status_ != 200 || kind_ == ProbeKind::kConnect)
    state_ = State::kDone;
  else if (chunked_)
    state_ = State::kChunkSize;
  else if (length_)
    state_ = *length_ == 0 ? State::kDone : State::kBody;
  else
    state_ = State::kToTheEnd;
}

void AnswerReader::TakeBody(char byte) {
  if (body_.size() < kAnswerBytes) body_ += byte;
  if (body_.size() >= kAnswerBytes) {
    state_ = State::kDone;
    return;
  }
  if (state_ == State::kToTheEnd) return;
  if (--*length_ > 0) return;
  state_ = state_ == State::kChunkData ? State::kChunkEnd : State::kDone;
}

void AnswerReader::End() {
  switch (state_) {
    case State::kBody:
    case State::kToTheEnd:
    case State::kChunkSize:
    case State::kChunkData:
    case State::kChunkEnd:
      state_ = State::kDone;  // a body cut short is judged by what came
      break;
    case State::kStatus:
    case State::kHeaders:
      state_ = State::kCutShort;
      break;
    case State::kDone:
    case State::kBroken:
    case State::kCutShort:
      break;
  }
}

ProbeOutcome AnswerReader::Answer() const {
  if (state_ == State::kCutShort) return {ProbeStatus::kUnreachable};
  if (state_ != State::kDone) return {ProbeStatus::kNotHttp};
  return {ProbeStatus::kAnswered, status_, body_};
}

}  // namespace proxytest
