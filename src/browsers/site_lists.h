// The two lists of the Browser Cookies window, and moving a site from one to
// the other.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "browsers/site_survey.h"
#include "cookies/folder_guard.h"

namespace browsers {

struct Listed {
  std::string text;  // as the list shows it
  std::string site;
};

// The found sites that no protected site keeps, each shown with its
// browsers ("www.example.com (Chrome, Firefox)"), sorted by that text.
std::vector<Listed> UnprotectedSites(const std::vector<Site>& found,
                                     const std::vector<std::string>& protected_sites);

// Every protected site (AllProtectedSites), or the message for the user when
// the jar's file cannot be read.
struct ProtectedRead {
  std::vector<std::string> sites;
  std::optional<std::string> problem;
};
ProtectedRead ReadAllProtectedSites(const cookies::GuardedFolder& cookies_folder);

// Adds the site to the jar's file, or takes it out, writing the file whole.
// A site that a legacy cookie in the jar protects stays protected. Nothing
// when it went as asked, otherwise the message for the user.
std::optional<std::string> ProtectSite(const cookies::GuardedFolder& cookies_folder,
                                       const std::string& site);
std::optional<std::string> UnprotectSite(const cookies::GuardedFolder& cookies_folder,
                                         const std::string& site);

}  // namespace browsers
