#include "browsers/sites.h"

namespace browsers {

std::string SiteOf(std::string_view host) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = host.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  host = host.substr(first, host.find_last_not_of(kBlanks) - first + 1);
  // "*.example.com", ".example.com" and "example.com." all mean example.com.
  if (host.starts_with("*.")) host.remove_prefix(1);
  while (!host.empty() && host.front() == '.') host.remove_prefix(1);
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);
  std::string site(host);
  for (char& c : site)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return site;
}

ProtectedSites::ProtectedSites(const std::vector<std::string>& sites) {
  for (const auto& site : sites)
    if (std::string own = SiteOf(site); !own.empty()) sites_.insert(std::move(own));
}

bool ProtectedSites::Keeps(std::string_view host) const {
  if (sites_.empty()) return false;
  // The host itself, then each parent domain: "a.b.example.com",
  // "b.example.com", "example.com", "com".
  for (std::string site = SiteOf(host); !site.empty();) {
    if (sites_.contains(site)) return true;
    const auto dot = site.find('.');
    if (dot == std::string::npos) break;
    site.erase(0, dot + 1);
  }
  return false;
}

}  // namespace browsers
