// Testing the proxies of the list: what each answer says of a proxy, the
// order the results are shown in, the probe on the wire, and runs of many
// at once over a network whose clock the test keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "fake_network.h"
#include "proxytest/probe.h"
#include "proxytest/probe_run.h"
#include "proxytest/verdict.h"

namespace {
using fake::kNoRoute;
using fake::kReset;
using platform::sockets::kNoSuchHost;
using platform::sockets::kRefused;
using proxytest::ProbeOutcome;
using S = proxytest::ProbeStatus;
using V = proxytest::Verdict;

constexpr char kGone[] = "refused or unreachable";

TEST(ProxyTest, EachAnswerGivesItsVerdictAndReason) {
  const struct {
    const char* what;
    ProbeOutcome answer;
    V verdict;
    const char* reason;
    int milliseconds = 5;
    const char* proxy = "p:1";
  } cases[] = {
      {"the probe's own answer", {S::kAnswered, 200, "Microsoft Connect Test"}, V::kWorks, "works"},
      {"a login page",
       {S::kAnswered, 200, "<html>Please log in</html>"},
       V::kUnexpectedAnswer,
       "unexpected answer"},
      {"an empty answer", {S::kAnswered, 200, ""}, V::kUnexpectedAnswer, "unexpected answer"},
      {"the answer further in",
       {S::kAnswered, 200, "ad: Microsoft Connect Test"},
       V::kUnexpectedAnswer,
       "unexpected answer"},
      {"not found", {S::kAnswered, 404, "Microsoft Connect Test"}, V::kHttpStatus, "HTTP 404"},
      {"a redirect, not followed", {S::kAnswered, 302, ""}, V::kHttpStatus, "HTTP 302"},
      {"timed out", {S::kTimedOut}, V::kTimedOut, "timed out"},
      {"reset when time is up", {S::kUnreachable, 0, "", kReset}, V::kTimedOut, "timed out", 8003},
      {"reset early", {S::kUnreachable, 0, "", kReset}, V::kUnreachable, kGone},
      {"refused", {S::kRefused, 0, "", kRefused}, V::kUnreachable, kGone},
      {"no such host", {S::kUnreachable, 0, "", kNoSuchHost}, V::kUnreachable, kGone},
      // It answered, though not in HTTP: a negative chunk size, say.
      {"an answer that breaks HTTP", {S::kNotHttp}, V::kUnexpectedAnswer, "unexpected answer"},
      {"... however late", {S::kNotHttp}, V::kUnexpectedAnswer, "unexpected answer", 8003},
      {"https only: pages would go direct",
       {S::kAnswered, 200, "Microsoft Connect Test"},
       V::kRefusedText,
       "http would go direct",
       5,
       "https=h:443"},
  };
  for (const auto& c : cases) {
    const auto result = proxytest::Judge(c.proxy, 0, c.answer, c.milliseconds);
    EXPECT_EQ(result.verdict, c.verdict) << c.what;
    EXPECT_EQ(proxytest::Reason(result), c.reason) << c.what;
  }
}

TEST(ProxyTest, WorkingProxiesComeFirstFastestFirstThenTheFailuresInListOrder) {
  auto result = [](const char* proxy, std::size_t position, V verdict, int ms) {
    return proxytest::ProbeResult{proxy, position, verdict, 0, ms};
  };
  std::vector<proxytest::ProbeResult> results = {
      result("dead", 0, V::kUnreachable, 3), result("slow", 1, V::kWorks, 1500),
      result("login", 2, V::kUnexpectedAnswer, 40), result("fast", 3, V::kWorks, 20),
      result("hang", 4, V::kTimedOut, 8000)};
  proxytest::Rank(results);
  std::vector<std::string> order;
  for (const auto& r : results) order.push_back(r.proxy);
  EXPECT_EQ(order, (std::vector<std::string>{"fast", "slow", "dead", "login", "hang"}));
}

TEST(ProxyTest, EachDistinctNonEmptyItemIsTestedOnceInListOrder) {
  EXPECT_EQ(proxytest::Candidates({"a:1", "", "b:2", "a:1", "http=c:3;https=c:3", "b:2"}),
            (std::vector<std::string>{"a:1", "b:2", "http=c:3;https=c:3"}));
}

TEST(ProxyTest, TheProxyForHttpIsTakenFromTheTextAsWinInetTakesIt) {
  const struct {
    const char* proxy;
    const char* host;  // nullptr: none
    std::uint16_t port = 0;
  } cases[] = {
      {"10.1.2.3:8080", "10.1.2.3", 8080},
      {" proxy.example ", "proxy.example", 80},
      {"http=h1:1;https=h2:2", "h1", 1},
      {"https=h2:2 HTTP=h1:1", "h1", 1},
      {"h0:5;http=h1:1", "h1", 1},
      {"http=;h0:5", "h0", 5},
      {"http=http://h1:3128/", "h1", 3128},
      {"[::1]:8080", "::1", 8080},
      {"https=h2:443", nullptr},
      {"h:0", nullptr},
      {"h:65536", nullptr},
      {"h:80x", nullptr},
      {":80", nullptr},
  };
  for (const auto& c : cases) {
    const auto target = proxytest::HttpTarget(c.proxy);
    ASSERT_EQ(target.has_value(), c.host != nullptr) << c.proxy;
    if (!target) continue;
    EXPECT_EQ(target->host, c.host) << c.proxy;
    EXPECT_EQ(target->port, c.port) << c.proxy;
  }
}

TEST(ProxyTest, AnAnswerIsReadAsFarAsTheVerdictNeedsHoweverItArrives) {
  const std::string probe_answer = "HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\n";
  const struct {
    const char* what;
    std::string bytes;
    bool closed;  // by the proxy after the bytes
    S status;
    int http_status = 0;
    const char* body = "";
  } cases[] = {
      {"with a length", probe_answer + "Microsoft Connect Test", false, S::kAnswered, 200,
       "Microsoft Connect Test"},
      {"chunked, the text across chunks",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nMicrosoft\r\nd;x=y\r\n Connect "
       "Test\r\n0\r\n\r\n",
       false, S::kAnswered, 200, "Microsoft Connect Test"},
      {"a body that never ends, judged by its start",
       "HTTP/1.0 200 OK\r\nContent-Length: 1073741824\r\n\r\nMicrosoft Connect Test, and on", false,
       S::kAnswered, 200, "Microsoft Connect Test"},
      {"no length: the body ends with the connection", "HTTP/1.0 200 OK\r\n\r\nshort", true,
       S::kAnswered, 200, "short"},
      {"a body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nMicro", true, S::kAnswered,
       200, "Micro"},
      {"any other status is enough", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n", false,
       S::kAnswered, 404},
      {"an interim answer first",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", false,
       S::kAnswered, 200, "ok"},
      {"blank lines first, headers in any case",
       "\r\nHTTP/1.1 200 OK\r\ntransfer-encoding: gzip, CHUNKED\r\n\r\n2\r\nok\r\n0\r\n\r\n", false,
       S::kAnswered, 200, "ok"},
      {"a header longer than is kept",
       "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(5000, 'a') + "\r\nContent-Length: 2\r\n\r\nok",
       false, S::kAnswered, 200, "ok"},
      {"no status line: all of it is the body", "Microsoft Connect Test", false, S::kAnswered, 200,
       "Microsoft Connect Test"},
      {"closed before the headers end", "HTTP/1.1 200 OK\r\nContent-", true, S::kUnreachable},
      {"closed without a word", "", true, S::kUnreachable},
      {"a broken status line", "HTTP/1.1 abc\r\n\r\n", false, S::kNotHttp},
      {"a broken chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false,
       S::kNotHttp},
      {"a negative chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nab",
       false, S::kNotHttp},
      {"a chunk size past 64 bits",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1FFFFFFFFFFFFFFFF\r\nab", false,
       S::kNotHttp},
  };
  for (const auto& c : cases)
    for (const std::size_t piece : {c.bytes.size() + 1, std::size_t{1}, std::size_t{7}}) {
      proxytest::AnswerReader reader;
      for (std::size_t at = 0; at < c.bytes.size() && !reader.Done(); at += piece)
        reader.Take(std::string_view(c.bytes).substr(at, piece));
      EXPECT_EQ(reader.Done(), !c.closed) << c.what << ", in pieces of " << piece;
      if (c.closed) reader.End();
      const ProbeOutcome answer = reader.Answer();
      EXPECT_EQ(answer.status, c.status) << c.what << ", in pieces of " << piece;
      EXPECT_EQ(answer.http_status, c.http_status) << c.what << ", in pieces of " << piece;
      EXPECT_EQ(answer.body, c.body) << c.what << ", in pieces of " << piece;
    }
}

// Runs the prober on the test's thread until every run is done. The first
// `failing_reports` reports throw.
std::vector<proxytest::ProbeResult> RunToTheEnd(fake::FakeNetwork& network,
                                                const std::vector<std::vector<std::string>>& runs,
                                                proxytest::ProberLimits limits = {},
                                                int failing_reports = 0) {
  const auto prober = proxytest::Prober::Create(network, limits, false);
  std::vector<proxytest::ProbeResult> results;
  for (const auto& candidates : runs)
    proxytest::ProbeRun::Start(
        candidates,
        [&](const proxytest::ProbeResult& result) {
          if (failing_reports-- > 0) throw std::runtime_error("the report failed");
          results.push_back(result);
        },
        prober);
  while (prober->Step()) {
  }
  return results;
}

// A failed turn leaves no proxy without its line: the window would count
// "Tested n of m" for ever. A report that throws fails the turn, its proxy
// told with the others; one that keeps failing still lets the run end.
TEST(ProxyTest, AFailedTurnReportsEveryProxyNotYetReportedAsNotTested) {
  const std::vector<std::string> each = {
      "10.0.0.1:80 not tested: the test failed", "10.0.0.2:80 not tested: the test failed",
      "10.0.0.3:80 not tested: the test failed", "https=h:443 http would go direct"};
  const struct {
    bool wait_fails;
    int failing_reports;
    std::vector<std::string> reasons;
  } cases[] = {{true, 0, each}, {false, 1, each}, {false, 1000, {}}};
  for (const auto& c : cases) {
    fake::FakeNetwork network;
    for (const char* proxy : {"10.0.0.1:80", "10.0.0.2:80", "10.0.0.3:80"})
      network.proxies[proxy] = fake::FakeProxy(fake::FakeProxy::Kind::kSilent);
    network.wait_fails = c.wait_fails;
    proxytest::ProberLimits limits;
    limits.most_in_flight = 2;  // one not taken up yet
    const auto results =
        RunToTheEnd(network, {{"10.0.0.1:80", "10.0.0.2:80", "10.0.0.3:80", "https=h:443"}}, limits,
                    c.failing_reports);
    std::vector<std::string> reasons;
    for (const auto& result : results)
      reasons.push_back(result.proxy + " " + proxytest::Reason(result));
    std::sort(reasons.begin(), reasons.end());
    EXPECT_EQ(reasons, c.reasons) << c.failing_reports << " failing reports";
    EXPECT_EQ(network.open, 0u) << "their connections closed";
  }
}

TEST(ProxyTest, EachKindOfProxyGetsItsVerdictInItsTime) {
  using Kind = fake::FakeProxy::Kind;
  auto answers = [](std::int64_t after_ms, std::string answer) {
    return fake::FakeProxy(Kind::kAnswers, after_ms, std::move(answer));
  };
  const std::string works = "HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\nMicrosoft Connect Test";
  auto endless = answers(50, "HTTP/1.1 200 OK\r\n\r\nMicrosoft Connect Test, and on");
  endless.closes = false;
  const struct {
    const char* what;
    const char* proxy;
    fake::FakeProxy behaviour;
    const char* reason;
    std::int64_t milliseconds;
    S ended = S::kAnswered;
    std::uint32_t socket_status = 0;
  } cases[] = {
      {"answers", "10.0.0.1:80", answers(40, works), "works", 40},
      {"answers and never ends", "10.0.0.16:80", endless, "works", 50},
      {"slow but in time", "10.0.0.2:80", answers(7900, works), "works", 7900},
      {"too slow", "10.0.0.3:80", answers(8100, works), "timed out", 8000, S::kTimedOut},
      {"refuses", "10.0.0.5:80", {Kind::kRefuses, 5}, kGone, 5, S::kRefused, kRefused},
      {"refuses, told only when asked",
       "10.0.0.6:80",
       {Kind::kRefusesUnseen, 5},
       kGone,
       3000,
       S::kRefused,
       kRefused},
      {"never accepts", "10.0.0.7:80", {Kind::kNeverAccepts}, "timed out", 3000, S::kTimedOut},
      {"accepts and stays silent", "10.0.0.8:80", {Kind::kSilent}, "timed out", 8000, S::kTimedOut},
      {"not found", "10.0.0.9:80", answers(10, "HTTP/1.1 404 Not Found\r\n\r\n"), "HTTP 404", 10},
      {"a login page", "10.0.0.10:80", answers(10, "HTTP/1.1 200 OK\r\n\r\n<html>Log in</html>"),
       "unexpected answer", 10},
      {"hangs up", "10.0.0.11:80", answers(10, ""), kGone, 10, S::kUnreachable},
      {"https only", "https=10.0.0.12:443", answers(10, works), "http would go direct", 0,
       S::kUnreachable},
      {"per scheme", "http=10.0.0.13:80;https=10.0.0.99:443", answers(30, works), "works", 30},
      {"a host name", "proxy.example:8080", answers(20, works), "works", 20},
      {"a name found nowhere", "nowhere.example:8080", {}, kGone, 0, S::kUnreachable, kNoSuchHost},
      {"a port out of range", "10.0.0.15:99999", {}, "port out of range", 0, S::kUnreachable},
      {"no route", "10.0.0.17:80", {Kind::kNoRoute}, kGone, 0, S::kUnreachable, kNoRoute},
      {"resets", "10.0.0.18:80", {Kind::kResets, 10}, kGone, 10, S::kUnreachable, kReset},
      {"resets at 8 s",
       "10.0.0.19:80",
       {Kind::kResets, 8000},
       "timed out",
       8000,
       S::kUnreachable,
       kReset},
  };
  fake::FakeNetwork network;
  network.names["proxy.example"] = "10.0.0.14";
  std::vector<std::string> candidates;
  for (const auto& c : cases) {
    candidates.push_back(c.proxy);
    const auto target = proxytest::HttpTarget(c.proxy);
    if (target && target->host != "proxy.example")
      network.proxies[target->host + ":" + std::to_string(target->port)] = c.behaviour;
  }
  network.proxies["10.0.0.14:8080"] = cases[13].behaviour;

  const auto results = RunToTheEnd(network, {candidates});
  ASSERT_EQ(results.size(), std::size(cases));
  for (const auto& result : results) {
    const auto& c = cases[result.position];
    EXPECT_EQ(proxytest::Reason(result), c.reason) << c.what;
    EXPECT_EQ(result.milliseconds, c.milliseconds) << c.what;
    EXPECT_EQ(result.ended, c.ended) << c.what;
    EXPECT_EQ(result.socket_status, c.socket_status) << c.what;
  }
  EXPECT_EQ(network.open, 0u) << "every connection closed";
  EXPECT_TRUE(network.received["10.0.0.1:80"].starts_with(
      "GET http://www.msftconnecttest.com/connecttest.txt HTTP/1.1\r\n"
      "Host: www.msftconnecttest.com\r\n"));
  EXPECT_FALSE(network.received.contains("10.0.0.12:443")) << "an https proxy is not probed";
}

TEST(ProxyTest, RunsProbeEveryCandidateOnceAndNeverMoreThanTheLimitAtATime) {
  fake::FakeNetwork network;
  std::vector<std::vector<std::string>> runs(2);
  for (int i = 0; i < 40; ++i) {
    const std::string proxy = "10.1.0." + std::to_string(i) + ":80";
    runs[i % 2].push_back(proxy);
    network.proxies[proxy] = {i % 3 ? fake::FakeProxy::Kind::kSilent
                                    : fake::FakeProxy::Kind::kNeverAccepts};
  }
  const auto results = RunToTheEnd(network, runs, {.most_in_flight = 16});
  std::vector<std::string> probed, connected = network.connections;
  for (const auto& r : results) probed.push_back(r.proxy);
  std::sort(probed.begin(), probed.end());
  std::sort(connected.begin(), connected.end());
  EXPECT_EQ(probed, connected);
  EXPECT_EQ(probed.size(), 40u);
  EXPECT_EQ(network.most_open, 16u);
  EXPECT_EQ(network.open, 0u);
}

TEST(ProxyTest, ACancelledRunIsClosedAtOnceAndTheNextOneTakesItsPlace) {
  fake::FakeNetwork network;
  std::vector<std::string> first, second;
  for (int i = 0; i < 20; ++i) first.push_back("10.2.0." + std::to_string(i) + ":80");
  for (int i = 0; i < 5; ++i) second.push_back("10.3.0." + std::to_string(i) + ":80");
  for (const auto& proxy : first) network.proxies[proxy] = {fake::FakeProxy::Kind::kSilent};
  const auto prober = proxytest::Prober::Create(network, {.most_in_flight = 8}, false);
  std::vector<std::string> reported;
  auto report = [&](const proxytest::ProbeResult& result) { reported.push_back(result.proxy); };
  const auto run = proxytest::ProbeRun::Start(first, report, prober);
  prober->Step();
  ASSERT_EQ(network.open, 8u);
  run->Cancel();  // "Test Again"
  proxytest::ProbeRun::Start(second, report, prober);
  prober->Step();
  EXPECT_EQ(network.now, 0) << "closed before any time-out";
  EXPECT_EQ(network.connections.size(), 8u + 5u) << "no further candidate of the first run";
  while (prober->Step()) {
  }
  EXPECT_EQ(reported, second) << "only the second run's, each refused at once";
  EXPECT_EQ(network.open, 0u);
}

// A tunnel's answer ends with its headers: nothing after them is read, and
// only HTTP makes a tunnel.
TEST(ProxyTest, ATunnelsAnswerIsItsStatusOnceTheHeadersEnd) {
  const struct {
    const char* what;
    std::string bytes;
    bool closed;  // by the proxy after the bytes
    S status;
    int http_status = 0;
  } cases[] = {
      {"established", "HTTP/1.1 200 Connection established\r\n\r\n", false, S::kAnswered, 200},
      {"established, with headers and bytes after them",
       "HTTP/1.0 200 OK\r\nProxy-Agent: x\r\nContent-Length: 9\r\n\r\n\x16\x03\x01", false,
       S::kAnswered, 200},
      {"an interim answer first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", false,
       S::kAnswered, 200},
      {"refused", "HTTP/1.1 403 Forbidden\r\nContent-Length: 900\r\n\r\n<html>", false,
       S::kAnswered, 403},
      {"a password asked for",
       "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n", false,
       S::kAnswered, 407},
      {"not HTTP: no status 200 of old days for a tunnel", "SSH-2.0-OpenSSH\r\n", false,
       S::kNotHttp},
      {"closed before the headers end", "HTTP/1.1 200 Connection established\r\n", true,
       S::kUnreachable},
  };
  for (const auto& c : cases)
    for (const std::size_t piece : {c.bytes.size() + 1, std::size_t{1}}) {
      proxytest::AnswerReader reader(proxytest::ProbeKind::kConnect);
      for (std::size_t at = 0; at < c.bytes.size() && !reader.Done(); at += piece)
        reader.Take(std::string_view(c.bytes).substr(at, piece));
      EXPECT_EQ(reader.Done(), !c.closed) << c.what << ", in pieces of " << piece;
      if (c.closed) reader.End();
      EXPECT_EQ(reader.Answer().status, c.status) << c.what << ", in pieces of " << piece;
      EXPECT_EQ(reader.Answer().http_status, c.http_status) << c.what << ", in pieces of " << piece;
      EXPECT_EQ(reader.Answer().body, "") << c.what << ", in pieces of " << piece;
    }
}

// Probes given as items: each to its own target, with its own request, and
// the run told once that it is over, however it ended.
TEST(ProxyTest, ItemsAreProbedAsTheySayAndTheRunIsToldItsEnd) {
  using Kind = fake::FakeProxy::Kind;
  fake::FakeProxy both(Kind::kAnswers, 20,
                       "HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\nMicrosoft Connect Test");
  both.tunnel_answer = "HTTP/1.1 403 Forbidden\r\n\r\n";
  const std::vector<proxytest::ProbeItem> items = {
      {"http=a:1;https=b:2", proxytest::Target{"10.4.0.1", 3128}, proxytest::ProbeKind::kGet},
      {"10.4.0.1:3128", proxytest::Target{"10.4.0.1", 3128}, proxytest::ProbeKind::kConnect},
      {"10.4.0.2:8080", proxytest::Target{"10.4.0.2", 8080}, proxytest::ProbeKind::kConnect},
      {"no target", std::nullopt, proxytest::ProbeKind::kConnect},
  };
  enum class End { kAnswered, kCancelled, kFailedTurn };
  for (const End end : {End::kAnswered, End::kCancelled, End::kFailedTurn}) {
    fake::FakeNetwork network;
    network.proxies["10.4.0.1:3128"] = both;
    network.proxies["10.4.0.2:8080"] = {Kind::kSilent};
    network.wait_fails = end == End::kFailedTurn;
    const auto prober = proxytest::Prober::Create(network, {}, false);
    std::vector<std::string> reasons(items.size(), "-");
    int ended = 0;
    const auto run = proxytest::ProbeRun::Start(
        items,
        [&](const proxytest::ProbeResult& result) {
          EXPECT_EQ(ended, 0) << "a report after the end";
          reasons[result.position] = result.proxy + " " + proxytest::Reason(result);
        },
        [&] { ++ended; }, prober);
    if (end == End::kCancelled) {
      prober->Step();
      run->Cancel();
    }
    while (prober->Step()) {
    }
    EXPECT_EQ(ended, 1) << static_cast<int>(end);
    EXPECT_EQ(network.open, 0u) << static_cast<int>(end);
    if (end != End::kAnswered) continue;
    EXPECT_EQ(reasons, (std::vector<std::string>{
                           "http=a:1;https=b:2 works", "10.4.0.1:3128 HTTP 403",
                           "10.4.0.2:8080 timed out", "no target refused or unreachable"}));
    const std::string& sent = network.received["10.4.0.1:3128"];
    EXPECT_NE(sent.find("GET http://www.msftconnecttest.com/connecttest.txt HTTP/1.1\r\n"),
              std::string::npos);
    EXPECT_NE(sent.find("CONNECT www.msftconnecttest.com:443 HTTP/1.1\r\n"
                        "Host: www.msftconnecttest.com:443\r\n"),
              std::string::npos)
        << sent;
  }
  int ended = 0;
  fake::FakeNetwork network;
  proxytest::ProbeRun::Start(
      std::vector<proxytest::ProbeItem>{}, [](const proxytest::ProbeResult&) {}, [&] { ++ended; },
      proxytest::Prober::Create(network, {}, false));
  EXPECT_EQ(ended, 1) << "a run of nothing is over at once";
}

}  // namespace
