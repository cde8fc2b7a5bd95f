#include "windows/cookie_manager_window.h"

#include <utility>
#include <vector>

#include "common/identifiers.h"
#include "cookies/cookie_files.h"
#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "ui/messages.h"

namespace windows {
namespace {
using namespace ids::cookie_manager;

constexpr TwoListParts kParts{
    .class_name = ids::window_class::kCookieManager,
    .caption = "Cookie Manager",
    .client_height = 4545,
    // 460 x 340 at 96 dpi, grown on finer screens.
    .least_width = 460,
    .least_height = 340,
    .list_style = LBS_SORT,
    .unprotected = {.id = kCookieList,
                    .heading_id = kCookieLabel,
                    .heading = "Unprotected Cookies",
                    .tip = "Double-click to protect",
                    .moves = true},
    .protected_list = {.id = kJarList,
                       .heading_id = kJarLabel,
                       .heading = "Protected Cookies",
                       .tip = "These cookies are protected."},
    .hint = {.id = kHintLabel,
             .text = "Double-click on a cookie to temporarily protect it.",
             .width = 4275,
             .height = 210},
    .strip_id = kButtonStrip,
    .action = {.id = kEmptyJarButton, .text = "Empty Protected Cookies", .style = BS_MULTILINE},
    .done_id = kDoneButton,
    .refusal =
        "Apply is deleting and restoring cookies just now. Protect this cookie once it is done.",
};

}  // namespace

CookieManagerWindow::CookieManagerWindow(std::string cookies_folder, HWND owner)
    : TwoListWindow(kParts, owner), stated_folder_(std::move(cookies_folder)) {}

void CookieManagerWindow::Load() {
  Place();
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
                                  cookies::JarFolder(*cookies_folder_) +
                                  " does not exist, so its list is empty.",
                              platform::ui::kStyleInformation);
}

bool CookieManagerWindow::FillList(int list, const std::string& folder, bool cookies_only) {
  const HWND box = Control(list);
  ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
  if (!cookies_folder_) return false;
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
  return FillList(kCookieList, cookies_folder_->Path(), true);
}

bool CookieManagerWindow::RefreshJarList() {
  return FillList(kJarList, cookies::JarFolder(*cookies_folder_), false);
}

void CookieManagerWindow::RefreshLists() {
  RefreshCookieList();
  RefreshJarList();
}

void CookieManagerWindow::MoveSelected(int list) {
  if (!cookies_folder_ || !ChangesAllowed()) return;
  const HWND box = Control(list);
  const auto selected = ::SendMessageA(box, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  std::vector<char> name(static_cast<std::size_t>(::SendMessageA(box, LB_GETTEXTLEN, selected, 0)) +
                         1);
  ::SendMessageA(box, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(name.data()));
  const auto alive = Alive();
  ui::ShowIfAny(cookies::Protect(*cookies_folder_, name.data()));
  if (!alive.expired() && Handle()) RefreshLists();
}

void CookieManagerWindow::EmptyJar() {
  if (!cookies_folder_) return;
  if (cookies::EmptyJar(*cookies_folder_)) {
    RefreshLists();
    return;
  }
  Hide();
  const auto alive = Alive();
  platform::ui::ShowMessage(cookies::kNoCookiesText, platform::ui::kStyleInformationForeground,
                            cookies::kNoCookiesCaption);
  if (!alive.expired() && Handle()) Show();
}

}  // namespace windows
