// Apply's wipe of one browser store: 100,000 cookies on 20,000 hosts, 100
// protected sites, beside the floor: a bare program's DELETE with the same
// condition, in one transaction, on a copy of the same database. The wipe's
// own work on top (the shape check, the write lock, the copy to the recycle
// bin) is what the ratio shows.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser_stores.h"
#include "browsers/browser_wipe.h"
#include "browsers/sites.h"
#include "sqlite3.h"
#include "stopwatch.h"

namespace {

constexpr int kCookies = 100000, kHosts = 20000, kProtected = 100;

std::string HostOf(int i) {
  return (i % 3 ? "." : "www.") + std::string("site") + std::to_string(i % kHosts) + ".example";
}

void Keeps(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* kept = static_cast<const browsers::ProtectedSites*>(sqlite3_user_data(context));
  const auto* host = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  sqlite3_result_int(context, host && kept->Keeps(host));
}

double BareDelete(const std::string& path, const browsers::ProtectedSites& kept) {
  const double start = Seconds();
  sqlite3* database = nullptr;
  sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_create_function_v2(database, "keeps_host", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                             const_cast<browsers::ProtectedSites*>(&kept), Keeps, nullptr, nullptr,
                             nullptr);
  sqlite3_exec(database, "BEGIN; DELETE FROM cookies WHERE NOT keeps_host(host_key); COMMIT",
               nullptr, nullptr, nullptr);
  sqlite3_close(database);
  return Seconds() - start;
}

}  // namespace

int main() {
  std::vector<driver::Cookie> cookies;
  for (int i = 0; i < kCookies; ++i) cookies.push_back({HostOf(i), "id" + std::to_string(i)});
  const std::string user_data = driver::LocalAppData() + R"(\Google\Chrome\User Data)";
  const std::string master = driver::MakeChromiumStore(user_data, "Master", cookies);
  std::vector<std::string> sites;
  for (int i = 0; i < kProtected; ++i) sites.push_back("site" + std::to_string(i) + ".example");
  const browsers::ProtectedSites kept(sites);

  const std::string floor_copy = user_data + R"(\floor.sqlite)";
  browsers::Store store{.browser = "Chrome",
                        .executable = "chrome.exe",
                        .profile = "Default",
                        .database = user_data + R"(\Default\Network\Cookies)",
                        .family = browsers::Family::kChromium,
                        .caches = {},
                        .folder = user_data + R"(\Default)"};
  driver::MakeFolders(user_data + R"(\Default\Network)");
  std::vector<double> floors, wipes;
  std::size_t deleted = 0;
  for (int run = 0; run < 3; ++run) {
    ::CopyFileA(master.c_str(), floor_copy.c_str(), FALSE);
    floors.push_back(BareDelete(floor_copy, kept));
    ::CopyFileA(master.c_str(), store.database.c_str(), FALSE);
    const double start = Seconds();
    deleted = browsers::WipeBrowsers({store}, kept).cookies_deleted;
    wipes.push_back(Seconds() - start);
  }
  const double floor = Median(floors), wipe = Median(wipes);
  std::printf("browser store: %d cookies on %d hosts, %d protected sites, %zu deleted\n", kCookies,
              kHosts, kProtected, deleted);
  std::printf("floor (a bare DELETE with the same condition on a copy): %.3f s\n", floor);
  std::printf("wipe (shape check, lock, copy to the recycle bin, delete): %.3f s\n", wipe);
  std::printf("ratio: %.2f (goal: at most 1.5)\n", wipe / floor);
  return 0;
}
