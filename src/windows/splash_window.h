// The splash window: shown while start-up fetches the banner; it holds the
// transfer the banner is fetched with, which closing the window stops.
#pragma once

#include "platform/transfer.h"
#include "platform/win32/handles.h"
#include "ui/window.h"

namespace windows {

class SplashWindow final : public ui::Window {
 public:
  // Creates the window hidden and centred, with its picture.
  SplashWindow();

  platform::transfer::Control& Transfer() { return transfer_; }

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  platform::transfer::Control transfer_;
  platform::win32::UniqueBitmap picture_;
};

}  // namespace windows
