// The About window: the maker, the maker's web address (opens the site) and
// e-mail address, and "Hide".
#pragma once

#include "platform/win32/handles.h"
#include "shell/window.h"

namespace shell {

class Form3 final : public Window {
 public:
  // The single instance, created and centred on the first touch; hidden and
  // shown again later at the same place.
  static Form3& Get();

 private:
  Form3();
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnMouseMove(POINT point);
  void OnClick(POINT point);

  int pointer_setting_ = 0;
  HCURSOR hand_ = nullptr;  // a resource of the program: not destroyed
  platform::win32::UniqueFont link_font_;
  bool pressed_on_link_ = false;
};

}  // namespace shell
