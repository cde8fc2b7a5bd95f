// The tooltips of one window's controls.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace ui {

class Tooltips {
 public:
  // Not owned by the window: under Wine a window that owns a topmost popup
  // (a tooltip is one) cannot itself be put into the topmost band.
  explicit Tooltips(HWND window);

  // A tip over a control, or over an area of the window (controls that let
  // the mouse through, such as frames).
  void Add(HWND control, const std::string& text);
  void AddArea(UINT_PTR id, const RECT& area, const std::string& text);
  void SetText(HWND control, const std::string& text);

 private:
  HWND window_;
  platform::win32::UniqueWindow tips_;
};

}  // namespace ui
