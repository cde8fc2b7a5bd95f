#include "windows/browser_cookies_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "browsers/protected_sites.h"
#include "browsers/site_lists.h"
#include "browsers/stores.h"
#include "common/identifiers.h"
#include "cookies/folder_guard.h"
#include "placement/centering.h"
#include "platform/ui.h"
#include "ui/messages.h"
#include "ui/resource.h"
#include "ui/sorted_list.h"

namespace windows {
namespace {
using namespace ids::browser_cookies;

// No LBS_SORT: the entries come sorted, and the box's own order would differ.
constexpr DWORD kListStyle =
    WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

// The two lines under the lists are laid out for the longest they say: all
// seven browsers named.
constexpr char kLongestHint[] =
    "Double-click on a site to move it across. Cookies found in Chrome, Edge, Brave, Chromium, "
    "Vivaldi, Opera and Firefox.";
constexpr char kLongestStatus[] =
    "Could not read the cookies of Chrome, Edge, Brave, Chromium, Vivaldi, Opera and Firefox, so "
    "sites may be missing: close the browser and press Read Again.";

// In tab order; the two buttons lie on the strip.
constexpr std::array<ui::ControlSpec, 9> kLayout{{
    {.id = kSiteList,
     .window_class = WC_LISTBOXA,
     .style = kListStyle,
     .rect = {120, 975, 3135, 3210}},
    {.id = kHintLabel,
     .window_class = WC_STATICA,
     .text = kLongestHint,
     .style = SS_LEFT | SS_NOPREFIX,
     .rect = {120, 4185, 6525, 420},
     .font = ui::kBold},
    {.id = kProtectedList,
     .window_class = WC_LISTBOXA,
     .style = kListStyle,
     .rect = {3360, 975, 3285, 3210}},
    {.id = kProtectedLabel,
     .window_class = WC_STATICA,
     .text = "Protected Sites",
     .style = SS_LEFT,
     .rect = {3420, 735, 3210, 255},
     .font = ui::kBold},
    {.id = kSiteLabel,
     .window_class = WC_STATICA,
     .text = "Unprotected Sites",
     .style = SS_LEFT,
     .rect = {165, 735, 3135, 210},
     .font = ui::kBold},
    {.id = kStatusLabel,
     .window_class = WC_STATICA,
     .text = kLongestStatus,
     .style = SS_LEFT | SS_NOPREFIX,
     .rect = {120, 4665, 6525, 420}},
    // A control parent: Tab goes on into its buttons.
    {.id = kButtonStrip,
     .window_class = ids::window_class::kButtonStrip,
     .rect = {0, 0, 6750, 585},
     .ex_style = WS_EX_CONTROLPARENT},
    {.id = kReadAgainButton,
     .window_class = WC_BUTTONA,
     .text = "Read Again",
     .style = WS_TABSTOP | BS_PUSHBUTTON,
     .rect = {15, 15, 1380, 495},
     .parent = kButtonStrip},
    {.id = kDoneButton,
     .window_class = WC_BUTTONA,
     .text = "Done",
     .style = WS_TABSTOP | BS_PUSHBUTTON,
     .rect = {1455, 15, 1260, 495},
     .parent = kButtonStrip},
}};

constexpr COLORREF kUnprotectedRed = RGB(192, 0, 0);
constexpr COLORREF kProtectedGreen = RGB(0, 128, 0);

std::string HintText(const std::optional<browsers::Survey>& survey) {
  if (!survey) return "Reading the browsers' cookies...";
  if (survey->browsers.empty()) return "No browser's cookies were found.";
  return "Double-click on a site to move it across. Cookies found in " +
         browsers::InWords(survey->browsers) + ".";
}

// Closing the browser is what the user can do about a store it holds.
std::string StatusText(const std::optional<browsers::Survey>& survey) {
  if (!survey || survey->unreadable.empty()) return "";
  return "Could not read the cookies of " + browsers::InWords(survey->unreadable) +
         ", so sites may be missing: close the browser and press Read Again.";
}

}  // namespace

BrowserCookiesWindow::BrowserCookiesWindow(std::string cookies_folder, HWND owner)
    : stated_folder_(std::move(cookies_folder)) {
  const ui::FrameSpec frame{
      ids::window_class::kBrowserCookies,
      "Browser Cookies",
      WS_POPUP | WS_CAPTION | WS_SYSMENU,  // fixed single border
      0,
      6750,
      5205,
      ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MASKFOLD)),
  };
  Create(frame, kLayout, owner);
  tooltips_ = std::make_unique<ui::Tooltips>(Handle());
  tooltips_->Add(Control(kSiteList), "Double-click to protect");
  tooltips_->Add(Control(kProtectedList), "These sites are protected. Double-click to unprotect.");
}

void BrowserCookiesWindow::Load() {
  platform::ui::SetWindowPos(Id(), platform::ui::kInsertTopmost, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE);
  placement::CenterWindow(Id());
  Repaint();
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(stated_folder_);
  cookies_folder_ = checked.folder;
  // The stores are read either way; a refused folder leaves ReadAll nothing
  // to tell, so this is the one message.
  ReadAll();
  if (!checked)
    platform::ui::ShowMessage("The cookies folder \"" + stated_folder_ + "\" " + *checked.problem +
                                  ", so the protected sites can be neither shown nor changed.",
                              platform::ui::kStyleInformation);
}

