#include "windows/proxy_test_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "common/identifiers.h"
#include "common/twips.h"
#include "placement/centering.h"
#include "ui/resource.h"

namespace windows {
namespace {
using namespace ids::proxy_test;

// The rows are drawn from the results as they are shown, never copied into
// the list: thousands of them are ranked anew as each batch arrives.
constexpr DWORD kListStyle = WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL |
                             LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA;

constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr unsigned kStretch = ui::kStretchWidth | ui::kStretchHeight;
constexpr unsigned kBottomRight = ui::kFollowRight | ui::kFollowBottom;
// Room beside a cell's text, as a list view leaves it (12 pixels at 96 dpi).
constexpr int kCellMarginTwips = 180;

// In tab order; the list grows with the window, the rest keeps to its bottom.
constexpr std::array<ui::ControlSpec, 5> kLayout{{
    {.id = kResultList,
     .window_class = WC_LISTVIEWA,
     .style = kListStyle,
     .rect = {120, 120, 5760, 3840},
     .anchor = kStretch},
    {.id = kUseButton,
     .window_class = WC_BUTTONA,
     .text = "&Use",
     .style = kPushButton,
     .rect = {2760, 4080, 900, 375},
     .anchor = kBottomRight},
    {.id = kTestAgainButton,
     .window_class = WC_BUTTONA,
     .text = "&Test Again",
     .style = kPushButton,
     .rect = {3750, 4080, 1110, 375},
     .anchor = kBottomRight},
    {.id = kCloseButton,
     .window_class = WC_BUTTONA,
     .text = "Close",
     .style = kPushButton,
     .rect = {4950, 4080, 930, 375},
     .anchor = kBottomRight},
    {.id = kProgressLabel,
     .window_class = WC_STATICA,
     .style = SS_LEFTNOWORDWRAP | SS_NOPREFIX,
     .rect = {120, 4140, 2520, 255},
     .anchor = ui::kFollowBottom},
}};

struct Column {
  const char* title;
  int twips;
};
constexpr std::array<Column, 3> kColumns{{{"Proxy", 2700}, {"Result", 1800}, {"Time (ms)", 1000}}};

// Widths of text in a control's font, on one device context for many.
class TextWidths {
 public:
  explicit TextWidths(HWND control) : control_(control), dc_(::GetDC(control)) {
    if (dc_)
      font_ =
          ::SelectObject(dc_, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  }
  ~TextWidths() {
    if (!dc_) return;
    ::SelectObject(dc_, font_);
    ::ReleaseDC(control_, dc_);
  }
  TextWidths(const TextWidths&) = delete;
  TextWidths& operator=(const TextWidths&) = delete;
  int Of(const std::string& text) const {
    SIZE size{};
    if (dc_) ::GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ font_ = nullptr;
};

std::string Cell(const proxytest::ProbeResult& result, int column) {
  switch (column) {
    case 0:
      return result.proxy;
    case 1:
      return proxytest::Reason(result);
    default:
      return std::to_string(result.milliseconds);
  }
}

}  // namespace

ProxyTestWindow::ProxyTestWindow(std::vector<std::string> proxy_list, HWND owner, Use use)
    : candidates_(proxytest::Candidates(proxy_list)), use_(std::move(use)) {
  const ui::FrameSpec frame{
      ids::window_class::kProxyTest,
      "Proxy Test",
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
      0,
      6000,
      4575,
      ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MASKFOLD)),
  };
  Create(frame, kLayout, owner);
  const HWND list = Control(kResultList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[i].title);
    column.cx = twips::ToPixels(kColumns[i].twips, Dpi());
    column.iSubItem = static_cast<int>(i);
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  // Columns as wide as their titles to begin with; each grows to its widest
  // cell as results come.
  {
    const TextWidths widths(list);
    for (std::size_t i = 0; i < kColumns.size(); ++i) widest_[i] = widths.Of(kColumns[i].title);
  }
  FitColumns();
}

ProxyTestWindow::~ProxyTestWindow() { Detach(); }

void ProxyTestWindow::Detach() {
  // The prober drops the rest of the run; what it has reported already is
  // dropped by the task queue, which closes with the window.
  if (run_) run_->Cancel();
}

void ProxyTestWindow::Load() {
  placement::CenterWindow(Id());
  StartTest();
}

void ProxyTestWindow::StartTest() {
  if (run_) run_->Cancel();
  results_.clear();
  arrived_.clear();
  const unsigned run = ++run_number_;
  ShowResults();
  // The prober may report after the window is gone: the poster, not the
  // window, is what it holds.
  run_ = proxytest::ProbeRun::Start(
      candidates_, [this, post = Tasks().Poster(), run](const proxytest::ProbeResult& result) {
        post([this, run, result] { Arrived(run, result); });
      });
}

// The results of one wake-up are ranked and shown once, after the last of
// them: thousands come in bursts.
void ProxyTestWindow::Arrived(unsigned run, const proxytest::ProbeResult& result) {
  if (run != run_number_) return;  // an earlier run's
  arrived_.push_back(result);
  if (arrived_.size() == 1) Tasks().Post([this] { TakeResults(); });
}

void ProxyTestWindow::TakeResults() {
  std::vector<proxytest::ProbeResult> arrived;
  arrived.swap(arrived_);
  if (arrived.empty()) return;
  if (fail_at_first_results_) throw std::runtime_error("a failure made for a test");
  {
    const TextWidths widths(Control(kResultList));
    for (const auto& result : arrived)
      for (std::size_t column = 0; column < kColumns.size(); ++column)
        widest_[column] =
            std::max(widest_[column], widths.Of(Cell(result, static_cast<int>(column))));
  }
  FitColumns();
  // The row chosen stays chosen as the rows move.
  const int row = ListView_GetNextItem(Control(kResultList), -1, LVNI_SELECTED);
  const bool keep = row >= 0 && static_cast<std::size_t>(row) < results_.size();
  const std::size_t chosen = keep ? results_[static_cast<std::size_t>(row)].position : 0;
  results_.insert(results_.end(), arrived.begin(), arrived.end());
  proxytest::Rank(results_);
  ShowResults();
  if (!keep || results_.size() == candidates_.size()) return;
  for (std::size_t i = 0; i < results_.size(); ++i)
    if (results_[i].position == chosen) Select(static_cast<int>(i));
}

void ProxyTestWindow::Select(int row) {
  const HWND list = Control(kResultList);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

// Each column as wide as the widest of its cells and its title, so that no
// reason is cut.
void ProxyTestWindow::FitColumns() {
  const HWND list = Control(kResultList);
  for (std::size_t column = 0; column < kColumns.size(); ++column) {
    const int width = widest_[column] + twips::ToPixels(kCellMarginTwips, Dpi());
    if (width > ListView_GetColumnWidth(list, static_cast<int>(column)))
      ListView_SetColumnWidth(list, static_cast<int>(column), width);
  }
}

void ProxyTestWindow::ShowResults() {
  const HWND list = Control(kResultList);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ::SendMessageA(list, LVM_SETITEMCOUNT, results_.size(), LVSICF_NOSCROLL);
  ::InvalidateRect(list, nullptr, TRUE);
  // When every proxy is done, the fastest working one is taken.
  const bool done = results_.size() == candidates_.size();
  if (done && !results_.empty() && results_.front().verdict == proxytest::Verdict::kWorks)
    Select(0);
  ShowProgress();
}

// The list asks for a cell's text as it draws it.
void ProxyTestWindow::GiveCell(LVITEMA& item) const {
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= results_.size()) {
    item.pszText[0] = '\0';
    return;
  }
  const std::string text = Cell(results_[static_cast<std::size_t>(item.iItem)], item.iSubItem);
  const std::size_t size = std::min<std::size_t>(text.size(), item.cchTextMax - 1);
  text.copy(item.pszText, size);
  item.pszText[size] = '\0';
}

void ProxyTestWindow::ShowProgress() {
  const std::string text =
      "Tested " + std::to_string(results_.size()) + " of " + std::to_string(candidates_.size());
  ::SetWindowTextA(Control(kProgressLabel), text.c_str());
}

void ProxyTestWindow::AllowUse(bool allowed) {
  use_allowed_ = allowed;
  ::EnableWindow(Control(kUseButton), allowed);
}

void ProxyTestWindow::UseSelected() {
  if (!use_allowed_) return;
  const int row = ListView_GetNextItem(Control(kResultList), -1, LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= results_.size()) return;
  use_(results_[static_cast<std::size_t>(row)].proxy);
  // Asked from a button's or the list's notification: the control is still
  // at work on it.
  CloseLater();
}

// At once, whatever the workers are doing.
void ProxyTestWindow::Close() { Unload(); }

LRESULT ProxyTestWindow::OnCommand(WPARAM wparam) {
  switch (LOWORD(wparam)) {
    case kUseButton:
      UseSelected();
      break;
    case kTestAgainButton:
      StartTest();
      break;
    case kCloseButton:
    case IDCANCEL:  // Esc
      CloseLater();
      break;
    case IDOK:  // Enter on a row uses it
      if (::GetFocus() == Control(kResultList)) UseSelected();
      break;
  }
  return 0;
}

LRESULT ProxyTestWindow::OnNotify(NMHDR& header) {
  if (header.idFrom != kResultList) return 0;
  if (header.code == NM_DBLCLK) UseSelected();
  if (header.code == LVN_GETDISPINFOA) GiveCell(reinterpret_cast<NMLVDISPINFOA&>(header).item);
  return 0;
}

LRESULT ProxyTestWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam);
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lparam));
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      Detach();
      break;
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace windows
