#include "browsers/stores.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "platform/files.h"

namespace browsers {
namespace {

namespace files = platform::files;

enum class Root { kRoaming, kLocal };

struct ChromiumBrowser {
  const char* browser;
  const char* executable;
  Root root;
  const char* user_data;  // below the root
};

// Opera keeps its profile in the "Opera Stable" folder itself (newer ones
// also in subfolders); the others in the subfolders of "User Data".
constexpr ChromiumBrowser kChromiumBrowsers[] = {
    {"Chrome", "chrome.exe", Root::kLocal, R"(Google\Chrome\User Data)"},
    {"Edge", "msedge.exe", Root::kLocal, R"(Microsoft\Edge\User Data)"},
    {"Brave", "brave.exe", Root::kLocal, R"(BraveSoftware\Brave-Browser\User Data)"},
    {"Chromium", "chrome.exe", Root::kLocal, R"(Chromium\User Data)"},
    {"Vivaldi", "vivaldi.exe", Root::kLocal, R"(Vivaldi\User Data)"},
    {"Opera", "opera.exe", Root::kRoaming, R"(Opera Software\Opera Stable)"},
};

// Newer Chromium keeps cookies under "Network", older beside the profile.
constexpr char kNetworkFolder[] = "Network";
constexpr const char* kChromiumDatabases[] = {R"(Network\Cookies)", "Cookies"};
// The whole of "Cache": newer Chromium keeps "No_Vary_Search" beside "Cache_Data".
constexpr const char* kChromiumCaches[] = {"Cache", "Code Cache", "GPUCache"};
constexpr char kFirefoxFolder[] = R"(Mozilla\Firefox)";

bool IsFile(const std::string& path) {
  const auto attributes = files::Attributes(path);
  return attributes && !(*attributes & files::kAttributeDirectory);
}

bool IsFolder(const std::string& path) {
  const auto attributes = files::Attributes(path);
  return attributes && (*attributes & files::kAttributeDirectory);
}

// The subfolders, sorted by name. Links among them are kept: their stores
// are found, then left as they are and named, as every store reached
// through a link is.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : files::ListEntries(folder))
    if (entry.attributes & files::kAttributeDirectory) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

std::string LastName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

void AddChromium(const ChromiumBrowser& browser, const UserFolders& folders,
                 std::vector<Store>& stores) {
  const std::string& root = browser.root == Root::kLocal ? folders.local : folders.roaming;
  if (root.empty()) return;
  const std::string base = root + "\\" + browser.user_data;
  std::vector<std::string> profiles{base};
  // Opera's profile is the folder itself: its "Network" folder is where its
  // store lies, not a profile of its own.
  for (const auto& name : Subfolders(base))
    if (!text::EqualsNoCase(name, kNetworkFolder)) profiles.push_back(base + "\\" + name);
  for (const auto& profile : profiles) {
    // A roaming profile keeps its caches at the same place under the local
    // folder.
    std::vector<std::string> cache_homes{profile};
    if (browser.root == Root::kRoaming && !folders.local.empty())
      cache_homes.push_back(folders.local + profile.substr(root.size()));
    std::vector<std::string> caches;
    for (const auto& home : cache_homes)
      for (const char* cache : kChromiumCaches)
        if (IsFolder(home + "\\" + cache)) caches.push_back(home + "\\" + cache);
    for (const char* database : kChromiumDatabases)
      if (IsFile(profile + "\\" + database))
        stores.push_back({browser.browser, browser.executable, LastName(profile),
                          profile + "\\" + database, Family::kChromium, caches, profile});
  }
}

void AddFirefox(const UserFolders& folders, std::vector<Store>& stores) {
  if (folders.roaming.empty()) return;
  const std::string home = folders.roaming + "\\" + kFirefoxFolder;
  std::string ini;
  try {
    ini = files::ReadWholeFile(home + "\\profiles.ini");
  } catch (const std::exception&) {
    return;  // no Firefox for this user
  }
  for (const auto& profile : FirefoxProfileFolders(ini, home)) {
    if (!IsFile(profile + "\\cookies.sqlite")) continue;
    // A profile under the Firefox folder keeps its cache at the same place
    // under the local folder; one elsewhere keeps it inside.
    std::string cache = profile + "\\cache2";
    if (!folders.local.empty() && text::StartsWithNoCase(profile, home + "\\"))
      cache = folders.local + profile.substr(folders.roaming.size()) + "\\cache2";
    std::vector<std::string> caches;
    if (IsFolder(cache)) caches.push_back(cache);
    stores.push_back({"Firefox", "firefox.exe", LastName(profile), profile + "\\cookies.sqlite",
                      Family::kFirefox, caches, profile});
  }
}

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsAbsolute(std::string_view path) {
  return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.starts_with("\\\\");
}

}  // namespace

UserFolders ShellUserFolders() {
  return {files::UserFolderPath(files::UserFolder::kRoamingAppData),
          files::UserFolderPath(files::UserFolder::kLocalAppData)};
}

std::vector<Store> FindStores(const UserFolders& folders) {
  std::vector<Store> stores;
  for (const auto& browser : kChromiumBrowsers) AddChromium(browser, folders, stores);
  AddFirefox(folders, stores);
  return stores;
}

std::vector<std::string> BrowsersOf(const std::vector<Store>& stores) {
  std::vector<std::string> browsers;
  for (const auto& store : stores)
    if (std::find(browsers.begin(), browsers.end(), store.browser) == browsers.end())
      browsers.push_back(store.browser);
  return browsers;
}

std::string InWords(const std::vector<std::string>& browsers) {
  std::string text;
  for (std::size_t i = 0; i < browsers.size(); ++i)
    text += (i == 0 ? "" : i + 1 == browsers.size() ? " and " : ", ") + browsers[i];
  return text;
}

std::vector<std::string> FirefoxProfileFolders(const std::string& ini_text,
                                               const std::string& ini_folder) {
  struct Section {
    std::string path;
    std::optional<bool> relative;
  };
  std::vector<Section> sections;
  bool in_profile = false;
  std::string_view rest = ini_text;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view line = Trimmed(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (line.starts_with('[')) {
      // Only [Profile0], [Profile1], ...: [Install...] and [General] point
      // at the same profiles or at nothing.
      in_profile = text::StartsWithNoCase(line, "[Profile") && line.ends_with(']');
      if (in_profile) sections.emplace_back();
      continue;
    }
    const auto equals = line.find('=');
    if (!in_profile || equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    if (text::EqualsNoCase(key, "Path")) sections.back().path = value;
    if (text::EqualsNoCase(key, "IsRelative")) sections.back().relative = value != "0";
  }
  std::vector<std::string> folders;
  for (auto& [path, relative] : sections) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (path.empty()) continue;
    const bool from_ini = relative.value_or(!IsAbsolute(path));
    if (!from_ini && !IsAbsolute(path)) continue;  // a relative path said to be absolute
    // A relative path stays below the Firefox folder.
    if (from_ini && (IsAbsolute(path) || ("\\" + path + "\\").find("\\..\\") != std::string::npos))
      continue;
    std::string folder = from_ini ? ini_folder + "\\" + path : path;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(std::move(folder));
  }
  return folders;
}

}  // namespace browsers
