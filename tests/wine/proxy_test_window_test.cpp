// The Proxy Test window against loopback proxies of every kind
// (tests/tools/probe_proxies.py): the ranking, "Use", the time-out, the
// requests each proxy saw, and closing the window mid-test.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

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

class ProxyTestWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    proxies_ = Proxies();
    ASSERT_EQ(proxies_.size(), 6u);
    folder_ = driver::InstallProgram("Maskfold Proxy Test");
    // In list order, with a repeat and an empty item that are not tested.
    std::string list;
    for (const char* name : {"closed", "slow", "notfound", "fast", "silent", "login", "fast"})
      list += proxies_[name] + "\r\n";
    list.insert(list.find("\r\n") + 2, "\"\"\r\n");
    driver::WriteFileBytes(folder_ + "\\proxy.dat", list);
  }

  HWND Open(Program& program) {
    program.ChooseMenuItem(ids::menu::kTestProxies);
    return ::FindWindowA(ids::window_class::kProxyTest, nullptr);
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
  const HWND progress = ::GetDlgItem(window, ids::proxy_test::kProgressLabel);
  while (driver::WindowText(progress) != "Tested 6 of 6" && ::GetTickCount() - start < 20000)
    ::Sleep(100);
  const DWORD took = ::GetTickCount() - start;
  EXPECT_EQ(driver::WindowText(progress), "Tested 6 of 6");
  EXPECT_LT(took, 8000u + 3000u) << "within the time-out and a margin";

  const HWND list = ::GetDlgItem(window, ids::proxy_test::kResultList);
  const auto rows = driver::ListViewRows(list, 3);
  std::vector<std::string> shown;
  for (const auto& row : rows) shown.push_back(row[0] + " " + row[1]);
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                proxies_["fast"] + " works", proxies_["slow"] + " works",
                proxies_["closed"] + " refused or unreachable", proxies_["notfound"] + " HTTP 404",
                proxies_["silent"] + " timed out", proxies_["login"] + " unexpected answer"}));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_GE(std::stoi(rows[1][2]), 1400) << "the slow one took its time";
  EXPECT_EQ(driver::ListViewSelection(list), 0);

  // Each proxy saw the probe, once, and nothing else.
  std::vector<std::string> expected;
  for (const char* name : {"fast", "login", "notfound", "silent", "slow"})
    expected.push_back(std::string(name) +
                       " GET http://www.msftconnecttest.com/connecttest.txt HTTP/1.1");
  EXPECT_EQ(ProbeLog(), expected);

  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(driver::FindChild(window, "Button", "&Use"), BM_CLICK, 0, 0, SMTO_NORMAL,
                        10000, &result);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(driver::WindowText(program.ProxyBox()), proxies_["fast"]);
}

TEST_F(ProxyTestWindowTest, ClosingTheWindowMidTestLeavesTheProgramUsable) {
  Program program(folder_);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const HWND window = Open(program);
  ASSERT_TRUE(window);
  program.PressKey(VK_ESCAPE);
  EXPECT_FALSE(::IsWindow(window)) << "closed at once";
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

}  // namespace
