// Start-up, in its order: the main window is loaded hidden, the jar folder
// repaired, the splash shown while the banner is fetched, then the main
// window shown and the splash closed.
#pragma once

#include <functional>
#include <string>

#include "banner/download.h"
#include "common/outcome.h"
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
  // Runs `download` off the window's thread with the splash's transfer;
  // `then` runs on the window's thread with what it came to, or sooner: at
  // once when the user closes the splash (kStopped), or when the deadline
  // has passed and the transfer still waits on the server (kFailed).
  using DownloadWork = std::function<banner::Stored(platform::transfer::Control&)>;
  virtual void Download(DownloadWork download, std::function<void(banner::Stored)> then) = 0;
  virtual void ShowMainWindow() = 0;
  virtual void CloseSplash() = 0;
  virtual void Tell(const outcome::Message& message) = 0;
};

// Starts start-up; the main window shows once the banner's download has
// reported.
void Run(Steps& steps, const std::string& banner_url);

// The banner's address: the program's own, or the one given on the command
// line as --banner-url=URL.
std::string BannerUrl(const std::string& command_line);

}  // namespace startup
