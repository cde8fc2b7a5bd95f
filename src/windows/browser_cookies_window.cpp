#include "windows/browser_cookies_window.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "browsers/protected_sites.h"
#include "browsers/site_lists.h"
#include "browsers/stores.h"
#include "common/identifiers.h"
#include "cookies/folder_guard.h"
#include "platform/ui.h"
#include "sitedata/site_data_survey.h"
#include "ui/messages.h"
#include "ui/sorted_list.h"

namespace windows {
namespace {
using namespace ids::browser_cookies;

// The two lines under the lists are laid out for the longest they say: all
// seven browsers named.
constexpr char kLongestHint[] =
    "Double-click on a site to move it across. Cookies and site data found in Chrome, Edge, "
    "Brave, Chromium, Vivaldi, Opera and Firefox.";
constexpr char kLongestStatus[] =
    "Could not read the cookies of Chrome, Edge, Brave, Chromium, Vivaldi, Opera and Firefox, so "
    "sites may be missing: close the browser and press Read Again.";

constexpr TwoListParts kParts{
    .class_name = ids::window_class::kBrowserCookies,
    .caption = "Browser Cookies",
    .client_height = 5205,
    // No LBS_SORT: the entries come sorted, and the box's own order would
    // differ.
    .list_style = WS_HSCROLL,
    .unprotected = {.id = kSiteList,
                    .heading_id = kSiteLabel,
                    .heading = "Unprotected Sites",
                    .tip = "Double-click to protect",
                    .moves = true},
    .protected_list = {.id = kProtectedList,
                       .heading_id = kProtectedLabel,
                       .heading = "Protected Sites",
                       .tip = "These sites are protected. Double-click to unprotect.",
                       .moves = true},
    .hint = {.id = kHintLabel,
             .text = kLongestHint,
             .style = SS_LEFT | SS_NOPREFIX,
             .width = 6525,
             .height = 420},
    .status = {.id = kStatusLabel,
               .text = kLongestStatus,
               .style = SS_LEFT | SS_NOPREFIX,
               .width = 6525,
               .height = 420},
    .strip_id = kButtonStrip,
    .action = {.id = kReadAgainButton, .text = "Read Again"},
    .done_id = kDoneButton,
    .refusal = "Apply is deleting browser cookies just now. Move this site once it is done.",
};

std::string HintText(const std::optional<browsers::Survey>& survey) {
  if (!survey) return "Reading the browsers' cookies...";
  if (survey->browsers.empty()) return "No browser's cookies were found.";
  return "Double-click on a site to move it across. Cookies and site data found in " +
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
    : TwoListWindow(kParts, owner), stated_folder_(std::move(cookies_folder)) {}

void BrowserCookiesWindow::Load() {
  Place();
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
        *survey = sitedata::SurveyAll(browsers::FindStores(folders));
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
  if (!cookies_folder_) return std::nullopt;
  browsers::ProtectedRead read = browsers::ReadAllProtectedSites(*cookies_folder_);
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

void BrowserCookiesWindow::MoveSelected(int list) {
  if (!cookies_folder_) return;
  const HWND box = Control(list);
  const auto selected = ::SendMessageA(box, LB_GETCURSEL, 0, 0);
  const auto& sites = list == kSiteList ? unprotected_sites_ : protected_shown_;
  if (selected < 0 || static_cast<std::size_t>(selected) >= sites.size() || !ChangesAllowed())
    return;
  const std::string site = sites[static_cast<std::size_t>(selected)];
  const auto alive = Alive();
  if (const auto problem = list == kSiteList ? browsers::ProtectSite(*cookies_folder_, site)
                                             : browsers::UnprotectSite(*cookies_folder_, site)) {
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

}  // namespace windows
