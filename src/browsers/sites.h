// Cookie hosts and the sites the user protects: a protected site keeps its
// own host and every subdomain ("example.com" keeps ".example.com" and
// "www.example.com", never "badexample.com").
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace browsers {

// A host as the lists show and compare it: lower case (ASCII only; IDN
// hosts are stored in punycode), without leading or trailing dots, a leading "*." or surrounding
// blanks.
std::string SiteOf(std::string_view host);

class ProtectedSites {
 public:
  explicit ProtectedSites(const std::vector<std::string>& sites);
  // True when the cookie host is a protected site or a subdomain of one.
  bool Keeps(std::string_view host) const;
  bool Empty() const { return sites_.empty(); }
  // The sites themselves, in no order.
  const std::unordered_set<std::string>& Sites() const { return sites_; }

 private:
  std::unordered_set<std::string> sites_;
};

}  // namespace browsers