void BrowserCookiesWindow::ReadAll() {
  survey_.reset();
  ShowHint();
  const auto unread = ReadProtectedSites();
  ShowLists();
  ReadStores();
  ui::ShowIfAny(unread);  // last: the window may be gone once the box is
}

void BrowserCookiesWindow::ReadStores() {
  const unsigned reading = ++reading_;
  auto survey = std::make_shared<browsers::Survey>();
  Tasks().Run(
      [survey, folders = browsers::ShellUserFolders()] {
        *survey = browsers::SurveySites(browsers::FindStores(folders));
      },
      [this, survey, reading] {
        if (reading == reading_) TakeSurvey(std::move(*survey));
      });
}

void BrowserCookiesWindow::TakeSurvey(browsers::Survey survey) {
  survey_ = std::move(survey);
  ShowHint();
  ShowLists();
}

void BrowserCookiesWindow::ShowHint() {
  ::SetWindowTextA(Control(kHintLabel), HintText(survey_).c_str());
  ::SetWindowTextA(Control(kStatusLabel), StatusText(survey_).c_str());
}

std::optional<std::string> BrowserCookiesWindow::ReadProtectedSites() {
  if (cookies_folder_.empty()) return std::nullopt;
  browsers::ProtectedRead read = browsers::ReadAllProtectedSites(cookies_folder_);
  // When the file cannot be read the sites shown stay; a move reads it again.
  if (!read.problem) protected_ = std::move(read.sites);
  return read.problem;
}

void BrowserCookiesWindow::ShowLists() {
  std::vector<std::string> texts, sites;
  if (survey_) {
    const auto unprotected = browsers::UnprotectedSites(survey_->sites, protected_);
    texts.reserve(unprotected.size());
    sites.reserve(unprotected.size());
    for (const auto& entry : unprotected) {
      texts.push_back(entry.text);
      sites.push_back(entry.site);
    }
  }
  ui::ShowSorted(Control(kSiteList), unprotected_texts_, texts);
  unprotected_texts_ = std::move(texts);
  unprotected_sites_ = std::move(sites);
  ui::ShowSorted(Control(kProtectedList), protected_shown_, protected_);
  protected_shown_ = protected_;
}

void BrowserCookiesWindow::AllowChanges(bool allowed) {
  const bool were_allowed = std::exchange(changes_allowed_, allowed);
  ::EnableWindow(Control(kReadAgainButton), allowed);
  if (allowed && !were_allowed) ReadAll();  // Apply has deleted cookies
}

bool BrowserCookiesWindow::ChangesAllowed() const {
  if (changes_allowed_) return true;
  platform::ui::ShowMessage(
      "Apply is deleting browser cookies just now. Move this site once it is done.",
      platform::ui::kStyleInformation);
  return false;
}

void BrowserCookiesWindow::MoveSelected(int list) {
  if (cookies_folder_.empty()) return;
  const HWND box = Control(list);
  const auto selected = ::SendMessageA(box, LB_GETCURSEL, 0, 0);
  const auto& sites = list == kSiteList ? unprotected_sites_ : protected_shown_;
  if (selected < 0 || static_cast<std::size_t>(selected) >= sites.size() || !ChangesAllowed())
    return;
  const std::string site = sites[static_cast<std::size_t>(selected)];
  const auto alive = Alive();
  if (const auto problem = list == kSiteList ? browsers::ProtectSite(cookies_folder_, site)
                                             : browsers::UnprotectSite(cookies_folder_, site)) {
    platform::ui::ShowMessage(*problem, platform::ui::kStyleInformation);
    if (alive.expired() || !Handle()) return;
  }
  const auto unread = ReadProtectedSites();
  ShowLists();
  // The entry that took the moved one's place is selected: Enter moves the
  // next one.
  const auto count = ::SendMessageA(box, LB_GETCOUNT, 0, 0);
  if (count > 0) ::SendMessageA(box, LB_SETCURSEL, std::min(selected, count - 1), 0);
  ui::ShowIfAny(unread);
}

LRESULT BrowserCookiesWindow::OnCommand(WPARAM wparam) {
  const int id = LOWORD(wparam);
  switch (id) {
    case kReadAgainButton:
      if (changes_allowed_) ReadAll();
      break;
    case kDoneButton:
    case IDCANCEL:   // Esc
      CloseLater();  // the button is still at work on its click
      break;
    case kSiteList:
    case kProtectedList:
      if (HIWORD(wparam) == LBN_DBLCLK) MoveSelected(id);
      break;
    case IDOK:
      // Enter on a list moves its selected site, as a double-click does.
      for (int list : {kSiteList, kProtectedList})
        if (::GetFocus() == Control(list)) MoveSelected(list);
      break;
  }
  return 0;
}

LRESULT BrowserCookiesWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam);
    case WM_CLOSE:
      Unload();  // the close box does what Done does
      return 0;
    case WM_DESTROY:
      tooltips_.reset();
      break;
    case WM_CTLCOLORSTATIC: {
      const auto label = reinterpret_cast<HWND>(lparam);
      COLORREF colour = RGB(0, 0, 0);
      if (label == Control(kSiteLabel) || label == Control(kStatusLabel)) colour = kUnprotectedRed;
      if (label == Control(kProtectedLabel)) colour = kProtectedGreen;
      return ui::ColouredLabel(wparam, colour);
    }
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace windows
