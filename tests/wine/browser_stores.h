// Browsers' cookie stores made for a test, in each browser's own schema, at
// the paths the browsers use in the prefix; and a browser that runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct Cookie {
  std::string host;  // as the browser stores it: "example.com", ".example.com"
  std::string name = "id";
};

// Makes a folder and every missing folder above it.
void MakeFolders(const std::string& path);

// The user's application data folders in the prefix.
std::string RoamingAppData();
std::string LocalAppData();

// A Chromium-family cookies database ("Network\Cookies" of the profile)
// under <local or roaming>\<user_data>\<profile>, made with the cookies;
// returns its path.
std::string MakeChromiumStore(const std::string& user_data, const std::string& profile,
                              const std::vector<Cookie>& cookies);
// A Firefox profile listed in profiles.ini (relative to the Firefox folder)
// with a cookies.sqlite holding the cookies; returns the database's path.
std::string MakeFirefoxStore(const std::string& profile, const std::vector<Cookie>& cookies);

// A running process under a browser's program name ("chrome.exe"), ended
// with the test, by its own handle.
class OpenBrowser {
 public:
  explicit OpenBrowser(const std::string& executable);
  ~OpenBrowser();
  OpenBrowser(const OpenBrowser&) = delete;
  OpenBrowser& operator=(const OpenBrowser&) = delete;
  bool Running() const { return info_.hProcess != nullptr; }

 private:
  PROCESS_INFORMATION info_{};
};

// Any SQLite database, made with the statements; returns its path.
std::string MakeDatabase(const std::string& path, const char* sql);

// The hosts of a store's cookies, sorted; and its integrity check's answer
// ("ok").
std::vector<std::string> StoreHosts(const std::string& database);
std::string IntegrityCheck(const std::string& database);

}  // namespace driver
