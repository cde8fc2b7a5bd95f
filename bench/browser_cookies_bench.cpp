// Opening the Browser Cookies window on a Chrome store of 20,000 distinct
// cookie hosts, 100 of them protected, until both lists are filled, beside
// the floor: a bare program that adds the same texts, already sorted, to two
// sorted list boxes (room reserved, no redrawing, one repaint). Each is the
// median of five runs. Then one site is moved across, for its time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bare_lists.h"
#include "browser_stores.h"
#include "common/identifiers.h"
#include "driver.h"
#include "stopwatch.h"

namespace {

constexpr int kHosts = 20000;
constexpr int kProtected = 100;
constexpr int kRuns = 5;

double FloorRun(const std::vector<std::string>& left, const std::vector<std::string>& right) {
  const BareLists bare = MakeBareLists();
  const double start = Seconds();
  FillListBox(bare.left, left);
  FillListBox(bare.right, right);
  ::UpdateWindow(bare.window);
  const double took = Seconds() - start;
  ::DestroyWindow(bare.window);
  return took;
}

}  // namespace

int main() {
  const std::string jar = driver::UseCookiesFolder() + "\\" + std::string(ids::kJarFolder);
  // Hosts as a browser stores them, in the order it met them.
  std::vector<driver::Cookie> cookies;
  std::vector<std::string> sites;
  for (int i = 0; i < kHosts; ++i) {
    char site[32];
    std::snprintf(site, sizeof site, "site%05d.example", i);
    sites.push_back(site);
    cookies.push_back({(i % 2 ? "." : "") + sites.back()});
  }
  std::shuffle(cookies.begin(), cookies.end(), std::mt19937(7));
  driver::MakeChromiumStore(driver::LocalAppData() + R"(\Google\Chrome\User Data)", "Default",
                            cookies);
  std::string file;
  std::vector<std::string> left, right;
  for (int i = 0; i < kHosts; ++i) {
    if (i % (kHosts / kProtected) == 0) {
      file += sites[i] + "\r\n";
      right.push_back(sites[i]);
    } else {
      left.push_back(sites[i] + " (Chrome)");
    }
  }
  driver::WriteFileBytes(jar + "\\Protected sites.lst", file);

  std::vector<double> floors;
  for (int run = 0; run < kRuns; ++run) floors.push_back(FloorRun(left, right));

  driver::Program program(driver::InstallProgram("Maskfold Bench"));
  if (!program.WaitForMainWindow()) return 1;
  std::vector<double> opens;
  long shown = -1, shown_protected = -1;
  double move = 0;
  bool moved = false;
  for (int run = 0; run < kRuns; ++run) {
    // The menu command returns once the window is loaded; the found sites
    // follow from the reading.
    const double start = Seconds();
    program.ChooseMenuItem(ids::menu::kBrowserCookies);
    const HWND window = ::FindWindowA(ids::window_class::kBrowserCookies, nullptr);
    const HWND sites_list = ::GetDlgItem(window, ids::browser_cookies::kSiteList);
    for (const double give_up = start + 60;
         (shown = static_cast<long>(::SendMessageA(sites_list, LB_GETCOUNT, 0, 0))) <
             static_cast<long>(left.size()) &&
         Seconds() < give_up;)
      ::Sleep(1);
    opens.push_back(Seconds() - start);
    shown_protected = static_cast<long>(::SendMessageA(
        ::GetDlgItem(window, ids::browser_cookies::kProtectedList), LB_GETCOUNT, 0, 0));
    DWORD_PTR result = 0;
    if (run + 1 == kRuns) {
      // One site moved across: the file written and both lists brought up
      // to date.
      ::SendMessageA(sites_list, LB_SETCURSEL, 0, 0);
      const double move_start = Seconds();
      ::SendMessageTimeoutA(window, WM_COMMAND,
                            MAKEWPARAM(ids::browser_cookies::kSiteList, LBN_DBLCLK),
                            reinterpret_cast<LPARAM>(sites_list), SMTO_NORMAL, 10000, &result);
      move = Seconds() - move_start;
      moved =
          ::SendMessageA(sites_list, LB_GETCOUNT, 0, 0) + 1 == static_cast<LRESULT>(left.size());
    }
    ::SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
    driver::WaitUntilGone(window);
  }

  const double floor = Median(floors), open = Median(opens);
  std::printf("browser cookies: %d hosts, %d protected (%ld and %ld in the lists)\n", kHosts,
              kProtected, shown, shown_protected);
  std::printf("floor (the same texts into two sorted list boxes in a bare program): %.3f s\n",
              floor);
  std::printf("open until both lists are filled: %.3f s\n", open);
  std::printf("ratio: %.2f (goal: at most 1.5)\n", open / floor);
  std::printf("one site moved across: %.3f s%s\n", move, moved ? "" : " (the list did not change)");
  return 0;
}
