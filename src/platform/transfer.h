// WinINet: the browser's connection settings and HTTP transfers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform::transfer {

struct Response {
  bool failed = false;  // the transfer could not be completed
  int status = 0;       // the HTTP status
  std::string body;
  std::uint32_t error = 0;  // the platform's code, when it failed
};

// The codes of a transfer that ran out of time (ERROR_INTERNET_TIMEOUT),
// was stopped by the program (ERROR_INTERNET_OPERATION_CANCELLED) or sent
// more than it may (ERROR_FILE_TOO_LARGE).
inline constexpr std::uint32_t kTimedOut = 12002;
inline constexpr std::uint32_t kCancelled = 12017;
inline constexpr std::uint32_t kTooLarge = 223;

// The most a request may take, whatever the server does: time from the call
// on, and bytes of body.
struct Limits {
  unsigned deadline_ms;
  std::size_t most_bytes;
};

// The internet transfer control: one synchronous request at a time, through
// the proxy the browser is set to, with connect and receive time-outs, no
// cookie sent or stored.
class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;
  // True while a request is executing.
  virtual bool Busy() const;
  // The whole response of a GET, or a failure (kTimedOut, kTooLarge) once
  // the request outruns its limits. Blocks the calling thread: run it off a
  // window's thread.
  virtual Response OpenUrl(const std::string& url, const Limits& limits);
  // From any thread: the request executing, or the next one, fails with
  // kCancelled; a call waiting on the server returns as soon as WinINet
  // lets it.
  virtual void Cancel();

 private:
  struct Request;  // the handles of the request executing
  std::atomic<bool> busy_{false};
  std::mutex mutex_;
  bool cancelled_ = false;
  std::shared_ptr<Request> request_;
};

// Tells WinINet that the proxy settings in the registry changed, so that a
// browser that stays open takes them up at once.
void NotifySettingsChanged();

}  // namespace platform::transfer
