// The Browser Cookies window: the sites that today's browsers hold cookies
// of, and the sites whose cookies Apply keeps; a double-click or Enter moves
// a site from one list to the other.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "browsers/site_survey.h"
#include "cookies/folder_guard.h"
#include "windows/two_list_window.h"

namespace windows {

class BrowserCookiesWindow final : public TwoListWindow {
 public:
  // Creates the window hidden, owned by the main window.
  BrowserCookiesWindow(std::string cookies_folder, HWND owner);

  // Centres the window, shows the protected sites and starts reading the
  // browsers' stores; the found sites follow once they are read.
  void Load();

 private:
  // Reads the protected sites and, off the window's thread, the stores:
  // on Read Again, and once Apply, which reads the protected sites and
  // deletes browser cookies, has ended.
  void ReadAll();
  void Act() override { ReadAll(); }
  void ReadAgain() override { ReadAll(); }
  void ReadStores();
  void TakeSurvey(browsers::Survey survey);
  // The message for the user when the jar's file cannot be read.
  std::optional<std::string> ReadProtectedSites();
  // Brings both lists to the survey and the protected sites.
  void ShowLists();
  void ShowHint();
  // Moves the selected site of the list to the other one.
  void MoveSelected(int list) override;

  // As the main window read it, and as the guard resolved it (empty when the
  // guard refused it: the window then shows and changes no protected site).
  const std::string stated_folder_;
  std::optional<cookies::GuardedFolder> cookies_folder_;  // nothing when the guard refused it
  std::optional<browsers::Survey> survey_;                // nothing until the stores are read
  unsigned reading_ = 0;  // a survey of an earlier reading is dropped
  std::vector<std::string> protected_;
  // What the lists show, entry by entry.
  std::vector<std::string> unprotected_texts_, unprotected_sites_, protected_shown_;
};

}  // namespace windows
