// The program: owns its windows, runs start-up in its order and hands
// each window what it needs.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/transfer.h"
#include "startup/startup_order.h"
#include "windows/about_window.h"
#include "windows/browser_cookies_window.h"
#include "windows/cookie_manager_window.h"
#include "windows/main_window.h"
#include "windows/proxy_test_window.h"
#include "windows/splash_window.h"

namespace app {

class Application final : private windows::MainWindow::OtherWindows, private startup::Steps {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up, with the banner from the given address, then the windows'
  // messages until the program ends.
  int Run(const std::string& banner_url);

 private:
  static void Dispatch(MSG& message);

  // A tool window that is open now: built, and not closed since.
  template <typename W>
  static bool IsOpen(const std::unique_ptr<W>& slot) {
    return slot && slot->Handle();
  }
  // Brings a tool window to the front with the keyboard. One that is
  // missing or was closed is made anew, loaded, and told whether Apply is
  // under way (`allow`, its member that takes that).
  template <typename W, typename Allow, typename Make>
  void OpenToolWindow(std::unique_ptr<W>& slot, Allow allow, Make make);

  // What the main window's menus open.
  void OpenCookieManager() override;
  void OpenProxyTest() override;
  void OpenBrowserCookies() override;
  void ShowAbout() override;
  void CookiesChanging(bool changing) override;
  void EndProgram(bool by_user) override;

  // Start-up's steps.
  std::string LoadMainWindow() override;
  void ShowSplash() override;
  void Download(DownloadWork download, std::function<void(banner::Stored)> then) override;
  void ShowMainWindow() override;
  // Hides the splash; the message loop destroys it once the message that
  // asked for it is done.
  void CloseSplash() override;
  void Tell(const outcome::Message& message) override;

  std::unique_ptr<windows::SplashWindow> splash_;
  bool splash_closed_ = false;
  std::unique_ptr<windows::MainWindow> main_;
  std::unique_ptr<windows::AboutWindow> about_;                     // made on its first showing
  std::unique_ptr<windows::CookieManagerWindow> cookie_manager_;    // made anew after each Done
  std::unique_ptr<windows::ProxyTestWindow> proxy_test_;            // made anew after each close
  std::unique_ptr<windows::BrowserCookiesWindow> browser_cookies_;  // made anew after each Done
  bool cookies_changing_ = false;                                   // Apply is under way
};

}  // namespace app
