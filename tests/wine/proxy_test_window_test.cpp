// The Proxy Test window against loopback proxies of every kind
// (tests/tools/probe_proxies.py): the ranking, "Use", the time-out, the
// requests each proxy saw, closing the window mid-test, and the workers kept
// within their limit however often the test is started again.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "common/identifiers.h"
#include "driver.h"

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

// The threads of a process now.
int ThreadCount(DWORD process) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == process) ++count;
  ::CloseHandle(snapshot);
  return count;
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
  const int before = ThreadCount(process);
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  const HWND again = driver::FindChild(window, "Button", "&Test Again");
  int most = 0;
  for (int press = 0; press < 40; ++press) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(again, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result);
    most = std::max(most, ThreadCount(process));
  }
  // Sixteen workers, the watch on their deadlines and a few of WinINet's own.
  EXPECT_LE(most, before + 16 + 4) << "threads before the test: " << before;

  // The last run gives the verdicts a single run gives.
  ASSERT_TRUE(WaitUntilTested(window, 5, 60000));
  EXPECT_EQ(
      Verdicts(driver::ListViewRows(::GetDlgItem(window, ids::proxy_test::kResultList), 3)),
      (std::vector<std::string>{proxies_["fast"] + " works", proxies_["endless"] + " works",
                                proxies_["slow"] + " works", proxies_["trickle"] + " timed out",
                                proxies_["silent"] + " timed out"}));
}

}  // namespace
