// The window-system operations that the portable logic calls on the
// program's windows: placement, menu ticks and message boxes.
#pragma once

#include <cstdint>
#include <string_view>
#include "common/outcome.h"

namespace platform::ui {

// A top-level window of the program, as an integer handle.
using WindowId = std::uintptr_t;

struct TwipSize {
  double width = 0;
  double height = 0;
};

// Screen size, and a window's outer size (frame, title and menu included).
TwipSize ScreenSize();
TwipSize OuterSize(WindowId window);
// Window position on the screen, in twips.
void SetTop(WindowId window, std::int64_t twips);
void SetLeft(WindowId window, std::int64_t twips);

// SetWindowPos as user32 has it; sizes are pixels, insert-after one of the
// values below. The result is not reported: no caller looks at it.
inline constexpr std::intptr_t kInsertTopmost = -1;
inline constexpr std::intptr_t kInsertBottom = 1;
void SetWindowPos(WindowId window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                  unsigned flags);

// A size given in pixels of a 96-dpi screen, in pixels of this screen.
int ScreenPixels(int pixels_at_96_dpi);

bool MenuTicked(WindowId window, int item);
void SetMenuTick(WindowId window, int item, bool ticked);

// Message box styles the program uses.
inline constexpr int kStylePlain = 0;
inline constexpr int kStyleInformation = 64;
inline constexpr int kStyleInformationForeground = 65600;
// A modal box with an OK button; without a caption it is captioned with the
// application title. Returns when dismissed.
void ShowMessage(std::string_view text, int style);
void ShowMessage(std::string_view text, int style, std::string_view caption);
// A message of the logic, in its box.
inline void ShowMessage(const outcome::Message& message) {
  ShowMessage(message.text, message.box == outcome::Box::kPlain ? kStylePlain : kStyleInformation);
}

// Runs every queued window message, then returns.
void ProcessPendingMessages();

// Milliseconds since an arbitrary start, for spacing work out in time.
std::uint64_t Milliseconds();

}  // namespace platform::ui
