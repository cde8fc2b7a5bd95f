// Start-up, driven by the splash window's load: the main window is loaded,
// the jar folder repaired, the banner fetched, then the main window shown.
#pragma once

#include <string>

#include "platform/transfer.h"

namespace shell {

// The windows start-up works with.
class StartupWindows {
 public:
  virtual ~StartupWindows() = default;
  // The main window's cookies folder label; the first call loads it.
  virtual std::string CookiesFolder() = 0;
  virtual void ShowSplash() = 0;
  virtual platform::transfer::Control& Inet() = 0;
  virtual void ShowMain() = 0;
  virtual void UnloadSplash() = 0;
};

void RunStartup(StartupWindows& windows, const std::string& banner_url);

// The banner's address: the program's own, or the one given on the command
// line as --banner-url=URL (for a test server or a mirror).
std::string BannerUrl(const std::string& command_line);

}  // namespace shell
