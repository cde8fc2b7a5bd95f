// A test of many proxies at once: each candidate is probed once, up to 16 at
// a time, each on a worker thread of its own; the results are reported on
// those threads as they come.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/transfer.h"
#include "proxytest/verdict.h"

namespace proxytest {

inline constexpr std::size_t kMostAtOnce = 16;

class ProbeRun {
 public:
  using Probe = std::function<platform::transfer::Response(const std::string& proxy)>;
  // Called on a worker thread, once for each candidate probed.
  using Report = std::function<void(const ProbeResult& result)>;

  // Starts the workers and returns at once. They hold what they need: the
  // run may be dropped before they are done.
  static std::shared_ptr<ProbeRun> Start(std::vector<std::string> candidates, Probe probe,
                                         Report report, std::size_t most_at_once = kMostAtOnce);

  // No candidate is taken up after this; probes under way end on their own.
  void Cancel() { cancelled_ = true; }
  std::size_t Size() const { return candidates_.size(); }

 private:
  ProbeRun(std::vector<std::string> candidates, Probe probe, Report report);
  void Work();

  const std::vector<std::string> candidates_;
  const Probe probe_;
  const Report report_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> cancelled_{false};
};

}  // namespace proxytest
