// Testing the proxies of the list: what each answer says of a proxy, the
// order the results are shown in, and the run over many at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "proxytest/probe_run.h"
#include "proxytest/verdict.h"

namespace {
using platform::transfer::Response;
using proxytest::Verdict;

TEST(ProxyTest, EachAnswerGivesItsVerdictAndReason) {
  const struct {
    const char* what;
    Response answer;
    Verdict verdict;
    const char* reason;
    int milliseconds = 5;
    const char* proxy = "p:1";
  } cases[] = {
      {"the probe's own answer",
       {false, 200, "Microsoft Connect Test", 0},
       Verdict::kWorks,
       "works"},
      {"a login page",
       {false, 200, "<html>Please log in</html>", 0},
       Verdict::kUnexpectedAnswer,
       "unexpected answer"},
      {"an empty answer", {false, 200, "", 0}, Verdict::kUnexpectedAnswer, "unexpected answer"},
      {"the answer further in",
       {false, 200, "ad: Microsoft Connect Test", 0},
       Verdict::kUnexpectedAnswer,
       "unexpected answer"},
      {"not found", {false, 404, "Microsoft Connect Test", 0}, Verdict::kHttpStatus, "HTTP 404"},
      {"a redirect, not followed", {false, 302, "", 0}, Verdict::kHttpStatus, "HTTP 302"},
      {"timed out", {true, 0, "", 12002}, Verdict::kTimedOut, "timed out"},
      {"aborted when the time was up (Wine's code)",
       {true, 0, "", 12030},
       Verdict::kTimedOut,
       "timed out",
       8003},
      {"aborted early", {true, 0, "", 12030}, Verdict::kUnreachable, "refused or unreachable"},
      {"refused", {true, 0, "", 12029}, Verdict::kUnreachable, "refused or unreachable"},
      {"no such host", {true, 0, "", 12007}, Verdict::kUnreachable, "refused or unreachable"},
      {"https only: pages would go direct",
       {false, 200, "Microsoft Connect Test", 0},
       Verdict::kNoHttpProxy,
       "no http proxy",
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
  auto result = [](const char* proxy, std::size_t position, Verdict verdict, int ms) {
    return proxytest::ProbeResult{proxy, position, verdict, 0, ms};
  };
  std::vector<proxytest::ProbeResult> results = {
      result("dead", 0, Verdict::kUnreachable, 3), result("slow", 1, Verdict::kWorks, 1500),
      result("login", 2, Verdict::kUnexpectedAnswer, 40), result("fast", 3, Verdict::kWorks, 20),
      result("hang", 4, Verdict::kTimedOut, 8000)};
  proxytest::Rank(results);
  std::vector<std::string> order;
  for (const auto& r : results) order.push_back(r.proxy);
  EXPECT_EQ(order, (std::vector<std::string>{"fast", "slow", "dead", "login", "hang"}));
}

TEST(ProxyTest, EachDistinctNonEmptyItemIsTestedOnceInListOrder) {
  EXPECT_EQ(proxytest::Candidates({"a:1", "", "b:2", "a:1", "http=c:3;https=c:3", "b:2"}),
            (std::vector<std::string>{"a:1", "b:2", "http=c:3;https=c:3"}));
}

// Collects what the workers report, and waits for them.
struct Reports {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<proxytest::ProbeResult> results;
  void Add(const proxytest::ProbeResult& result) {
    std::lock_guard lock(mutex);
    results.push_back(result);
    arrived.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, std::chrono::seconds(10),
                            [&] { return results.size() >= count; });
  }
};

TEST(ProxyTest, ARunProbesEveryCandidateOnceAndNeverMoreThanSixteenAtATime) {
  std::vector<std::string> candidates;
  for (int i = 0; i < 40; ++i) candidates.push_back("p:" + std::to_string(i));
  auto reports = std::make_shared<Reports>();
  auto running = std::make_shared<std::atomic<int>>(0);
  auto most = std::make_shared<std::atomic<int>>(0);
  proxytest::ProbeRun::Start(
      candidates,
      [running, most](const std::string& proxy) {
        const int now = ++*running;
        for (int seen = *most; now > seen && !most->compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --*running;
        return Response{false, 200, proxy == "p:7" ? "Microsoft Connect Test" : "", 0};
      },
      [reports](const proxytest::ProbeResult& result) { reports->Add(result); });
  ASSERT_TRUE(reports->WaitFor(40));
  std::vector<std::string> probed;
  for (const auto& r : reports->results) probed.push_back(r.proxy);
  std::sort(probed.begin(), probed.end());
  std::sort(candidates.begin(), candidates.end());
  EXPECT_EQ(probed, candidates);
  EXPECT_LE(most->load(), 16);
  EXPECT_GT(most->load(), 1) << "the probes ran side by side";
}

TEST(ProxyTest, ACancelledRunTakesNoFurtherCandidate) {
  auto reports = std::make_shared<Reports>();
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto started = std::make_shared<std::atomic<int>>(0);
  std::vector<std::string> candidates(10, "p");
  for (std::size_t i = 0; i < candidates.size(); ++i) candidates[i] += std::to_string(i);
  auto run = proxytest::ProbeRun::Start(
      candidates,
      [release, started](const std::string&) {
        ++*started;
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return Response{true, 0, "", 12029};
      },
      [reports](const proxytest::ProbeResult& result) { reports->Add(result); },
      proxytest::ProbeWorkers::Create(2));
  while (*started < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  run->Cancel();
  *release = true;
  ASSERT_TRUE(reports->WaitFor(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::lock_guard lock(reports->mutex);
  EXPECT_EQ(reports->results.size(), 2u) << "only the two probes under way";
}

// Probes that wait for the gate to open, counting how many are under way.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int running = 0, most = 0;
  std::vector<std::string> started;
  Response Pass(const std::string& proxy) {
    std::unique_lock lock(mutex);
    started.push_back(proxy);
    most = std::max(most, ++running);
    changed.notify_all();
    changed.wait(lock, [&] { return open; });
    --running;
    return Response{true, 0, "", 12029};
  }
  bool WaitStarted(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10),
                            [&] { return started.size() >= count; });
  }
  std::size_t Started() {
    std::lock_guard lock(mutex);
    return started.size();
  }
  void Open() {
    std::lock_guard lock(mutex);
    open = true;
    changed.notify_all();
  }
};

std::shared_ptr<proxytest::ProbeRun> StartGated(
    const char* prefix, std::size_t count, const std::shared_ptr<Gate>& gate,
    const std::shared_ptr<Reports>& reports,
    const std::shared_ptr<proxytest::ProbeWorkers>& workers,
    std::chrono::milliseconds deadline = std::chrono::milliseconds(proxytest::kTimeoutMs)) {
  std::vector<std::string> candidates;
  for (std::size_t i = 0; i < count; ++i) candidates.push_back(prefix + std::to_string(i));
  return proxytest::ProbeRun::Start(
      candidates, [gate](const std::string& proxy) { return gate->Pass(proxy); },
      [reports](const proxytest::ProbeResult& result) { reports->Add(result); }, workers, deadline);
}

TEST(ProxyTest, RunsOneAfterAnotherShareTheLimitAndProbesUnderWayKeepTheirPlace) {
  auto gate = std::make_shared<Gate>();
  auto reports = std::make_shared<Reports>();
  const auto workers = proxytest::ProbeWorkers::Create(3);
  auto first = StartGated("a", 5, gate, reports, workers);
  ASSERT_TRUE(gate->WaitStarted(3));
  first->Cancel();  // "Test Again"
  StartGated("b", 5, gate, reports, workers);
  StartGated("c", 5, gate, reports, workers);  // a closed window drops its run
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(gate->Started(), 3u) << "the cancelled run's probes under way hold the workers";
  gate->Open();
  ASSERT_TRUE(reports->WaitFor(13));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::lock_guard lock(gate->mutex);
  EXPECT_LE(gate->most, 3);
  EXPECT_EQ(gate->started.size(), 13u) << "three of the first run, all of the others";
  EXPECT_EQ(reports->results.size(), 13u);
}

TEST(ProxyTest, AProbeNotBackByTheDeadlineIsTimedOutThenAndKeepsItsWorkerTillItEnds) {
  auto gate = std::make_shared<Gate>();
  auto reports = std::make_shared<Reports>();
  StartGated("p", 2, gate, reports, proxytest::ProbeWorkers::Create(1),
             std::chrono::milliseconds(50));
  ASSERT_TRUE(reports->WaitFor(1));
  {
    std::lock_guard lock(reports->mutex);
    EXPECT_EQ(reports->results[0].proxy, "p0");
    EXPECT_EQ(proxytest::Reason(reports->results[0]), "timed out");
    EXPECT_EQ(reports->results[0].milliseconds, 50);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(gate->Started(), 1u) << "the late probe still holds the one worker";
  gate->Open();
  ASSERT_TRUE(reports->WaitFor(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::lock_guard lock(reports->mutex);
  ASSERT_EQ(reports->results.size(), 2u) << "the late answer is not reported again";
  EXPECT_EQ(reports->results[1].proxy, "p1");
}

}  // namespace
