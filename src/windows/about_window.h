// The About window: the maker, the maker's web address (opens the site) and
// e-mail address, and "Hide".
#pragma once

#include "platform/win32/handles.h"
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
  void OnWebLinkClicked(POINT released_at);

  ui::Pointer pointer_ = ui::Pointer::kDefault;
  HCURSOR hand_ = nullptr;  // a resource of the program: not destroyed
  bool pressed_on_link_ = false;
};

}  // namespace windows
