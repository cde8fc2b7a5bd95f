// The main window: the proxy box, Apply and Exit, the banner and the three
// menus.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "proxylist/proxy_list.h"
#include "ui/click_area.h"
#include "ui/tooltips.h"
#include "ui/window.h"
#include "wipe/apply.h"

namespace windows {

class MainWindow final : public ui::Window,
                         public wipe::MainWindowState,
                         public proxylist::EntrySink {
 public:
  // What the main window's menus open: the windows its owner holds.
  class OtherWindows {
   public:
    virtual ~OtherWindows() = default;
    virtual void OpenCookieManager() = 0;
    virtual void OpenProxyTest() = 0;
    virtual void OpenBrowserCookies() = 0;
    virtual void ShowAbout() = 0;
    // Apply is deleting and restoring cookies, and deleting the browsers':
    // nothing else may change them, or the protected sites, meanwhile.
    virtual void CookiesChanging(bool changing) = 0;
    // The program ends: the proxy off, the one message loop left. By the
    // user (Exit, the close box), told of a proxy left on; or by the
    // session's end, told nothing.
    virtual void EndProgram(bool by_user) = 0;
  };

  // Creates the window hidden; Load fills it.
  explicit MainWindow(OtherWindows& other_windows);
  ~MainWindow() override;

  // Centres the window, points the banner at its file, loads the hand
  // pointer, shows the current proxy and the proxy list, reads the cookies
  // folder and ticks the option menus; the window stays hidden.
  void Load();

  std::string ProxyText() const override;
  // The items of the proxy list, in order; and a proxy put into the box as
  // if typed there.
  std::vector<std::string> ProxyListItems() const;
  void SetProxyText(const std::string& text) override;
  void SetProxyTooltip(const std::string& text) override;
  // The cookies folder the load read from the registry.
  std::string CookiesFolder() const override { return cookies_folder_; }
  // Makes room in the proxy list, then adds entries at its end.
  void Reserve(std::size_t entries, std::size_t bytes) override;
  void Append(const std::string& entry) override;
  void WipeProgress(wipe::Stage stage, std::size_t deleted) override;
  void Tell(const wipe::Message& message) override;
  std::size_t Ask(const wipe::Question& question) override;
  void ShowStatus(const std::string& line) override;
  void CookiesAtRisk(bool at_risk) override;
  void ApplyEnded(const std::optional<wipe::Message>& last) override;

 private:
  void CreateTooltips();
  std::array<HWND, 2> ProxyBoxParts() const;
  void LoadHandCursor();
  // Points the banner control at the banner file again: it reads it anew.
  void ReloadBanner();

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnCommand(int id);
  void OnApplyClicked();
  void OnCloseRequested();
  void OnMouseMove(POINT point);
  void OnBannerFrameClicked();
  void OnActivate(WPARAM wparam, LPARAM lparam);
  bool OnSetCursor(LPARAM lparam);
  LRESULT DefaultButtonId() const;
  static LRESULT CALLBACK ButtonSubclass(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self);

  OtherWindows& other_windows_;
  std::string cookies_folder_;
  ui::Pointer pointer_ = ui::Pointer::kDefault;
  HCURSOR hand_ = nullptr;
  platform::win32::UniqueCursor hand_from_file_;
  std::unique_ptr<ui::Tooltips> tooltips_;
  std::string proxy_tooltip_;
  std::string status_line_;
  HWND focus_ = nullptr;
  bool activated_before_ = false;
  ui::ClickArea banner_frame_click_;
  // Apply is running: its steps run off the window's thread and report to
  // it, so the window takes input meanwhile; Apply and Exit wait, and a
  // close waits for Apply's end.
  bool applying_ = false;
  bool close_requested_ = false;
  // The session is ending: the proxy is off, the program on its way out.
  bool session_ending_ = false;
  class ShutdownBlocked;
  std::unique_ptr<ShutdownBlocked> cookies_at_risk_;
  struct ApplyUnderway;
  std::unique_ptr<ApplyUnderway> underway_;
  // A long Apply shows its progress: the stage under way and its count.
  std::string progress_text_;
  bool progress_shown_ = false;
  void ShowWipeProgress(bool shown);
};

}  // namespace windows
