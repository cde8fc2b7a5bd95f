// The button strip: a plain child window that holds buttons and hands their
// clicks on to its parent window.
#pragma once

namespace ui {

// Registers the window class (ids::window_class::kButtonStrip); once, before
// the first strip is created.
void RegisterButtonStrip();

}  // namespace ui
