// The sites whose browser cookies Apply keeps: a file of the jar, one host a
// line in UTF-8, plus the sites of the legacy cookie files the jar holds
// ("user@site[1].txt").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cookies/folder_guard.h"

namespace browsers {

// Not a cookie file (".txt"), so Apply's restore never copies it back.
inline constexpr char kProtectedSitesFile[] = "Protected sites.lst";

// The sites of the jar's file, as SiteOf gives them, sorted and unique;
// empty when there is no file. Throws std::runtime_error when the file is
// there but cannot be read: taking that for "nothing protected" would lose
// the user's sites.
std::vector<std::string> ReadProtectedSites(const cookies::GuardedFolder& cookies_folder);
// The sites of the legacy cookie files in the jar, sorted and unique.
std::vector<std::string> JarCookieSites(const cookies::GuardedFolder& cookies_folder);
// Every site Apply keeps: the file's and the jar cookie files' (throwing as
// ReadProtectedSites does).
std::vector<std::string> AllProtectedSites(const cookies::GuardedFolder& cookies_folder);
// Writes the file whole (a partial file moved over it). Nothing when it was
// written, otherwise the message for the user.
std::optional<std::string> WriteProtectedSites(const cookies::GuardedFolder& cookies_folder,
                                               const std::vector<std::string>& sites);

}  // namespace browsers
