#include "app/application.h"

#include <windows.h>

#include <functional>
#include <memory>
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

template <typename W, typename Allow, typename Make>
void Application::OpenToolWindow(std::unique_ptr<W>& slot, Allow allow, Make make) {
  if (!IsOpen(slot)) {
    slot.reset();  // a window that was closed is built anew
    slot = make();
    slot->Load();
    std::invoke(allow, *slot, !cookies_changing_);
  }
  slot->Show();
  ::SetForegroundWindow(slot->Handle());
}

void Application::OpenCookieManager() {
  OpenToolWindow(cookie_manager_, &windows::CookieManagerWindow::AllowChanges, [this] {
    return std::make_unique<windows::CookieManagerWindow>(main_->CookiesFolder(), main_->Handle());
  });
}

void Application::OpenProxyTest() {
  OpenToolWindow(proxy_test_, &windows::ProxyTestWindow::AllowUse, [this] {
    auto window = std::make_unique<windows::ProxyTestWindow>(
        main_->ProxyListItems(), main_->Handle(),
        [this](const std::string& proxy) { main_->SetProxyText(proxy); });
    if (text::CommandLineHas(::GetCommandLineA(), windows::ProxyTestWindow::kFailSwitch))
      window->FailAtFirstResults();
    return window;
  });
}

void Application::OpenBrowserCookies() {
  OpenToolWindow(browser_cookies_, &windows::BrowserCookiesWindow::AllowChanges, [this] {
    return std::make_unique<windows::BrowserCookiesWindow>(main_->CookiesFolder(), main_->Handle());
  });
}

void Application::CookiesChanging(bool changing) {
  cookies_changing_ = changing;
  if (IsOpen(cookie_manager_)) cookie_manager_->AllowChanges(!changing);
  if (IsOpen(proxy_test_)) proxy_test_->AllowUse(!changing);
  if (IsOpen(browser_cookies_)) browser_cookies_->AllowChanges(!changing);
}

void Application::ShowAbout() {
  if (!about_) about_ = std::make_unique<windows::AboutWindow>();
  about_->Show();
  // Shown again from the menu, it comes to the front with the keyboard, as
  // the other windows do: Esc then hides it.
  ::SetForegroundWindow(about_->Handle());
}

}  // namespace app
