#include "ui/sorted_list.h"

#include <algorithm>
#include <cstddef>

#include "platform/win32/handles.h"

namespace ui {
namespace {

// Past this many differences a refill is quicker than the single steps.
constexpr std::size_t kMostSteps = 512;
// The widest texts are among the longest: measuring these few is enough.
constexpr std::size_t kMeasured = 16;

std::size_t Differences(const std::vector<std::string>& shown,
                        const std::vector<std::string>& wanted) {
  std::size_t steps = 0, i = 0, j = 0;
  while (i < shown.size() || j < wanted.size()) {
    if (j == wanted.size() || (i < shown.size() && shown[i] < wanted[j])) {
      ++i, ++steps;
    } else if (i == shown.size() || wanted[j] < shown[i]) {
      ++j, ++steps;
    } else {
      ++i, ++j;
    }
    if (steps > kMostSteps) break;
  }
  return steps;
}

void Refill(HWND box, const std::vector<std::string>& wanted) {
  ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
  std::size_t bytes = 0;
  for (const auto& text : wanted) bytes += text.size() + 1;
  ::SendMessageA(box, LB_INITSTORAGE, wanted.size(), static_cast<LPARAM>(bytes));
  for (const auto& text : wanted)
    ::SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Step(HWND box, const std::vector<std::string>& shown, const std::vector<std::string>& wanted) {
  std::size_t i = 0, j = 0;
  WPARAM at = 0;
  while (i < shown.size() || j < wanted.size()) {
    if (j == wanted.size() || (i < shown.size() && shown[i] < wanted[j])) {
      ::SendMessageA(box, LB_DELETESTRING, at, 0);
      ++i;
    } else if (i == shown.size() || wanted[j] < shown[i]) {
      ::SendMessageA(box, LB_INSERTSTRING, at++, reinterpret_cast<LPARAM>(wanted[j++].c_str()));
    } else {
      ++i, ++j, ++at;
    }
  }
}

void FitScrollRange(HWND box, const std::vector<std::string>& texts) {
  std::vector<const std::string*> longest;
  longest.reserve(texts.size());
  for (const auto& text : texts) longest.push_back(&text);
  const std::size_t measured = std::min(kMeasured, longest.size());
  std::partial_sort(
      longest.begin(), longest.begin() + static_cast<std::ptrdiff_t>(measured), longest.end(),
      [](const std::string* a, const std::string* b) { return a->size() > b->size(); });
  const platform::win32::WindowDc dc(box);
  if (!dc.Get()) return;
  const platform::win32::Selection font(
      dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(box, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (std::size_t k = 0; k < measured; ++k) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc.Get(), longest[k]->c_str(), static_cast<int>(longest[k]->size()),
                            &size);
    widest = std::max(widest, size.cx);
  }
  // The entries are drawn a few pixels in from the edge.
  ::SendMessageA(box, LB_SETHORIZONTALEXTENT, widest ? widest + 6 : 0, 0);
}

}  // namespace

void ShowSorted(HWND box, const std::vector<std::string>& shown,
                const std::vector<std::string>& wanted) {
  ::SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  if (shown.empty() || Differences(shown, wanted) > kMostSteps)
    Refill(box, wanted);
  else
    Step(box, shown, wanted);
  FitScrollRange(box, wanted);
  ::SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
}

}  // namespace ui
