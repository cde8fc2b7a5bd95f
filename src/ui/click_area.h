// A control of a window that acts on a click of its own, such as a frame or
// a label that opens a web page: the window sees the mouse over it, since
// such controls let the mouse through.
#pragma once

#include <windows.h>

namespace ui {

class ClickArea {
 public:
  ClickArea() = default;
  ClickArea(const ClickArea&) = delete;
  ClickArea& operator=(const ClickArea&) = delete;

  // Takes the window's mouse button, capture and activation messages; true
  // when one ends a click: a press and a release of the left button, both
  // on the control, in a window that is shown and in front when pressed.
  // Between the two the window holds the mouse, so that it sees the release
  // wherever it happens; a window that loses the mouse or its activation
  // meanwhile ends the press without a click, since the release may then go
  // to another window.
  bool Clicked(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  bool pressed_ = false;
};

}  // namespace ui
