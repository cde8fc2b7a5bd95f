// The picture control: a child window of the class
// ids::window_class::kPictureView that draws one bitmap with GDI, stretched
// to its size. Labels may lie in it; they take their colours from the window.
#pragma once

#include <windows.h>

namespace ui {

// Registers the window class; once, before the first view is created.
void RegisterPictureView();

// Shows the bitmap, which the caller keeps alive as long as the view.
void ShowBitmap(HWND view, HBITMAP bitmap);

}  // namespace ui
