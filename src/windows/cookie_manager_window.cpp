#include "windows/cookie_manager_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "common/identifiers.h"
#include "cookies/cookie_files.h"
#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "placement/centering.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "ui/messages.h"
#include "ui/resource.h"

namespace windows {
namespace {
using namespace ids::cookie_manager;

constexpr DWORD kListStyle =
    WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT;

// In tab order; the two buttons lie on the strip.
constexpr std::array<ui::ControlSpec, 8> kLayout{{
    {.id = kCookieList,
     .window_class = WC_LISTBOXA,
     .style = kListStyle,
     .rect = {120, 975, 3135, 3210}},
    {.id = kHintLabel,
     .window_class = WC_STATICA,
     .text = "Double-click on a cookie to temporarily protect it.",
     .style = SS_LEFT,
     .rect = {120, 4185, 4275, 210},
     .font = ui::kBold},
    {.id = kJarList,
     .window_class = WC_LISTBOXA,
     .style = kListStyle,
     .rect = {3360, 975, 3285, 3210}},
    {.id = kJarLabel,
     .window_class = WC_STATICA,
     .text = "Protected Cookies",
     .style = SS_LEFT,
     .rect = {3420, 735, 3210, 255},
     .font = ui::kBold},
    {.id = kCookieLabel,
     .window_class = WC_STATICA,
     .text = "Unprotected Cookies",
     .style = SS_LEFT,
     .rect = {165, 735, 3135, 210},
     .font = ui::kBold},
    // A control parent: Tab goes on into its buttons.
    {.id = kButtonStrip,
     .window_class = ids::window_class::kButtonStrip,
     .rect = {0, 0, 6750, 585},
     .ex_style = WS_EX_CONTROLPARENT},
    {.id = kEmptyJarButton,
     .window_class = WC_BUTTONA,
     .text = "Empty Protected Cookies",
     .style = WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE,
     .rect = {15, 15, 1380, 495},
     .parent = kButtonStrip},
    {.id = kDoneButton,
     .window_class = WC_BUTTONA,
     .text = "Done",
     .style = WS_TABSTOP | BS_PUSHBUTTON,
     .rect = {1455, 15, 1260, 495},
     .parent = kButtonStrip},
}};

constexpr COLORREF kCookieLabelRed = RGB(192, 0, 0);
constexpr COLORREF kJarLabelGreen = RGB(0, 128, 0);

}  // namespace

CookieManagerWindow::CookieManagerWindow(std::string cookies_folder, HWND owner)
    : stated_folder_(std::move(cookies_folder)) {
  const ui::FrameSpec frame{
      ids::window_class::kCookieManager,
      "Cookie Manager",
      WS_POPUP | WS_CAPTION | WS_SYSMENU,  // fixed single border
      0,
      6750,
      4545,
      ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MASKFOLD)),
  };
  Create(frame, kLayout, owner);
  tooltips_ = std::make_unique<ui::Tooltips>(Handle());
  tooltips_->Add(Control(kCookieList), "Double-click to protect");
  tooltips_->Add(Control(kJarList), "These cookies are protected.");
}

void CookieManagerWindow::Load() {
  // 460 x 340 at 96 dpi, grown on finer screens, and where the text needs
  // more room, so that nothing is cut.
  RECT outer{};
  ::GetWindowRect(Handle(), &outer);
  platform::ui::SetWindowPos(
      Id(), platform::ui::kInsertTopmost, 0, 0,
      std::max<int>(platform::ui::ScreenPixels(460), outer.right - outer.left),
      std::max<int>(platform::ui::ScreenPixels(340), outer.bottom - outer.top), 0);
  placement::CenterWindow(Id());
  Repaint();
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(stated_folder_);
  if (!checked) {
    // One message saying why; both lists stay empty and nothing is touched.
    platform::ui::ShowMessage("The cookies folder \"" + stated_folder_ + "\" " + *checked.problem +
                                  ", so both lists are empty.",
                              platform::ui::kStyleInformation);
    return;
  }
  cookies_folder_ = checked.folder;
  RefreshCookieList();
  // One message for a missing jar; the window stays usable.
  if (!RefreshJarList())
    platform::ui::ShowMessage("The protected cookies folder " +
                                  cookies::JarFolder(cookies_folder_) +
                                  " does not exist, so its list is empty.",
                              platform::ui::kStyleInformation);
}

