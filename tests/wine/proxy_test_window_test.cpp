// The Proxy Test window against loopback proxies of every kind
// (tests/tools/probe_proxies.py): the ranking, "Use", the time-out, the
// requests each proxy saw, closing the window mid-test, the threads kept
// within their limit however often the test is started again, and a crowd
// of hundreds of silent proxies: all reported, on a few threads, in little
// memory, their connections closed at once by "Test Again", the window's
// close and Exit, and a failure nobody planned for.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "common/identifiers.h"
#include "driver.h"
#include "probe_crowd.h"

namespace {
using driver::Program;

// "name" -> "127.0.0.1:port", from MASKFOLD_PROBE_PROXIES ("fast=1234,...").
std::map<std::string, std::string> Proxies() {
  std::map<std::string, std::string> proxies;
  const char* listed = std::getenv("MASKFOLD_PROBE_PROXIES");
  std::stringstream entries(listed ? listed : "");
  for (std::string entry; std::getline(entries, entry, ',');) {
    const auto equals = entry.find('=');
    proxies[entry.substr(0, equals)] = "127.0.0.1:" + entry.substr(equals + 1);
  }
  return proxies;
}

// "name request-line" as the proxies logged them.
std::vector<std::string> ProbeLog() {
  const char* log = std::getenv("MASKFOLD_PROBE_LOG");
  std::stringstream lines(log ? driver::ReadFileBytes(log) : "");
  std::vector<std::string> seen;
  for (std::string line; std::getline(lines, line);) {
    // Wine names the default port in the request; Windows does not.
    if (const auto port = line.find(".com:80/"); port != std::string::npos) line.erase(port + 4, 3);
    seen.push_back(line);
  }
  std::sort(seen.begin(), seen.end());
  return seen;
}

// The crowd's connections that are open now.
std::set<int> OpenConnections() {
  std::set<int> open;
  for (const auto& [id, connection] : crowd::Connections())
    if (!connection.closed) open.insert(id);
  return open;
}

// True once none of the connections is open, long before the 8-second
// time-out would close them.
bool ClosedWithin(const std::set<int>& connections, DWORD timeout_ms) {
  return driver::WaitUntil(
      [&] {
        const auto open = OpenConnections();
        return std::none_of(connections.begin(), connections.end(),
                            [&](int id) { return open.contains(id); });
      },
      timeout_ms);
}

class ProxyTestWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    proxies_ = Proxies();
    ASSERT_EQ(proxies_.size(), 8u);
    folder_ = driver::InstallProgram("Maskfold Proxy Test");
    // In list order, with a repeat and an empty item that are not tested.
    std::string list;
    for (const char* name :
         {"closed", "slow", "notfound", "fast", "silent", "login", "fast", "trickle", "endless"})
      list += proxies_[name] + "\r\n";
    list.insert(list.find("\r\n") + 2, "\"\"\r\n");
    driver::WriteFileBytes(folder_ + "\\proxy.dat", list);
  }

  HWND Open(Program& program) {
    program.ChooseMenuItem(ids::menu::kTestProxies);
    return ::FindWindowA(ids::window_class::kProxyTest, nullptr);
  }

  static bool WaitUntilTested(HWND window, int count, DWORD timeout_ms) {
    const HWND progress = ::GetDlgItem(window, ids::proxy_test::kProgressLabel);
    const std::string done = "Tested " + std::to_string(count) + " of " + std::to_string(count);
    for (const DWORD start = ::GetTickCount();
         driver::WindowText(progress) != done && ::GetTickCount() - start < timeout_ms;)
      ::Sleep(100);
    return driver::WindowText(progress) == done;
  }

  // "proxy reason" for each row, in the order shown.
  static std::vector<std::string> Verdicts(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> shown;
    for (const auto& row : rows) shown.push_back(row[0] + " " + row[1]);
    return shown;
  }

  std::map<std::string, std::string> proxies_;
  std::string folder_;
};

