// A list box that shows sorted texts and follows their changes by inserting
// and deleting the entries that differ: moving one entry of a list of
// thousands costs a few messages, not a refill.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// The box (without LBS_SORT, whose order is the locale's, not this one)
// shows `shown`; afterwards it shows `wanted`. Both are sorted by
// std::string's order. The box's horizontal scroll range then fits the
// widest text.
void ShowSorted(HWND box, const std::vector<std::string>& shown,
                const std::vector<std::string>& wanted);

}  // namespace ui
