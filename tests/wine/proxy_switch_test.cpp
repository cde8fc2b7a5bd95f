// Apply really points the browser at the proxy and Exit really takes it
// away: a WinINet client in another process, opened the way the browser
// opens its connections, goes through the loopback proxy only in between.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

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
  // The proxy settings as a browser's WinHTTP and WinINet see them, from a
  // process of their own.
  std::string Seen() { return driver::Run("\"" + fetch_ + "\" settings LAN").output; }
  // The user's own: automatic detection and a configuration script, kept
  // where WinHTTP reads them.
  static void UseDetectionAndScript() {
    const std::string script = "http://wpad.example/proxy.pac";
    std::string value("\x46\0\0\0\x01\0\0\0\x0D\0\0\0\0\0\0\0\0\0\0\0", 20);
    value += static_cast<char>(script.size());
    value += std::string(3, '\0') + script + std::string(32, '\0');
    HKEY key = nullptr;
    ::RegCreateKeyA(HKEY_CURRENT_USER, kConnections, &key);
    ::RegSetValueExA(key, "DefaultConnectionSettings", 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()));
    ::RegCloseKey(key);
  }
  static constexpr const char* kConnections =
      R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections)";
  static constexpr const char* kUsersOwn =
      "winhttp detect=1 script=http://wpad.example/proxy.pac proxy=- bypass=-";
  std::string Proxy() const { return "127.0.0.1:" + port_; }
  // A program with the loopback proxy applied.
  std::unique_ptr<driver::Program> Applied(const std::string& folder, std::string proxy = {}) {
    if (proxy.empty()) proxy = Proxy();
    auto program = std::make_unique<driver::Program>(folder);
    if (!program->WaitForMainWindow()) return nullptr;
    ::SendMessageA(program->ProxyBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(proxy.c_str()));
    program->ApplyAndWait();
    return program;
  }
  // The command the next logon runs, empty when there is none.
  static std::string RunOnce() {
    const auto value = driver::Read(
        HKEY_CURRENT_USER, R"(Software\Microsoft\Windows\CurrentVersion\RunOnce)", "Maskfold");
    return value ? value->data.substr(0, value->data.find('\0')) : std::string();
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
  program.ApplyAndWait();

  const driver::RunResult through = BrowserFetch();
  EXPECT_TRUE(WentThroughProxy(through)) << through.exit_code << " " << through.output;
  EXPECT_EQ(ProxiedCount(), "1");

  program.Click("E&xit");
  ASSERT_TRUE(program.WaitForExit(10000));
  EXPECT_FALSE(WentThroughProxy(BrowserFetch()));
  EXPECT_EQ(ProxiedCount(), "1") << "no request may reach the proxy after Exit";
}

// A proxy for every scheme, or one named for http and https: either is
// switched, read back and seen alike; the logon's repair is there only
// while it is on.
TEST_F(ProxySwitchTest, EveryProgramSeesTheProxyAndTheUsersOwnSettingsComeBack) {
  const std::string folder = driver::InstallProgram("Maskfold Reach");
  for (const std::string& proxy : {Proxy(), "http=" + Proxy() + ";https=" + Proxy()}) {
    UseDetectionAndScript();
    ASSERT_EQ(Seen().substr(0, Seen().find(" |")), kUsersOwn);
    auto program = Applied(folder, proxy);
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->Dialogs().empty()) << proxy << ": " << program->Dialogs()[0];
    const std::string seen = Seen();
    EXPECT_EQ(seen.substr(0, seen.find(" |")),
              "winhttp detect=0 script=- proxy=" + proxy + " bypass=-");
    EXPECT_NE(seen.find("| wininet flags=", 0), std::string::npos) << seen;
    EXPECT_EQ(RunOnce(), "\"" + folder + "\\maskfold.exe\" --off");
    program->Click("E&xit");
    ASSERT_TRUE(program->WaitForExit(10000));
    EXPECT_EQ(Seen().substr(0, Seen().find(" |")), kUsersOwn);
    EXPECT_EQ(RunOnce(), "") << "gone after Exit";
  }
}

// Killed after Apply: the next start puts the user's settings back and says
// so, once; or "--off" does it with no window.
TEST_F(ProxySwitchTest, ARunKilledWhileItsProxyIsOnNeverStrandsTheUser) {
  UseDetectionAndScript();
  const std::string folder = driver::InstallProgram("Maskfold Killed");
  for (const bool by_command : {false, true}) {
    {
      auto program = Applied(folder);
      ASSERT_TRUE(program);
      ASSERT_NE(Seen().find("proxy=" + Proxy()), std::string::npos);
      ::TerminateProcess(program->Process(), 9);  // no message reaches it, as with kill -9
      ASSERT_TRUE(program->WaitForExit(10000));
    }
    ASSERT_NE(Seen().find("proxy=" + Proxy()), std::string::npos) << "left on";
    if (by_command) {
      // As the next logon runs it, though Maskfold is never started again.
      ASSERT_EQ(RunOnce(), "\"" + folder + "\\maskfold.exe\" --off");
      EXPECT_EQ(driver::Run(RunOnce()).exit_code, 0u);
      EXPECT_EQ(RunOnce(), "");
    } else {
      driver::Program next(folder);
      ASSERT_TRUE(next.WaitForMainWindow());
      const auto dialogs = next.Dialogs();
      ASSERT_EQ(dialogs.size(), 1u);
      EXPECT_NE(dialogs[0].find("did not end properly"), std::string::npos) << dialogs[0];
    }
    EXPECT_EQ(Seen().substr(0, Seen().find(" |")), kUsersOwn) << by_command;
    EXPECT_FALSE(WentThroughProxy(BrowserFetch()));
    driver::Program again(folder);
    ASSERT_TRUE(again.WaitForMainWindow());
    EXPECT_TRUE(again.Dialogs().empty()) << "said once";
  }
}

}  // namespace
