#include "proxytest/probe_run.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/failure.h"

namespace proxytest {

ProbeRun::ProbeRun(std::vector<std::string> candidates, Probe probe, Report report)
    : candidates_(std::move(candidates)), probe_(std::move(probe)), report_(std::move(report)) {}

std::shared_ptr<ProbeRun> ProbeRun::Start(std::vector<std::string> candidates, Probe probe,
                                          Report report, std::size_t most_at_once) {
  std::shared_ptr<ProbeRun> run(
      new ProbeRun(std::move(candidates), std::move(probe), std::move(report)));
  const std::size_t workers = std::min(std::max<std::size_t>(most_at_once, 1), run->Size());
  // Detached: closing the window must not wait for a proxy that never
  // answers; each worker keeps the run alive until it is done.
  for (std::size_t i = 0; i < workers; ++i) std::thread([run] { run->Work(); }).detach();
  return run;
}

void ProbeRun::Work() {
  for (;;) {
    if (cancelled_) return;
    const std::size_t position = next_++;
    if (position >= candidates_.size()) return;
    const std::string& proxy = candidates_[position];
    const auto start = std::chrono::steady_clock::now();
    // A probe that cannot be made at all is a proxy that cannot be reached.
    const platform::transfer::Response answer =
        failure::Trap([&] { return probe_(proxy); },
                      [] {
                        return platform::transfer::Response{true, 0, {}};
                      });
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    // A failure on a worker thread has no window to report it: it is passed
    // over, as the step of one proxy.
    failure::PassOver([&] { report_(Judge(proxy, position, answer, elapsed)); });
  }
}

}  // namespace proxytest
