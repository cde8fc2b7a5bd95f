#include "app/application.h"

#include <windows.h>

#include <utility>

#include "app/program_end.h"
#include "common/text.h"
#include "platform/ui.h"
#include "proxyswitch/proxy_switch.h"
#include "ui/tooltips.h"
#include "ui/window.h"

namespace app {

int Application::Run(const std::string& banner_url) {
  // A run that ended without Exit may have left its proxy on: put right
  // before anything shows the proxy.
  if (const auto told = PutRightAfterLostRun())
    platform::ui::ShowMessage(*told, platform::ui::kStyleInformation);
  splash_ = std::make_unique<windows::SplashWindow>();
  startup::Run(*this, banner_url);

  // The program's one message loop: every window's messages, the tasks'
  // reports among them, pass here.
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    Dispatch(message);
    if (std::exchange(splash_closed_, false)) splash_.reset();
  }
  return static_cast<int>(message.wParam);
}

void Application::Dispatch(MSG& message) {
  ui::Tooltips::Relay(message);
  // Tab, the access keys and Enter work in the program's own windows as in a
  // dialog.
  const HWND active = ::GetActiveWindow();
  if (ui::Window::IsProgramWindow(active) && ::IsDialogMessageA(active, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

std::string Application::LoadMainWindow() {
  windows::MainWindow::OtherWindows& other_windows = *this;
  main_ = std::make_unique<windows::MainWindow>(other_windows);
  main_->Load();
  return main_->CookiesFolder();
}

// Shown only: the splash is drawn while the download runs, as the windows
// go on answering then, and WinINet loads meanwhile.
void Application::ShowSplash() { splash_->Show(); }

void Application::Download(DownloadWork download, std::function<void(banner::Stored)> then) {
  splash_->Download(std::move(download), std::move(then));
}

void Application::ShowMainWindow() { main_->Show(); }

void Application::CloseSplash() {
  splash_->Hide();
  splash_closed_ = true;
}

void Application::Tell(const outcome::Message& message) { platform::ui::ShowMessage(message); }

void Application::EndProgram(bool by_user) {
  app::EndProgram(by_user ? Ending::kByUser : Ending::kBySession);
}

void Application::OpenCookieManager() {
  if (!cookie_manager_ || !cookie_manager_->Handle()) {
    cookie_manager_.reset();  // a window that Done closed is built anew
    cookie_manager_ =
        std::make_unique<windows::CookieManagerWindow>(main_->CookiesFolder(), main_->Handle());
    cookie_manager_->Load();
    cookie_manager_->AllowChanges(!cookies_changing_);
  }
  cookie_manager_->Show();
  ::SetForegroundWindow(cookie_manager_->Handle());
}

void Application::OpenProxyTest() {
  if (!proxy_test_ || !proxy_test_->Handle()) {
    proxy_test_.reset();
    proxy_test_ = std::make_unique<windows::ProxyTestWindow>(
        main_->ProxyListItems(), main_->Handle(),
        [this](const std::string& proxy) { main_->SetProxyText(proxy); });
    if (text::CommandLineHas(::GetCommandLineA(), windows::ProxyTestWindow::kFailSwitch))
      proxy_test_->FailAtFirstResults();
    proxy_test_->Load();
    proxy_test_->AllowUse(!cookies_changing_);
  }
  proxy_test_->Show();
  ::SetForegroundWindow(proxy_test_->Handle());
}

void Application::OpenBrowserCookies() {
  if (!browser_cookies_ || !browser_cookies_->Handle()) {
    browser_cookies_.reset();
    browser_cookies_ =
        std::make_unique<windows::BrowserCookiesWindow>(main_->CookiesFolder(), main_->Handle());
    browser_cookies_->Load();
    browser_cookies_->AllowChanges(!cookies_changing_);
  }
  browser_cookies_->Show();
  ::SetForegroundWindow(browser_cookies_->Handle());
}

void Application::CookiesChanging(bool changing) {
  cookies_changing_ = changing;
  if (cookie_manager_ && cookie_manager_->Handle()) cookie_manager_->AllowChanges(!changing);
  if (proxy_test_ && proxy_test_->Handle()) proxy_test_->AllowUse(!changing);
  if (browser_cookies_ && browser_cookies_->Handle()) browser_cookies_->AllowChanges(!changing);
}

void Application::ShowAbout() {
  if (!about_) about_ = std::make_unique<windows::AboutWindow>();
  about_->Show();
  // Shown again from the menu, it comes to the front with the keyboard, as
  // the other windows do: Esc then hides it.
  ::SetForegroundWindow(about_->Handle());
}

}  // namespace app
