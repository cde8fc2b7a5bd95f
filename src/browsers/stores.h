// Where today's browsers keep their cookies and caches for this user: the
// Chromium family's profiles ("Default", "Profile 1", ...) and Firefox's
// profiles from its profiles.ini, found under the shell's application data
// folders.
#pragma once

#include <string>
#include <vector>

namespace browsers {

enum class Family { kChromium, kFirefox };

struct Store {
  std::string browser;     // "Chrome", "Firefox"
  std::string executable;  // the browser's process, "chrome.exe"
  std::string profile;     // the profile's folder name, "Default"
  std::string database;    // the cookies database, a full path
  Family family = Family::kChromium;
  std::vector<std::string> caches;  // the profile's cache folders that exist
  std::string folder;               // the profile's folder, a full path
};

struct UserFolders {
  std::string roaming;  // %APPDATA%, as the shell knows it
  std::string local;    // %LOCALAPPDATA%
};
// The shell's folders of this user.
UserFolders ShellUserFolders();

// Every store that exists under the folders, browser by browser in a fixed
// order, profiles by name; a browser without a store has no entry.
std::vector<Store> FindStores(const UserFolders& folders);

// The browsers of the stores, each once, in the stores' order.
std::vector<std::string> BrowsersOf(const std::vector<Store>& stores);
// Browsers named in a sentence: "Chrome", "Chrome and Edge", "Chrome, Edge
// and Firefox".
std::string InWords(const std::vector<std::string>& browsers);

// The profile folders that profiles.ini lists, relative paths taken from the
// ini's own folder; forward slashes become backslashes. Garbage gives
// nothing.
std::vector<std::string> FirefoxProfileFolders(const std::string& ini_text,
                                               const std::string& ini_folder);

}  // namespace browsers