bool CookieManagerWindow::FillList(int list, const std::string& folder, bool cookies_only) {
  const HWND box = Control(list);
  ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
  if (cookies_folder_.empty()) return false;
  const auto attributes = platform::files::Attributes(folder);
  if (!attributes || !(*attributes & platform::files::kAttributeDirectory)) return false;
  // The names first, then room for all of them, then one repaint: the list
  // sorts them as it takes them.
  const std::vector<std::string> names =
      cookies_only ? cookies::CookieFiles(folder) : platform::files::ListFiles(folder + "\\*.*");
  std::size_t bytes = 0;
  for (const std::string& name : names) bytes += name.size() + 1;
  ::SendMessageA(box, LB_INITSTORAGE, names.size(), static_cast<LPARAM>(bytes));
  ::SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  for (const std::string& name : names)
    ::SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
  return true;
}

bool CookieManagerWindow::RefreshCookieList() {
  return FillList(kCookieList, cookies_folder_, true);
}

bool CookieManagerWindow::RefreshJarList() {
  return FillList(kJarList, cookies::JarFolder(cookies_folder_), false);
}

void CookieManagerWindow::RefreshLists() {
  RefreshCookieList();
  RefreshJarList();
}

void CookieManagerWindow::AllowChanges(bool allowed) {
  const bool were_allowed = std::exchange(changes_allowed_, allowed);
  ::EnableWindow(Control(kEmptyJarButton), allowed);
  if (allowed && !were_allowed) RefreshLists();  // Apply has changed both folders
}

bool CookieManagerWindow::ChangesAllowed() const {
  if (changes_allowed_) return true;
  platform::ui::ShowMessage(
      "Apply is deleting and restoring cookies just now. Protect this cookie once it is done.",
      platform::ui::kStyleInformation);
  return false;
}

void CookieManagerWindow::ProtectSelectedCookie() {
  if (cookies_folder_.empty() || !ChangesAllowed()) return;
  const HWND list = Control(kCookieList);
  const auto selected = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  std::vector<char> name(
      static_cast<std::size_t>(::SendMessageA(list, LB_GETTEXTLEN, selected, 0)) + 1);
  ::SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(name.data()));
  const auto alive = Alive();
  ui::ShowIfAny(cookies::Protect(cookies_folder_, name.data()));
  if (!alive.expired() && Handle()) RefreshLists();
}

void CookieManagerWindow::EmptyJar() {
  if (cookies_folder_.empty() || !changes_allowed_) return;
  if (cookies::EmptyJar(cookies_folder_)) {
    RefreshLists();
    return;
  }
  Hide();
  const auto alive = Alive();
  platform::ui::ShowMessage(cookies::kNoCookiesText, platform::ui::kStyleInformationForeground,
                            cookies::kNoCookiesCaption);
  if (!alive.expired() && Handle()) Show();
}

void CookieManagerWindow::Done() { Unload(); }

LRESULT CookieManagerWindow::OnCommand(WPARAM wparam) {
  switch (LOWORD(wparam)) {
    case kEmptyJarButton:
      EmptyJar();
      break;
    case kDoneButton:
    case IDCANCEL:   // Esc
      CloseLater();  // the button is still at work on its click
      break;
    case kCookieList:
      if (HIWORD(wparam) == LBN_DBLCLK) ProtectSelectedCookie();
      break;
    case IDOK:
      // Enter on the cookie list protects the selected cookie, as a
      // double-click does.
      if (::GetFocus() == Control(kCookieList)) ProtectSelectedCookie();
      break;
  }
  return 0;
}

LRESULT CookieManagerWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam);
    case WM_CLOSE:
      Done();  // the close box does what Done does
      return 0;
    case WM_DESTROY:
      // The tips belong to this window alone: they go with it.
      tooltips_.reset();
      break;
    case WM_CTLCOLORSTATIC: {
      const auto label = reinterpret_cast<HWND>(lparam);
      COLORREF colour = RGB(0, 0, 0);
      if (label == Control(kCookieLabel)) colour = kCookieLabelRed;
      if (label == Control(kJarLabel)) colour = kJarLabelGreen;
      return ui::ColouredLabel(wparam, colour);
    }
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace windows
