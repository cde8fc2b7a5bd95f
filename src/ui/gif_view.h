// The animated-GIF control: a child window of the class
// ids::window_class::kGifView that shows one image, every frame for its own
// delay.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Registers the window class; once, before the first view is created.
void RegisterGifView();

// Both calls act on a view made by the calling thread and leave any other
// window alone.

// Makes the view read the file again, when it is next drawn, and show it
// from its first frame. A missing or invalid file leaves the view empty,
// without a message.
void ShowGifFile(HWND view, const std::string& path);

// Shows an image held in memory.
void ShowGifBytes(HWND view, const std::string& bytes);

}  // namespace ui
