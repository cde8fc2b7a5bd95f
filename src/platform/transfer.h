// WinINet: the browser's connection settings and HTTP transfers.
#pragma once

#include <string>

namespace platform::transfer {

struct Response {
  bool failed = false;  // the transfer could not be completed
  int status = 0;       // the HTTP status
  std::string body;
};

// The internet transfer control: one synchronous request at a time, through
// the proxy the browser is set to, with connect and receive time-outs.
class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;
  // True while a request is executing.
  virtual bool Busy() const;
  // The whole response of a GET.
  virtual Response OpenUrl(const std::string& url);

 private:
  bool busy_ = false;
};

// Tells WinINet that the proxy settings in the registry changed, so that a
// browser that stays open takes them up at once.
void NotifySettingsChanged();

}  // namespace platform::transfer
