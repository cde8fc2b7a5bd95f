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
  ~Tooltips();
  Tooltips(const Tooltips&) = delete;
  Tooltips& operator=(const Tooltips&) = delete;

  // A tip over a control, or over an area of the window (controls that let
  // the mouse through, such as frames).
  void Add(HWND control, const std::string& text);
  void AddArea(UINT_PTR id, const RECT& area, const std::string& text);
  void SetText(HWND control, const std::string& text);

  // Hands a mouse message of the program's windows to the tips of its
  // window. The message loop calls it: a tip that watched its control
  // itself (TTF_SUBCLASS) would put a detour on every message to the
  // control, which under Wine makes filling a list of 10,000 entries take
  // seconds.
  static void Relay(const MSG& message);

 private:
  HWND window_;
  platform::win32::UniqueWindow tips_;
};

}  // namespace ui
