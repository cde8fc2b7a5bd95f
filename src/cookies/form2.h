// The Cookie Manager: moves single cookies into the jar and empties it.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/handles.h"
#include "shell/tooltips.h"
#include "shell/window.h"

namespace cookies {

class Form2 final : public shell::Window {
 public:
  // Shows the window, loading it first when it is not loaded; Done unloads
  // it, and the next Open builds it anew.
  static void Open();

 private:
  Form2();
  void Load();
  // False when the list's folder does not exist (the list is then empty).
  bool RefreshFile1();
  bool RefreshFile2();
  void Protect();
  void Empty();
  void Done();
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  // Fills a list with the names of the files matching the pattern.
  bool FillList(int list, const std::string& folder, const char* pattern);

  platform::win32::UniqueFont bold_;
  std::unique_ptr<shell::Tooltips> tooltips_;
};

}  // namespace cookies
