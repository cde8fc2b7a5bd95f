// A test of many proxies at once: each candidate is probed once on a worker
// thread, and the results are reported on other threads as they come. The
// workers are the program's, not a run's: however many runs are started,
// cancelled or dropped, no more than the limit of probes are under way at
// once, and a probe that is still under way keeps its worker.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/transfer.h"
#include "proxytest/verdict.h"

namespace proxytest {

inline constexpr std::size_t kMostAtOnce = 16;

class ProbeRun;

// The worker threads the runs share: there are never more of them than the
// limit, and they end when no candidate is left.
class ProbeWorkers : public std::enable_shared_from_this<ProbeWorkers> {
 public:
  // The program's own, kMostAtOnce at a time.
  static const std::shared_ptr<ProbeWorkers>& Program();
  static std::shared_ptr<ProbeWorkers> Create(std::size_t most_at_once);

 private:
  friend class ProbeRun;
  struct Underway;  // a probe a worker is making

  explicit ProbeWorkers(std::size_t most_at_once) : most_(most_at_once) {}
  void Add(const std::shared_ptr<ProbeRun>& run);
  void Work();
  void Watch();
  std::shared_ptr<Underway> TakeNext();

  const std::size_t most_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t workers_ = 0;
  bool watching_ = false;
  std::deque<std::shared_ptr<ProbeRun>> waiting_;  // runs with candidates left, oldest first
  std::list<std::shared_ptr<Underway>> underway_;
};

class ProbeRun {
 public:
  using Probe = std::function<platform::transfer::Response(const std::string& proxy)>;
  // Called on a worker thread, once for each candidate probed.
  using Report = std::function<void(const ProbeResult& result)>;

  // Queues the candidates with the workers and returns at once. The workers
  // hold what they need: the run may be dropped before they are done. A
  // probe not back within the deadline is reported timed out then; its late
  // answer is dropped.
  static std::shared_ptr<ProbeRun> Start(
      std::vector<std::string> candidates, Probe probe, Report report,
      const std::shared_ptr<ProbeWorkers>& workers = ProbeWorkers::Program(),
      std::chrono::milliseconds deadline = std::chrono::milliseconds(kTimeoutMs));

  // No candidate is taken up after this; probes under way end on their own.
  void Cancel() { cancelled_ = true; }
  std::size_t Size() const { return candidates_.size(); }

 private:
  friend class ProbeWorkers;
  ProbeRun(std::vector<std::string> candidates, Probe probe, Report report,
           std::chrono::milliseconds deadline);

  const std::vector<std::string> candidates_;
  const Probe probe_;
  const Report report_;
  const std::chrono::milliseconds deadline_;
  std::size_t next_ = 0;  // under the workers' lock
  std::atomic<bool> cancelled_{false};
};

}  // namespace proxytest