TEST_F(ProxyTestWindowTest, RanksEveryProxyAndUseTakesTheFastestIntoTheProxyBox) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const DWORD start = ::GetTickCount();
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  EXPECT_EQ(driver::WindowText(window), "Proxy Test");
  EXPECT_EQ(::GetWindow(window, GW_OWNER), main);
  EXPECT_TRUE(::GetWindowLongA(window, GWL_STYLE) & WS_THICKFRAME) << "resizable";
  EXPECT_TRUE(WaitUntilTested(window, 8, 20000));
  const DWORD took = ::GetTickCount() - start;
  EXPECT_LT(took, 8000u + 3000u) << "within the time-out and a margin, the trickle's too";

  const HWND list = ::GetDlgItem(window, ids::proxy_test::kResultList);
  const auto rows = driver::ListViewRows(list, 3);
  // A body that never ends is judged by its first bytes; an answer that
  // trickles in is cut off at the time-out.
  EXPECT_EQ(Verdicts(rows),
            (std::vector<std::string>{
                proxies_["fast"] + " works", proxies_["endless"] + " works",
                proxies_["slow"] + " works", proxies_["closed"] + " refused or unreachable",
                proxies_["notfound"] + " HTTP 404", proxies_["silent"] + " timed out",
                proxies_["login"] + " unexpected answer", proxies_["trickle"] + " timed out"}));
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_GE(std::stoi(rows[2][2]), 1400) << "the slow one took its time";
  EXPECT_LE(std::stoi(rows[7][2]), 8500) << "the trickle's time is the time-out";
  EXPECT_EQ(driver::ListViewSelection(list), 0);

  // Each proxy saw the probe, once, and nothing else.
  std::vector<std::string> expected;
  for (const char* name : {"endless", "fast", "login", "notfound", "silent", "slow", "trickle"})
    expected.push_back(std::string(name) +
                       " GET http://www.msftconnecttest.com/connecttest.txt HTTP/1.1");
  EXPECT_EQ(ProbeLog(), expected);

  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(window, "Button", "&Use"), BM_CLICK, 0, 0, SMTO_NORMAL,
                        10000, &result);
  EXPECT_TRUE(driver::WaitUntilGone(window));
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), proxies_["fast"]);
}

TEST_F(ProxyTestWindowTest, ClosingTheWindowMidTestLeavesTheProgramUsable) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  ASSERT_TRUE(program.WaitUntilActive(window));
  program.PressKey(VK_ESCAPE);
  EXPECT_TRUE(driver::WaitUntilGone(window, 2000)) << "closed at once";
  // Past the time-out of the proxy that never answers, the workers are done.
  ::Sleep(9000);
  EXPECT_FALSE(program.WaitForExit(0));
  DWORD_PTR result = 0;
  EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
  const HWND again = Open(program);
  ASSERT_TRUE(again);
  ::SendMessageTimeoutA(again, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_FALSE(::IsWindow(again));
}

TEST_F(ProxyTestWindowTest, TestAgainPressedManyTimesKeepsTheWorkersWithinTheLimit) {
  std::string list;
  for (const char* name : {"fast", "slow", "endless", "trickle", "silent"})
    list += proxies_[name] + "\r\n";
  driver::WriteFileBytes(folder_ + "\\proxy.dat", list);
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  const DWORD process = ::GetProcessId(program.Process());
  const int before = driver::ThreadCount(process);
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  const HWND again = driver::FindChild(window, "Button", "&Test Again");
  int most = 0;
  for (int press = 0; press < 40; ++press) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(again, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result);
    most = std::max(most, driver::ThreadCount(process));
  }
  // The prober; no lookup thread, as every proxy is an address.
  EXPECT_LE(most, before + 1) << "threads before the test: " << before;

  // The last run gives the verdicts a single run gives.
  ASSERT_TRUE(WaitUntilTested(window, 5, 60000));
  EXPECT_EQ(
      Verdicts(driver::ListViewRows(::GetDlgItem(window, ids::proxy_test::kResultList), 3)),
      (std::vector<std::string>{proxies_["fast"] + " works", proxies_["endless"] + " works",
                                proxies_["slow"] + " works", proxies_["trickle"] + " timed out",
                                proxies_["silent"] + " timed out"}));
}

TEST_F(ProxyTestWindowTest, HundredsOfSilentProxiesAreAllReportedOnAFewThreadsInLittleMemory) {
  const auto proxies = crowd::Ask("silent=300&blackhole=20&refused=40&fast=1&slow=1&slow_ms=1500");
  ASSERT_EQ(proxies.size(), 362u);
  // The working ones in the forms that need a choice or a lookup: the
  // http proxy of a per-scheme text, and a host name.
  std::string list;
  std::string fast, slow;
  for (const auto& [kind, proxy] : proxies) {
    if (kind == "fast")
      fast = "http=" + proxy + ";https=127.0.0.1:1";
    else if (kind == "slow")
      slow = "localhost" + proxy.substr(proxy.find(':'));
    list += (kind == "fast" ? fast : kind == "slow" ? slow : proxy) + "\r\n";
  }
  list += "https=" + proxies.front().proxy + "\r\n";
  driver::WriteFileBytes(folder_ + "\\proxy.dat", list);

  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  const DWORD process = ::GetProcessId(program.Process());
  ::Sleep(500);  // settled
  const int threads_before = driver::ThreadCount(process);
  const SIZE_T idle = driver::PrivateBytes(program.Process());
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  int most_threads = 0;
  SIZE_T most_bytes = 0;
  EXPECT_TRUE(driver::WaitUntil(
      [&] {
        most_threads = std::max(most_threads, driver::ThreadCount(process));
        most_bytes = std::max(most_bytes, driver::PrivateBytes(program.Process()));
        return WaitUntilTested(window, 363, 0);
      },
      60000));
  // The prober and at most two lookup threads.
  EXPECT_LE(most_threads, threads_before + 3) << "threads before the test: " << threads_before;
  EXPECT_LE(most_bytes, idle + 4 * 1024 * 1024) << "private bytes when idle: " << idle;

  const auto rows = driver::ListViewRows(::GetDlgItem(window, ids::proxy_test::kResultList), 3);
  ASSERT_EQ(rows.size(), 363u);
  EXPECT_EQ(rows[0][0] + " " + rows[0][1], fast + " works");
  EXPECT_EQ(rows[1][0] + " " + rows[1][1], slow + " works");
  std::map<std::string, int> reasons;
  for (const auto& row : rows) ++reasons[row[1]];
  EXPECT_EQ(reasons, (std::map<std::string, int>{{"works", 2},
                                                 {"timed out", 320},
                                                 {"refused or unreachable", 40},
                                                 {"http would go direct", 1}}));
  EXPECT_TRUE(OpenConnections().empty()) << "every connection closed";
}

