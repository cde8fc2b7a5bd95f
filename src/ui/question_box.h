// A question in a box with a button for each answer, worded as the program
// words them ("Go Back", "Keep It"): the system's task dialog.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// Modal to `owner`; returns the index of the button pressed. Escape and the
// close box answer `if_closed`, which is also the answer when the box
// cannot be shown: the choice that changes least.
std::size_t AskQuestion(HWND owner, const std::string& caption, const std::string& text,
                        const std::vector<std::string>& choices, std::size_t if_closed);

}  // namespace ui
