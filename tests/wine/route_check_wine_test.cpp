// The route check against the real system: the proxy switched on by the
// program's own switch, read back through WinHTTP as the browsers read it,
// and probed through loopback proxies of every kind
// (tests/tools/probe_proxies.py), which answer CONNECT too.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "driver.h"
#include "probe_crowd.h"
#include "proxyswitch/proxy_switch.h"
#include "proxytest/probe_run.h"
#include "routecheck/route_check.h"

namespace {

constexpr char kWorks[] = "";

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class RouteCheckWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [kind, proxy] :
         crowd::Ask("fast=1&slow=1&slow_ms=300&refused=1&silent=1&login=1&auth=1&noconnect=1"))
      proxies_[kind] = proxy;
    ASSERT_EQ(proxies_.size(), 7u) << "run through tests/wine-run.sh";
  }
  void TearDown() override { EXPECT_TRUE(proxyswitch::SwitchOff()); }

  // The proxy switched on as Apply switches it, then the check as Apply
  // makes it, and how long it took.
  routecheck::RouteReport Through(const std::string& proxy, double* seconds = nullptr) {
    const auto on = proxyswitch::SwitchOn(proxy);
    EXPECT_TRUE(on) << (on.Why() ? on.Why()->text : "");
    const auto start = std::chrono::steady_clock::now();
    const auto report = routecheck::CheckBrowsersRoute();
    if (seconds) *seconds = SecondsSince(start);
    return report;
  }

  // The LAN's settings where WinHTTP reads them (DefaultConnectionSettings:
  // version, counter, flags, then the proxy, the bypass list and the script,
  // each after its length), as another program would leave them.
  static void StoreSettings(std::uint32_t flags, const std::string& proxy,
                            const std::string& bypass, const std::string& script) {
    const auto dword = [](std::uint32_t number) {
      std::string bytes;
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(number >> (8 * i));
      return bytes;
    };
    const std::string value = dword(0x46) + dword(1) + dword(flags) + dword(proxy.size()) + proxy +
                              dword(bypass.size()) + bypass + dword(script.size()) + script +
                              std::string(32, '\0');
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, kConnections, &key), ERROR_SUCCESS);
    ::RegSetValueExA(key, "DefaultConnectionSettings", 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()));
    ::RegCloseKey(key);
  }
  static constexpr const char* kConnections =
      R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections)";

  // The methods of the requests the crowd's proxy on that port saw, in
  // order of their names ("CONNECT GET"), and whether all of its
  // connections are closed.
  static std::string Requests(const std::string& proxy, bool* all_closed = nullptr) {
    const std::string port = proxy.substr(proxy.find(':') + 1);
    std::vector<std::string> methods;
    if (all_closed) *all_closed = true;
    for (const auto& [id, connection] : crowd::Connections()) {
      if (connection.port != port) continue;
      if (all_closed && !connection.closed) *all_closed = false;
      if (!connection.request.empty())
        methods.push_back(connection.request.substr(0, connection.request.find(' ')));
    }
    std::sort(methods.begin(), methods.end());
    std::string requests;
    for (const auto& method : methods) requests += (requests.empty() ? "" : " ") + method;
    return requests;
  }

  std::map<std::string, std::string> proxies_;
};

TEST_F(RouteCheckWineTest, EachKindOfProxyIsToldAsTheBrowsersWouldMeetIt) {
  const struct {
    const char* kind;
    const char* http;  // the problem; kWorks: none
    const char* https;
    std::int64_t least_ms, most_ms;  // of each probe
    double most_seconds;             // of the whole check
  } cases[] = {
      {"fast", kWorks, kWorks, 0, 1000, 1},
      {"slow", kWorks, kWorks, 300, 1500, 2},
      // Told well before the 3 s a connection is given.
      {"refused", "refused or unreachable", "refused or unreachable", 0, 1000, 1},
      {"silent", "timed out", "timed out", 8000, 8000, 8.5},
      {"login", "answered with a page that is not the test page (a login page?)", kWorks, 0, 1000,
       1},
      {"auth", "asks for a proxy password (HTTP 407)", "asks for a proxy password (HTTP 407)", 0,
       1000, 1},
      {"noconnect", kWorks, "refused the tunnel (HTTP 403)", 0, 1000, 1},
  };
  for (const auto& c : cases) {
    const std::string proxy = proxies_[c.kind];
    double seconds = 0;
    const auto report = Through(proxy, &seconds);
    const std::pair<const routecheck::SchemeCheck*, const char*> schemes[] = {
        {&report.http, c.http}, {&report.https, c.https}};
    for (const auto& [check, problem] : schemes) {
      EXPECT_EQ(check->proxy.value_or("-"), proxy) << c.kind << " " << check->scheme;
      EXPECT_EQ(check->works, *problem == '\0') << c.kind << " " << check->scheme;
      EXPECT_EQ(check->problem, problem) << c.kind << " " << check->scheme;
      EXPECT_TRUE(check->known) << c.kind << " " << check->scheme;
      EXPECT_GE(check->milliseconds, c.least_ms) << c.kind << " " << check->scheme;
      EXPECT_LE(check->milliseconds, c.most_ms) << c.kind << " " << check->scheme;
    }
    EXPECT_EQ(report.Works(), *c.http == '\0' && *c.https == '\0') << c.kind;
    EXPECT_LT(seconds, c.most_seconds) << c.kind;
    if (std::string(c.kind) == "refused") continue;
    // One GET and one CONNECT, each connection closed once judged.
    bool closed = false;
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return Requests(proxy, &closed) == "CONNECT GET" && closed; }, 2000))
        << c.kind << ": " << Requests(proxy, &closed) << (closed ? ", closed" : ", open");
  }
}

