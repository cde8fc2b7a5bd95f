// The main window: the proxy picker, Apply and Exit, the banner and the
// three menus.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/win32/handles.h"
#include "proxylist/proxy_list.h"
#include "shell/tooltips.h"
#include "shell/window.h"
#include "wipe/apply.h"

namespace shell {

class Form1 final : public Window, public wipe::MainWindowState, public proxylist::EntrySink {
 public:
  // The single instance; the first touch creates the window hidden and runs
  // its load.
  static Form1& Get();

  // The cookies folder path the load read from the registry.
  std::string Label6Caption() const;

  std::string ProxyText() const override;
  void SetProxyTooltip(const std::string& text) override;
  std::string CookiesFolder() const override { return Label6Caption(); }
  // Makes room in the proxy list, then adds entries at its end.
  void Reserve(std::size_t entries, std::size_t bytes) override;
  void Append(const std::string& entry) override;

 private:
  Form1();
  void Load();
  void CreateTooltips();
  std::array<HWND, 2> ComboParts() const;
  void LoadHandCursor();
  // Points the banner control at the banner file again: it reads it anew.
  void ReloadBanner();

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnCommand(int id);
  void OnMouseMove(POINT point);
  void OnActivate(WPARAM wparam, LPARAM lparam);
  bool OnSetCursor(LPARAM lparam);
  LRESULT DefaultButtonId() const;
  static LRESULT CALLBACK ButtonSubclass(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self);

  // 0: the default pointer; 99: the window's own pointer (the hand).
  int pointer_setting_ = 0;
  HCURSOR hand_ = nullptr;
  platform::win32::UniqueCursor hand_from_file_;
  std::unique_ptr<Tooltips> tooltips_;
  std::string proxy_tooltip_;
  HWND focus_ = nullptr;
  bool activated_before_ = false;
  bool pressed_on_frame_ = false;
};

}  // namespace shell