TEST_F(ProxyTestWindowTest, TestAgainClosingAndExitCloseEveryConnectionAtOnce) {
  std::string list;
  for (const auto& silent : crowd::Ask("silent=200")) list += silent.proxy + "\r\n";
  driver::WriteFileBytes(folder_ + "\\proxy.dat", list);
  Program program(folder_);
  ASSERT_TRUE(program.WaitForMainWindow());
  // Every proxy holds a connection of the run, besides those of earlier runs.
  auto all_open = [](const std::set<int>& earlier) {
    return driver::WaitUntil(
        [&] {
          std::set<int> open = OpenConnections();
          std::erase_if(open, [&](int id) { return earlier.contains(id); });
          return open.size() == 200;
        },
        8000);
  };

  const HWND window = Open(program);
  ASSERT_TRUE(window);
  ASSERT_TRUE(all_open({}));
  std::set<int> first = OpenConnections();
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(window, "Button", "&Test Again"), BM_CLICK, 0, 0,
                        SMTO_NORMAL, 10000, &result);
  EXPECT_TRUE(ClosedWithin(first, 3000)) << "Test Again closes the first run's connections";

  ASSERT_TRUE(all_open(first));
  std::set<int> second = OpenConnections();
  ::SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_TRUE(ClosedWithin(second, 3000)) << "closing the window closes them";
  EXPECT_FALSE(program.WaitForExit(0));

  first.insert(second.begin(), second.end());
  ASSERT_TRUE(Open(program));
  ASSERT_TRUE(all_open(first));
  const std::set<int> third = OpenConnections();
  program.Click("E&xit");
  EXPECT_TRUE(program.WaitForExit(10000));
  EXPECT_TRUE(ClosedWithin(third, 3000)) << "Exit closes them";
}

TEST_F(ProxyTestWindowTest, AnUntrappedFailureMidTestClosesEveryConnectionAndTurnsTheProxyOff) {
  // The silent ones hold their connections; the refused one, last, reports
  // at once, and its report fails.
  const auto proxies = crowd::Ask("silent=50&refused=1");
  ASSERT_EQ(proxies.size(), 51u);
  std::string list;
  for (const auto& proxy : proxies)
    if (proxy.kind == "silent") list += proxy.proxy + "\r\n";
  for (const auto& proxy : proxies)
    if (proxy.kind == "refused") list += proxy.proxy + "\r\n";
  driver::WriteFileBytes(folder_ + "\\proxy.dat", list);
  std::set<int> earlier;
  for (const auto& [id, connection] : crowd::Connections()) earlier.insert(id);
  Program program(folder_, "", "--test-fail-in-proxy-test");
  ASSERT_TRUE(program.WaitForMainWindow());
  program.ApplyAndWait(driver::LoopbackProxy());
  ASSERT_EQ(driver::ReadDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable"), 1u);

  // Looked at while the report is up: the process still runs then.
  std::size_t opened = 0;
  program.SetDialogProbe([&] {
    std::set<int> opened_here;
    for (const auto& [id, connection] : crowd::Connections())
      if (!earlier.contains(id)) opened_here.insert(id);
    opened = opened_here.size();
    const bool closed = ClosedWithin(opened_here, 3000);
    const DWORD enabled =
        driver::ReadDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable").value_or(9);
    return std::string(closed ? "closed" : "open") + " proxy " + std::to_string(enabled);
  });
  program.ChooseMenuItem(ids::menu::kTestProxies);
  DWORD code = 0;
  ASSERT_TRUE(program.WaitForExit(20000, &code));
  EXPECT_EQ(code, 1u) << "the report ends the process";
  const auto dialogs = program.Dialogs();
  ASSERT_FALSE(dialogs.empty());
  EXPECT_NE(dialogs.back().find("Run-time error"), std::string::npos) << dialogs.back();
  EXPECT_NE(dialogs.back().find("|closed proxy 0"), std::string::npos) << dialogs.back();
  EXPECT_GT(opened, 0u) << "the test had connections open to close";
}

}  // namespace
