// The Browser Cookies window: the sites that today's browsers hold cookies
// of, and the sites whose cookies Apply keeps; a double-click or Enter moves
// a site from one list to the other.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browsers/site_survey.h"
#include "ui/tooltips.h"
#include "ui/window.h"

namespace windows {

class BrowserCookiesWindow final : public ui::Window {
 public:
  // Creates the window hidden, owned by the main window, as the Cookie
  // Manager is.
  BrowserCookiesWindow(std::string cookies_folder, HWND owner);

  // Centres the window, shows the protected sites and starts reading the
  // browsers' stores; the found sites follow once they are read.
  void Load();
  // Apply reads the protected sites and deletes browser cookies: meanwhile
  // no site moves. Afterwards the stores are read again.
  void AllowChanges(bool allowed);

 private:
  // Reads the protected sites and, off the window's thread, the stores.
  void ReadAll();
  void ReadStores();
  void TakeSurvey(browsers::Survey survey);
  // The message for the user when the jar's file cannot be read.
  std::optional<std::string> ReadProtectedSites();
  // Brings both lists to the survey and the protected sites.
  void ShowLists();
  void ShowHint();
  // Moves the selected site of the list to the other one.
  void MoveSelected(int list);
  // False, with the user told why, while changes are not allowed.
  bool ChangesAllowed() const;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT OnCommand(WPARAM wparam);

  // As the main window read it, and as the guard resolved it (empty when the
  // guard refused it: the window then shows and changes no protected site).
  const std::string stated_folder_;
  std::string cookies_folder_;
  bool changes_allowed_ = true;
  std::optional<browsers::Survey> survey_;  // nothing until the stores are read
  unsigned reading_ = 0;                    // a survey of an earlier reading is dropped
  std::vector<std::string> protected_;
  // What the lists show, entry by entry.
  std::vector<std::string> unprotected_texts_, unprotected_sites_, protected_shown_;
  std::unique_ptr<ui::Tooltips> tooltips_;
};

}  // namespace windows
