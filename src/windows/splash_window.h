// The splash window: shown while start-up fetches the banner. The download
// runs as a task of the window's; closing the window stops it.
#pragma once

#include <functional>
#include <memory>

#include "banner/download.h"
#include "platform/transfer.h"
#include "platform/win32/handles.h"
#include "startup/startup_order.h"
#include "ui/window.h"

namespace windows {

class SplashWindow final : public ui::Window {
 public:
  // Creates the window hidden and centred, with its picture.
  SplashWindow();
  ~SplashWindow() override;

  // Runs the download off the window's thread; `then` runs once, on the
  // window's thread, as startup::Steps::Download says.
  void Download(startup::Steps::DownloadWork download, std::function<void(banner::Stored)> then);

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Finish(banner::Stored stored);

  // Shared with the download's thread, which may outlive the window.
  const std::shared_ptr<platform::transfer::Control> transfer_ =
      std::make_shared<platform::transfer::Control>();
  std::function<void(banner::Stored)> then_;
  platform::win32::UniqueBitmap picture_;
};

}  // namespace windows
