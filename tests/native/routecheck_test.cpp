// The route check: which proxy the browsers take for http and https, as
// Chromium's browsers read the system's proxy text, and what the probes
// through them say, over a network whose clock the test keeps.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_network.h"
#include "fake_platform.h"
#include "routecheck/browser_route.h"
#include "routecheck/route_check.h"

namespace {
using Kind = fake::FakeProxy::Kind;

// "host:port", the scheme first unless it is plain HTTP; "-": direct.
std::string Shown(const std::optional<routecheck::RouteProxy>& proxy) {
  if (!proxy) return "-";
  const char* schemes[] = {"", "HTTPS ", "SOCKS4 ", "SOCKS5 "};
  return schemes[static_cast<int>(proxy->scheme)] + proxy->HostPort();
}

TEST(RouteCheckTest, TheProxyTextIsReadAsTheBrowsersReadIt) {
  const struct {
    const char* rules;
    const char* http;
    const char* https;
  } cases[] = {
      {"127.0.0.1:8080", "127.0.0.1:8080", "127.0.0.1:8080"},
      {" proxy.example ", "proxy.example:80", "proxy.example:80"},
      {";;p:1;;", "p:1", "p:1"},
      {"[::1]:8080", "[::1]:8080", "[::1]:8080"},
      {"http=h1:1;https=h2:2", "h1:1", "h2:2"},
      {" http = h1:1 ; https = h2:2 ", "h1:1", "h2:2"},
      // A scheme left without a proxy goes direct.
      {"http=h1:1", "h1:1", "-"},
      {"https=h2:2", "-", "h2:2"},
      {"ftp=f:21", "-", "-"},
      {"", "-", "-"},
      // "socks=" stands in for the schemes without a proxy of their own.
      {"socks=s:1", "SOCKS4 s:1", "SOCKS4 s:1"},
      {"http=h:1;socks=socks5://s", "h:1", "SOCKS5 s:1080"},
      {"http=https://h", "HTTPS h:443", "-"},
      {"http=HTTP://h:3", "h:3", "-"},
      // A list: the first well-formed proxy is tried first.
      {"http=a:1,b:2", "a:1", "-"},
      {"http=a:1;http=b:2", "a:1", "-"},
      {"http=bad host,a:1", "a:1", "-"},
      {"http=direct://,a:1", "-", "-"},
      // The first form read decides: an entry for every scheme ends the text.
      {"p:1;http=h:2", "p:1", "p:1"},
      {"http=h:2;p:1", "h:2", "-"},
      {"crazy=c:1;p:1", "-", "-"},
      // Where WinINet and the browsers part: blanks do not separate, scheme
      // names are lower case, and a proxy must be well formed.
      {"a:1 b:2", "-", "-"},
      {"http=a:1 https=b:2", "-", "-"},
      {"HTTP=a:1;HTTPS=b:2", "-", "-"},
      {"p:1/", "-", "-"},
      {"user@p:1", "-", "-"},
      {"p:", "-", "-"},
      {"p:65536", "-", "-"},
      {"quic://p:443", "-", "-"},
  };
  for (const auto& c : cases) {
    const auto route = routecheck::RouteFromRules(c.rules);
    EXPECT_EQ(Shown(route.http), c.http) << "\"" << c.rules << "\"";
    EXPECT_EQ(Shown(route.https), c.https) << "\"" << c.rules << "\"";
    EXPECT_FALSE(route.decided_by) << c.rules;
  }
}

// Detection and a script come before the proxy text; a configuration that
// cannot be read leaves the browsers going direct.
TEST(RouteCheckTest, WhatDecidesBeforeTheProxyTextIsKept) {
  fake::FakeSystem::Reset();
  const struct {
    platform::connections::Options lan;
    std::uint32_t error;
    const char* http;
    const char* decided_by;
  } cases[] = {
      {{3, "p:1", "<local>", "http://wpad/x.pac"}, 0, "p:1", nullptr},
      {{7, "p:1", "", "http://wpad/x.pac"}, 0, "p:1", "the configuration script http://wpad/x.pac"},
      {{0xB, "p:1", "", ""}, 0, "p:1", "automatic proxy detection"},
      {{1, "p:1", "", ""}, 0, "-", nullptr},
      {{3, "p:1", "", ""}, 5, "-", nullptr},
  };
  for (const auto& c : cases) {
    fake::FakeSystem::Get().connections[""] = c.lan;
    fake::FakeSystem::Get().browsers_config_error = c.error;
    const auto route = routecheck::BrowsersRoute();
    EXPECT_EQ(Shown(route.http), c.http) << c.lan.flags;
    EXPECT_EQ(route.decided_by.value_or("-"), c.decided_by ? c.decided_by : "-") << c.lan.flags;
    EXPECT_EQ(route.unread.has_value(), c.error != 0);
  }
  fake::FakeSystem::Reset();
}

// The check run to its end on the test's thread.
routecheck::RouteReport Checked(fake::FakeNetwork& network, const routecheck::BrowserRoute& route,
                                bool cancel = false) {
  const auto prober = proxytest::Prober::Create(network, {}, false);
  std::optional<routecheck::RouteReport> report;
  int told = 0;
  const auto run = routecheck::StartRouteCheck(
      route,
      [&](const routecheck::RouteReport& done) {
        report = done;
        ++told;
      },
      prober);
  if (cancel && run) {
    prober->Step();
    run->Cancel();
  }
  while (prober->Step()) {
  }
  EXPECT_EQ(told, 1) << "told once";
  EXPECT_EQ(network.open, 0u) << "every connection closed";
  return report.value_or(routecheck::RouteReport{});
}

TEST(RouteCheckTest, EachKindOfProxyGetsItsReportAndItsMessage) {
  const std::string page = "HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\nMicrosoft Connect Test";
  const std::string tunnel = "HTTP/1.1 200 Connection established\r\n\r\n";
  const std::string login = "HTTP/1.1 200 OK\r\n\r\n<html>Please log in</html>";
  const std::string password = "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n";
  const auto answers = [&](std::int64_t after_ms, const std::string& get,
                           const std::string& connect) {
    fake::FakeProxy proxy(Kind::kAnswers, after_ms, get);
    proxy.tunnel_answer = connect;
    return proxy;
  };
  const struct {
    const char* what;
    const char* rules;
    std::map<std::string, fake::FakeProxy> proxies;
    const char* http_problem;  // "": works
    std::int64_t http_ms;
    const char* https_problem;
    std::int64_t https_ms;
    const char* message;  // nullptr: none
  } cases[] = {
      {"works",
       "10.5.0.1:8080",
       {{"10.5.0.1:8080", answers(30, page, tunnel)}},
       "",
       30,
       "",
       30,
       nullptr},
      {"refused",
       "10.5.0.2:8080",
       {{"10.5.0.2:8080", {Kind::kRefuses, 4}}},
       "refused or unreachable",
       4,
       "refused or unreachable",
       4,
       "The proxy 10.5.0.2:8080 (http and https): refused or unreachable, so web pages will not "
       "load through it."},
      {"silent",
       "10.5.0.3:8080",
       {{"10.5.0.3:8080", {Kind::kSilent}}},
       "timed out",
       8000,
       "timed out",
       8000,
       "The proxy 10.5.0.3:8080 (http and https): timed out, so web pages will not load through "
       "it."},
      {"a proxy password asked for",
       "10.5.0.4:8080",
       {{"10.5.0.4:8080", answers(10, password, password)}},
       "asks for a proxy password (HTTP 407)",
       10,
       "asks for a proxy password (HTTP 407)",
       10,
       "The proxy 10.5.0.4:8080 (http and https): asks for a proxy password (HTTP 407), so web "
       "pages will not load through it."},
      {"a login page",
       "10.5.0.5:8080",
       {{"10.5.0.5:8080", answers(10, login, tunnel)}},
       "answered with a page that is not the test page (a login page?)",
       10,
       "",
       10,
       "The proxy 10.5.0.5:8080 for http: answered with a page that is not the test page (a login "
       "page?), so web pages will not load through it."},
      {"the tunnel refused",
       "10.5.0.6:8080",
       {{"10.5.0.6:8080", answers(10, page, "HTTP/1.1 403 Forbidden\r\n\r\n")}},
       "",
       10,
       "refused the tunnel (HTTP 403)",
       10,
       "The proxy 10.5.0.6:8080 for https: refused the tunnel (HTTP 403), so https pages will not "
       "load."},
      {"not HTTP",
       "10.5.0.7:8080",
       {{"10.5.0.7:8080", answers(10, "HTTP/1.1 2x\r\n\r\n", "SSH-2.0\r\n")}},
       "answered, though not in HTTP",
       10,
       "answered, though not in HTTP",
       10,
       "The proxy 10.5.0.7:8080 (http and https): answered, though not in HTTP, so web pages will "
       "not load through it."},
      {"http through the proxy, https direct",
       "http=10.5.0.8:8080",
       {{"10.5.0.8:8080", answers(10, page, tunnel)}},
       "",
       10,
       "goes direct, not through the proxy",
       0,
       "https: goes direct, not through the proxy, so sites will see your own address."},
      {"each scheme its own proxy",
       "http=10.5.0.9:80;https=10.5.0.10:443",
       {{"10.5.0.9:80", answers(20, page, "HTTP/1.1 403 Forbidden\r\n\r\n")},
        {"10.5.0.10:443", answers(40, "HTTP/1.1 404 Not Found\r\n\r\n", tunnel)}},
       "",
       20,
       "",
       40,
       nullptr},
      {"an http error",
       "http=10.5.0.11:80;https=10.5.0.11:80",
       {{"10.5.0.11:80", answers(10, "HTTP/1.1 502 Bad Gateway\r\n\r\n", tunnel)}},
       "answered with an error instead of the test page (HTTP 502)",
       10,
       "",
       10,
       "The proxy 10.5.0.11:80 for http: answered with an error instead of the test page (HTTP "
       "502), so web pages will not load through it."},
      {"direct",
       "",
       {},
       "goes direct, not through the proxy",
       0,
       "goes direct, not through the proxy",
       0,
       "http and https: goes direct, not through the proxy, so sites will see your own address."},
      {"a SOCKS proxy, not tried",
       "http=10.5.0.12:80;socks=10.5.0.13:1080",
       {{"10.5.0.12:80", answers(10, page, tunnel)}},
       "",
       10,
       "goes through a proxy of another kind (SOCKS4), which the check cannot try",
       0,
       "The proxy 10.5.0.13:1080 for https: goes through a proxy of another kind (SOCKS4), which "
       "the check cannot try, so whether https pages load through the proxy is not known."},
  };
  for (const auto& c : cases) {
    fake::FakeNetwork network;
    network.proxies = c.proxies;
    const auto report = Checked(network, routecheck::RouteFromRules(c.rules));
    EXPECT_EQ(report.http.scheme, "http");
    EXPECT_EQ(report.https.scheme, "https");
    EXPECT_EQ(report.http.works, *c.http_problem == '\0') << c.what;
    EXPECT_EQ(report.http.problem, c.http_problem) << c.what;
    EXPECT_EQ(report.http.milliseconds, c.http_ms) << c.what;
    EXPECT_EQ(report.https.works, *c.https_problem == '\0') << c.what;
    EXPECT_EQ(report.https.problem, c.https_problem) << c.what;
    EXPECT_EQ(report.https.milliseconds, c.https_ms) << c.what;
    EXPECT_EQ(report.Works(), c.message == nullptr) << c.what;
    EXPECT_EQ(report.Problem().value_or("-"), c.message ? c.message : "-") << c.what;
    // Both probes at once: the check lasts as long as the slower one.
    EXPECT_EQ(network.now, std::max(c.http_ms, c.https_ms)) << c.what;
    for (const auto& [proxy, sent] : network.received)
      EXPECT_EQ(sent.find("Cookie"), std::string::npos) << c.what << ": no cookie, ever";
  }
}

TEST(RouteCheckTest, WhatTheCheckCannotTellIsNotKnownRatherThanFailed) {
  const routecheck::BrowserRoute proxied = routecheck::RouteFromRules("10.7.0.1:8080");
  routecheck::BrowserRoute detected = proxied;
  detected.decided_by = "automatic proxy detection";
  const struct {
    const char* what;
    routecheck::BrowserRoute route;
    bool cancel;
    const char* problem;
    const char* message;
  } cases[] = {
      {"cancelled", proxied, true, "not checked: the check was stopped",
       "The proxy 10.7.0.1:8080 (http and https): not checked: the check was stopped, so whether "
       "pages load through the proxy is not known."},
      {"detection on", detected, false,
       "decided by automatic proxy detection, not by the proxy set",
       "http and https: decided by automatic proxy detection, not by the proxy set, so whether "
       "pages load through the proxy is not known."},
  };
  for (const auto& c : cases) {
    fake::FakeNetwork network;
    network.proxies["10.7.0.1:8080"] = {Kind::kSilent};
    const auto report = Checked(network, c.route, c.cancel);
    for (const auto* check : {&report.http, &report.https}) {
      EXPECT_FALSE(check->works) << c.what;
      EXPECT_FALSE(check->known) << c.what;
      EXPECT_EQ(check->problem, c.problem) << c.what;
    }
    EXPECT_EQ(report.Problem().value_or("-"), c.message) << c.what;
    if (!c.cancel) {
      EXPECT_TRUE(network.connections.empty()) << c.what << ": nothing probed";
    }
  }
  routecheck::BrowserRoute unread;
  unread.unread = status::LastError(5);
  fake::FakeNetwork network;
  EXPECT_EQ(Checked(network, unread).http.problem,
            "goes direct: the browsers cannot read the proxy settings (error 5)");
}

}  // namespace
