// Start-up, in its order: the main window is loaded hidden, the jar folder
// repaired, the splash shown while the banner is fetched, then the main
// window shown and the splash closed.
#pragma once

#include <string>

#include "platform/transfer.h"

namespace startup {

// The windows start-up works with, provided by their owner.
class Steps {
 public:
  virtual ~Steps() = default;
  // Creates the main window hidden and runs its load; returns the cookies
  // folder the load read.
  virtual std::string LoadMainWindow() = 0;
  virtual void ShowSplash() = 0;
  // The transfer the banner is fetched with.
  virtual platform::transfer::Control& Transfer() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void CloseSplash() = 0;
};

void Run(Steps& steps, const std::string& banner_url);

// The banner's address: the program's own, or the one given on the command
// line as --banner-url=URL.
std::string BannerUrl(const std::string& command_line);

}  // namespace startup
