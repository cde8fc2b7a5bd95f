// The splash window: shown while start-up fetches the banner; its load is
// the whole start-up.
#pragma once

#include <string>

#include "platform/transfer.h"
#include "platform/win32/handles.h"
#include "shell/startup.h"
#include "shell/window.h"

namespace shell {

class FrmSplash final : public Window, private StartupWindows {
 public:
  // Creates the hidden splash window and runs its load: start-up. When it
  // returns the main window is up and the splash window gone.
  static void Load(const std::string& banner_url);

 private:
  FrmSplash();
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  std::string CookiesFolder() override;
  void ShowSplash() override;
  platform::transfer::Control& Inet() override { return inet_; }
  void ShowMain() override;
  void UnloadSplash() override;

  platform::transfer::Control inet_;  // Inet1
  platform::win32::UniqueFont dot_font_;
};

}  // namespace shell
