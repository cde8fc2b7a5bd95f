#include "windows/two_list_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/identifiers.h"
#include "placement/centering.h"
#include "platform/ui.h"
#include "ui/resource.h"

namespace windows {
namespace {

constexpr DWORD kListStyle =
    WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
constexpr int kClientWidth = 6750;  // twips

constexpr COLORREF kUnprotectedRed = RGB(192, 0, 0);
constexpr COLORREF kProtectedGreen = RGB(0, 128, 0);

// In tab order; the two buttons lie on the strip.
std::vector<ui::ControlSpec> Layout(const TwoListParts& parts) {
  const TwoListParts::List& left = parts.unprotected;
  const TwoListParts::List& right = parts.protected_list;
  const TwoListParts::Label& hint = parts.hint;
  std::vector<ui::ControlSpec> rows{
      {.id = left.id,
       .window_class = WC_LISTBOXA,
       .style = kListStyle | parts.list_style,
       .rect = {120, 975, 3135, 3210}},
      {.id = hint.id,
       .window_class = WC_STATICA,
       .text = hint.text,
       .style = hint.style,
       .rect = {120, 4185, hint.width, hint.height},
       .font = ui::kBold},
      {.id = right.id,
       .window_class = WC_LISTBOXA,
       .style = kListStyle | parts.list_style,
       .rect = {3360, 975, 3285, 3210}},
      {.id = right.heading_id,
       .window_class = WC_STATICA,
       .text = right.heading,
       .style = SS_LEFT,
       .rect = {3420, 735, 3210, 255},
       .font = ui::kBold},
      {.id = left.heading_id,
       .window_class = WC_STATICA,
       .text = left.heading,
       .style = SS_LEFT,
       .rect = {165, 735, 3135, 210},
       .font = ui::kBold},
  };
  const TwoListParts::Label& status = parts.status;
  if (status.id)
    rows.push_back({.id = status.id,
                    .window_class = WC_STATICA,
                    .text = status.text,
                    .style = status.style,
                    .rect = {120, 4665, status.width, status.height}});
  rows.insert(rows.end(),
              {// A control parent: Tab goes on into its buttons.
               {.id = parts.strip_id,
                .window_class = ids::window_class::kButtonStrip,
                .rect = {0, 0, kClientWidth, 585},
                .ex_style = WS_EX_CONTROLPARENT},
               {.id = parts.action.id,
                .window_class = WC_BUTTONA,
                .text = parts.action.text,
                .style = WS_TABSTOP | BS_PUSHBUTTON | parts.action.style,
                .rect = {15, 15, 1380, 495},
                .parent = parts.strip_id},
               {.id = parts.done_id,
                .window_class = WC_BUTTONA,
                .text = "Done",
                .style = WS_TABSTOP | BS_PUSHBUTTON,
                .rect = {1455, 15, 1260, 495},
                .parent = parts.strip_id}});
  return rows;
}

}  // namespace

TwoListWindow::TwoListWindow(const TwoListParts& parts, HWND owner) : parts_(parts) {
  const ui::FrameSpec frame{
      parts.class_name,
      parts.caption,
      WS_POPUP | WS_CAPTION | WS_SYSMENU,  // fixed single border
      0,
      kClientWidth,
      parts.client_height,
      ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MASKFOLD)),
  };
  Create(frame, Layout(parts), owner);
  tooltips_ = std::make_unique<ui::Tooltips>(Handle());
  tooltips_->Add(Control(parts.unprotected.id), parts.unprotected.tip);
  tooltips_->Add(Control(parts.protected_list.id), parts.protected_list.tip);
}

void TwoListWindow::Place() {
  // Grown on finer screens, and where the text needs more room, so that
  // nothing is cut.
  RECT outer{};
  ::GetWindowRect(Handle(), &outer);
  platform::ui::SetWindowPos(
      Id(), platform::ui::kInsertTopmost, 0, 0,
      std::max<int>(platform::ui::ScreenPixels(parts_.least_width), outer.right - outer.left),
      std::max<int>(platform::ui::ScreenPixels(parts_.least_height), outer.bottom - outer.top),
      SWP_NOMOVE);
  placement::CenterWindow(Id());
  Repaint();
}

void TwoListWindow::AllowChanges(bool allowed) {
  const bool were_allowed = std::exchange(changes_allowed_, allowed);
  ::EnableWindow(Control(parts_.action.id), allowed);
  if (allowed && !were_allowed) ReadAgain();
}

bool TwoListWindow::ChangesAllowed() const {
  if (changes_allowed_) return true;
  platform::ui::ShowMessage(parts_.refusal, platform::ui::kStyleInformation);
  return false;
}

LRESULT TwoListWindow::OnCommand(WPARAM wparam) {
  const int id = LOWORD(wparam);
  if (id == parts_.action.id) {
    if (changes_allowed_) Act();
  } else if (id == parts_.done_id || id == IDCANCEL) {  // IDCANCEL: Esc
    CloseLater();                                       // the button is still at work on its click
  } else if (id == IDOK) {
    // Enter on a list moves its selected row, as a double-click does.
    for (const TwoListParts::List* list : {&parts_.unprotected, &parts_.protected_list})
      if (list->moves && ::GetFocus() == Control(list->id)) MoveSelected(list->id);
  } else {
    for (const TwoListParts::List* list : {&parts_.unprotected, &parts_.protected_list})
      if (list->moves && id == list->id && HIWORD(wparam) == LBN_DBLCLK) MoveSelected(id);
  }
  return 0;
}

LRESULT TwoListWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam);
    case WM_CLOSE:
      Unload();  // the close box does what Done does
      return 0;
    case WM_DESTROY:
      // The tips belong to this window alone: they go with it.
      tooltips_.reset();
      break;
    case WM_CTLCOLORSTATIC: {
      const auto label = reinterpret_cast<HWND>(lparam);
      COLORREF colour = RGB(0, 0, 0);
      if (label == Control(parts_.unprotected.heading_id) ||
          (parts_.status.id && label == Control(parts_.status.id)))
        colour = kUnprotectedRed;
      if (label == Control(parts_.protected_list.heading_id)) colour = kProtectedGreen;
      return ui::ColouredLabel(wparam, colour);
    }
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace windows
