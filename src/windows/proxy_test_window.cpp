#include "windows/proxy_test_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

#include "common/identifiers.h"
#include "common/twips.h"
#include "placement/centering.h"
#include "platform/transfer.h"
#include "ui/resource.h"

namespace windows {
namespace {
using namespace ids::proxy_test;

constexpr UINT kResultsArrived = WM_APP + 1;
constexpr DWORD kListStyle =
    WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;

constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr unsigned kStretch = ui::kStretchWidth | ui::kStretchHeight;
constexpr unsigned kBottomRight = ui::kFollowRight | ui::kFollowBottom;

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

}  // namespace

// Shared by the window and its workers. Once the window is gone the target
// is null, and no worker touches it again.
struct ProxyTestWindow::Mailbox {
  std::mutex mutex;
  HWND target = nullptr;
  unsigned run = 0;  // results of an earlier run are dropped
  std::vector<proxytest::ProbeResult> arrived;
};

ProxyTestWindow::ProxyTestWindow(std::vector<std::string> proxy_list, HWND owner, Use use)
    : candidates_(proxytest::Candidates(proxy_list)),
      use_(std::move(use)),
      mailbox_(std::make_shared<Mailbox>()) {
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
  std::lock_guard lock(mailbox_->mutex);
  mailbox_->target = Handle();
}

ProxyTestWindow::~ProxyTestWindow() { Detach(); }

void ProxyTestWindow::Detach() {
  // The workers still under way drop their results from now on.
  if (run_) run_->Cancel();
  std::lock_guard lock(mailbox_->mutex);
  mailbox_->target = nullptr;
}

void ProxyTestWindow::Load() {
  placement::CenterWindow(Id());
  StartTest();
}

void ProxyTestWindow::StartTest() {
  if (run_) run_->Cancel();
  results_.clear();
  unsigned run = 0;
  {
    std::lock_guard lock(mailbox_->mutex);
    mailbox_->arrived.clear();
    run = ++mailbox_->run;
  }
  ShowResults();
  run_ = proxytest::ProbeRun::Start(
      candidates_,
      [](const std::string& proxy) {
        return platform::transfer::FetchThroughProxy(
            proxy, proxytest::kProbeUrl, proxytest::kTimeoutMs, proxytest::kAnswerBytes);
      },
      [mailbox = mailbox_, run](const proxytest::ProbeResult& result) {
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->target || mailbox->run != run) return;
        mailbox->arrived.push_back(result);
        ::PostMessageA(mailbox->target, kResultsArrived, 0, 0);
      });
}

void ProxyTestWindow::TakeResults() {
  std::vector<proxytest::ProbeResult> arrived;
  {
    std::lock_guard lock(mailbox_->mutex);
    arrived.swap(mailbox_->arrived);
  }
  if (arrived.empty()) return;
  results_.insert(results_.end(), arrived.begin(), arrived.end());
  proxytest::Rank(results_);
  ShowResults();
}

void ProxyTestWindow::ShowResults() {
  const HWND list = Control(kResultList);
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < results_.size(); ++row) {
    const proxytest::ProbeResult& result = results_[row];
    const std::array<std::string, 3> cells = {result.proxy, proxytest::Reason(result),
                                              std::to_string(result.milliseconds)};
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = const_cast<char*>(cells[0].c_str());
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < 3; ++column) {
      item.iSubItem = column;
      item.pszText = const_cast<char*>(cells[column].c_str());
      ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  // When every proxy is done, the fastest working one is taken.
  const bool done = results_.size() == candidates_.size();
  if (done && !results_.empty() && results_.front().verdict == proxytest::Verdict::kWorks)
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  // Each column as wide as the widest of its cells and its title, so that no
  // reason is cut.
  for (int column = 0; column < static_cast<int>(kColumns.size()); ++column) {
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
    const int cells = ListView_GetColumnWidth(list, column);
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE_USEHEADER);
    const int title = ListView_GetColumnWidth(list, column);
    ListView_SetColumnWidth(list, column, std::max(cells, title));
  }
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  ShowProgress();
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

LRESULT ProxyTestWindow::OnNotify(const NMHDR& header) {
  if (header.idFrom == kResultList && header.code == NM_DBLCLK) UseSelected();
  return 0;
}

LRESULT ProxyTestWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kResultsArrived:
      TakeResults();
      return 0;
    case WM_COMMAND:
      return OnCommand(wparam);
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
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
