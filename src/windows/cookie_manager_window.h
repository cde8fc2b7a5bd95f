// The Cookie Manager: moves single cookies into the jar and empties it.
#pragma once

#include <windows.h>
#include <optional>

#include <string>

#include "cookies/folder_guard.h"
#include "windows/two_list_window.h"

namespace windows {

class CookieManagerWindow final : public TwoListWindow {
 public:
  // Creates the window hidden, owned by the main window.
  CookieManagerWindow(std::string cookies_folder, HWND owner);

  // Sizes and centres the window, draws it and fills both lists, telling
  // the user once when a folder is refused or missing. Done destroys the window; its
  // owner then builds a new one for the next opening.
  void Load();

 private:
  // False when the list's folder does not exist (the list is then empty).
  bool RefreshCookieList();
  bool RefreshJarList();
  void RefreshLists();
  // Protects the cookie selected in the cookie list, the one list that
  // moves its rows.
  void MoveSelected(int list) override;
  void EmptyJar();
  void Act() override { EmptyJar(); }
  // Apply has deleted and restored cookies in both folders.
  void ReadAgain() override { RefreshLists(); }
  // Fills a list with the folder's cookie files, or all its files.
  bool FillList(int list, const std::string& folder, bool cookies_only);

  // As the main window read it, and as the guard resolved it (empty when
  // the guard refused it: the window then touches no file).
  const std::string stated_folder_;
  std::optional<cookies::GuardedFolder> cookies_folder_;  // nothing when the guard refused it
};

}  // namespace windows
