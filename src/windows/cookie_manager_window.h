// The Cookie Manager: moves single cookies into the jar and empties it.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/handles.h"
#include "ui/tooltips.h"
#include "ui/window.h"

namespace windows {

class CookieManagerWindow final : public ui::Window {
 public:
  // Creates the window hidden, owned by the main window: that keeps it out
  // of the task bar with its own icon.
  CookieManagerWindow(std::string cookies_folder, HWND owner);

  // Sizes and centres the window, draws it and fills both lists, telling
  // the user once when a folder is refused or missing. Done destroys the window; its
  // owner then builds a new one for the next opening.
  void Load();
  // While Apply deletes and restores cookies, Protect and Empty are refused;
  // afterwards both lists are read again.
  void AllowChanges(bool allowed);

 private:
  // False when the list's folder does not exist (the list is then empty).
  bool RefreshCookieList();
  bool RefreshJarList();
  void RefreshLists();
  void ProtectSelectedCookie();
  void EmptyJar();
  void Done();
  // False, with the user told why, while changes are not allowed.
  bool ChangesAllowed() const;
  bool changes_allowed_ = true;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT OnCommand(WPARAM wparam);
  // Fills a list with the folder's cookie files, or all its files.
  bool FillList(int list, const std::string& folder, bool cookies_only);

  // As the main window read it, and as the guard resolved it (empty when
  // the guard refused it: the window then touches no file).
  const std::string stated_folder_;
  std::string cookies_folder_;
  std::unique_ptr<ui::Tooltips> tooltips_;
};

}  // namespace windows
