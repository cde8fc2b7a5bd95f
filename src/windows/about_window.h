// The About window: the maker, the maker's web address (opens the site) and
// e-mail address, and "Hide".
#pragma once

#include "platform/win32/handles.h"
#include "ui/click_area.h"
#include "ui/window.h"

namespace windows {

class AboutWindow final : public ui::Window {
 public:
  // Creates the window hidden and centred; Hide puts it away, and it shows
  // again at the same place.
  AboutWindow();

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnMouseMove(POINT point);
  void OnWebLinkClicked();

  ui::Pointer pointer_ = ui::Pointer::kDefault;
  HCURSOR hand_ = nullptr;  // a resource of the program: not destroyed
  ui::ClickArea web_link_click_;
};

}  // namespace windows
