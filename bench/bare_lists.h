// The floor of the windows with two lists: a bare window with two sorted
// list boxes, filled the quick way (room reserved, no redrawing, one
// repaint).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

inline void FillListBox(HWND box, const std::vector<std::string>& texts) {
  std::size_t bytes = 0;
  for (const auto& text : texts) bytes += text.size() + 1;
  ::SendMessageA(box, LB_INITSTORAGE, texts.size(), static_cast<LPARAM>(bytes));
  ::SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  for (const auto& text : texts)
    ::SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
}

// The window and its two lists; the lists go with the window.
struct BareLists {
  HWND window, left, right;
};

inline BareLists MakeBareLists() {
  const HWND window = ::CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                        0, 460, 340, nullptr, nullptr, nullptr, nullptr);
  const auto list_box = [&](int left) {
    return ::CreateWindowExA(0, "LISTBOX", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_SORT | LBS_NOINTEGRALHEIGHT,
                             left, 60, 200, 210, window, nullptr, nullptr, nullptr);
  };
  return {window, list_box(8), list_box(224)};
}
