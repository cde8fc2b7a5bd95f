// Apply really points the browser at the proxy and Exit really takes it
// away: a WinINet client in another process, opened the way the browser
// opens its connections, goes through the loopback proxy only in between.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "driver.h"

namespace {

class ProxySwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("MASKFOLD_SERVER_PORT");
    ASSERT_TRUE(port) << "run through tests/wine-run.sh";
    port_ = port;
    fetch_ = driver::BuildFolder() + R"(\wininet_fetch.exe)";
    driver::SetDword(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyEnable", 0);
    driver::SetText(HKEY_CURRENT_USER, driver::kInternetSettings, "ProxyServer", "Not Set");
    ::CreateDirectoryA(R"(C:\cookies)", nullptr);
    driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
  }
  // A page on a host that only the proxy can answer for.
  driver::RunResult BrowserFetch() {
    return driver::Run("\"" + fetch_ + "\" preconfig http://maskfold.example/probe");
  }
  // Wine writes the default port into the proxy-form target; Windows does not.
  static bool WentThroughProxy(const driver::RunResult& result) {
    return result.exit_code == 0 &&
           result.output.rfind("proxied http://maskfold.example", 0) == 0 &&
           result.output.find("/probe") != std::string::npos;
  }
  std::string ProxiedCount() {
    return driver::Run("\"" + fetch_ + "\" direct http://127.0.0.1:" + port_ + "/count").output;
  }
  std::string port_;
  std::string fetch_;
};

TEST_F(ProxySwitchTest, TheBrowserUsesTheProxyBetweenApplyAndExit) {
  EXPECT_FALSE(WentThroughProxy(BrowserFetch())) << "proxy off at first";
  ASSERT_EQ(ProxiedCount(), "0");

  driver::Program program(driver::InstallProgram("Maskfold Proxy"));
  ASSERT_TRUE(program.WaitForMainWindow());
  const std::string proxy = "127.0.0.1:" + port_;
  ::SendMessageA(program.ProxyBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(proxy.c_str()));
  program.ClickAndWait("&Apply");

  const driver::RunResult through = BrowserFetch();
  EXPECT_TRUE(WentThroughProxy(through)) << through.exit_code << " " << through.output;
  EXPECT_EQ(ProxiedCount(), "1");

  program.Click("E&xit");
  ASSERT_TRUE(program.WaitForExit(10000));
  EXPECT_FALSE(WentThroughProxy(BrowserFetch()));
  EXPECT_EQ(ProxiedCount(), "1") << "no request may reach the proxy after Exit";
}

}  // namespace