// A per-scheme text: each scheme's probe goes to its own proxy, and a
// scheme without one is told as going direct. Stored as the system stores
// it: the switch refuses such a text under Wine, whose WinINet reads back
// only the http proxy (docs/wine-notes.md).
TEST_F(RouteCheckWineTest, EachSchemeIsProbedThroughItsOwnProxy) {
  const std::string fast = proxies_["fast"], noconnect = proxies_["noconnect"];
  StoreSettings(3, "http=" + fast + ";https=" + noconnect, "", "");
  const auto report = routecheck::CheckBrowsersRoute();
  EXPECT_TRUE(report.http.works) << report.http.problem;
  EXPECT_EQ(report.http.proxy.value_or("-"), fast);
  EXPECT_FALSE(report.https.works);
  EXPECT_EQ(report.https.proxy.value_or("-"), noconnect);
  EXPECT_EQ(report.https.problem, "refused the tunnel (HTTP 403)");
  EXPECT_EQ(report.Problem().value_or("-"),
            "The proxy " + noconnect +
                " for https: refused the tunnel (HTTP 403), so https pages will not load.");
  EXPECT_TRUE(driver::WaitUntil([&] { return Requests(fast) == "GET"; }, 2000)) << Requests(fast);
  EXPECT_TRUE(driver::WaitUntil([&] { return Requests(noconnect) == "CONNECT"; }, 2000))
      << Requests(noconnect);

  StoreSettings(3, "http=" + proxies_["slow"], "", "");
  const auto half = routecheck::CheckBrowsersRoute();
  EXPECT_TRUE(half.http.works) << half.http.problem;
  EXPECT_FALSE(half.https.works);
  EXPECT_FALSE(half.https.proxy);
  EXPECT_EQ(half.https.problem, "goes direct, not through the proxy");
}

// What the browsers read is what the check reads: the user's own automatic
// detection and script, as WinHTTP hands them over.
TEST_F(RouteCheckWineTest, DetectionOrAScriptLeavesTheRouteUnknown) {
  const std::string script = "http://wpad.example/proxy.pac";
  const std::string proxy = proxies_["fast"];
  StoreSettings(0xF, proxy, "<local>", script);

  platform::connections::BrowsersConfig config;
  ASSERT_TRUE(platform::connections::BrowsersProxyConfig(config).Succeeded());
  EXPECT_TRUE(config.auto_detect);
  EXPECT_EQ(config.script_url, script);
  EXPECT_EQ(config.proxy, proxy);
  EXPECT_EQ(config.bypass, "<local>");
  const auto report = routecheck::CheckBrowsersRoute();
  for (const auto* check : {&report.http, &report.https}) {
    EXPECT_FALSE(check->known);
    EXPECT_EQ(check->problem, "decided by automatic proxy detection, not by the proxy set");
  }
  EXPECT_EQ(Requests(proxy), "") << "nothing probed";

  // The switch turns both off, and the check then finds the proxy.
  EXPECT_TRUE(Through(proxy).Works());
}

// The program's end closes every connection, a route check's too, and the
// check under way then ends at once.
TEST_F(RouteCheckWineTest, TheProgramsEndEndsACheckUnderWay) {
  const std::string silent = proxies_["silent"];
  ASSERT_TRUE(proxyswitch::SwitchOn(silent));
  routecheck::RouteReport report;
  double seconds = 0;
  std::thread apply([&] {
    const auto start = std::chrono::steady_clock::now();
    report = routecheck::CheckBrowsersRoute();
    seconds = SecondsSince(start);
  });
  EXPECT_TRUE(driver::WaitUntil([&] { return Requests(silent) == "CONNECT GET"; }, 3000));
  const auto closing = std::chrono::steady_clock::now();
  proxytest::CloseEveryProbe();
  apply.join();
  EXPECT_LT(SecondsSince(closing), 1.0);
  EXPECT_LT(seconds, 4.0);
  for (const auto* check : {&report.http, &report.https}) {
    EXPECT_FALSE(check->works);
    EXPECT_FALSE(check->known);
    EXPECT_EQ(check->problem, "not checked: the check was stopped");
  }
  bool closed = false;
  EXPECT_TRUE(
      driver::WaitUntil([&] { return Requests(silent, &closed) == "CONNECT GET" && closed; }, 1000))
      << "the proxy left holding a connection";
}

}  // namespace
