#include "browsers/protected_sites.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "browsers/sites.h"
#include "cookies/cookie_files.h"
#include "cookies/jar.h"
#include "platform/files.h"
#include "proxylist/decoding.h"

namespace browsers {
namespace {

std::string FilePath(const cookies::GuardedFolder& cookies_folder) {
  return cookies::JarFolder(cookies_folder) + "\\" + kProtectedSitesFile;
}

void SortUnique(std::vector<std::string>& sites) {
  std::sort(sites.begin(), sites.end());
  sites.erase(std::unique(sites.begin(), sites.end()), sites.end());
}

}  // namespace

std::vector<std::string> ReadProtectedSites(const cookies::GuardedFolder& cookies_folder) {
  const std::string path = FilePath(cookies_folder);
  if (!platform::files::Exists(path)) return {};
  // Notepad may have saved it as "Unicode" (UTF-16 with its mark), as UTF-8
  // with a mark, or in the system's code page; text that cannot be decoded
  // is not an empty list.
  const std::optional<std::string> text = proxylist::DecodeText(
      platform::files::ReadWholeFile(path), platform::files::SystemCodePageToUtf8);
  if (!text) throw std::runtime_error("The protected sites file is not text: " + path);
  std::string_view rest(*text);
  std::vector<std::string> sites;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    if (std::string site = SiteOf(rest.substr(0, end)); !site.empty())
      sites.push_back(std::move(site));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  SortUnique(sites);
  return sites;
}

std::vector<std::string> JarCookieSites(const cookies::GuardedFolder& cookies_folder) {
  std::vector<std::string> sites;
  // Hidden ones too: Apply's restore copies those back as well.
  for (const std::string& name : cookies::CookieFiles(cookies::JarFolder(cookies_folder),
                                                      platform::files::Hidden::kIncluded)) {
    const std::size_t at = name.find('@');
    const std::size_t bracket = at == std::string::npos ? at : name.find('[', at + 1);
    if (bracket == std::string::npos) continue;
    if (std::string site = SiteOf(std::string_view(name).substr(at + 1, bracket - at - 1));
        !site.empty())
      sites.push_back(std::move(site));
  }
  SortUnique(sites);
  return sites;
}

std::vector<std::string> AllProtectedSites(const cookies::GuardedFolder& cookies_folder) {
  std::vector<std::string> sites = ReadProtectedSites(cookies_folder);
  const std::vector<std::string> jar = JarCookieSites(cookies_folder);
  sites.insert(sites.end(), jar.begin(), jar.end());
  SortUnique(sites);
  return sites;
}

std::optional<std::string> WriteProtectedSites(const cookies::GuardedFolder& cookies_folder,
                                               const std::vector<std::string>& sites) {
  std::vector<std::string> own;
  for (const std::string& site : sites)
    if (std::string kept = SiteOf(site); !kept.empty()) own.push_back(std::move(kept));
  SortUnique(own);
  // Windows' line ends, so that every editor shows one site a line.
  std::string bytes;
  for (const std::string& site : own) bytes += site + "\r\n";
  const std::string path = FilePath(cookies_folder);
  if (cookies::JarIsLink(cookies_folder) || !platform::files::WriteWholeFile(path, bytes))
    return "The protected sites could not be saved in " + path + ", so they are as they were.";
  return std::nullopt;
}

}  // namespace browsers
