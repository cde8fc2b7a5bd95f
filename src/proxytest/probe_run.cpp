#include "proxytest/probe_run.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "common/failure.h"

namespace proxytest {

using Clock = std::chrono::steady_clock;

struct ProbeWorkers::Underway {
  std::shared_ptr<ProbeRun> run;
  std::size_t position = 0;
  Clock::time_point start;
  bool reported = false;  // by its worker or, at the deadline, by the watch
};

const std::shared_ptr<ProbeWorkers>& ProbeWorkers::Program() {
  static const std::shared_ptr<ProbeWorkers> workers = Create(kMostAtOnce);
  return workers;
}

std::shared_ptr<ProbeWorkers> ProbeWorkers::Create(std::size_t most_at_once) {
  return std::shared_ptr<ProbeWorkers>(new ProbeWorkers(std::max<std::size_t>(most_at_once, 1)));
}

ProbeRun::ProbeRun(std::vector<std::string> candidates, Probe probe, Report report,
                   std::chrono::milliseconds deadline)
    : candidates_(std::move(candidates)),
      probe_(std::move(probe)),
      report_(std::move(report)),
      deadline_(deadline) {}

std::shared_ptr<ProbeRun> ProbeRun::Start(std::vector<std::string> candidates, Probe probe,
                                          Report report,
                                          const std::shared_ptr<ProbeWorkers>& workers,
                                          std::chrono::milliseconds deadline) {
  std::shared_ptr<ProbeRun> run(
      new ProbeRun(std::move(candidates), std::move(probe), std::move(report), deadline));
  if (run->Size() > 0) workers->Add(run);
  return run;
}

void ProbeWorkers::Add(const std::shared_ptr<ProbeRun>& run) {
  std::lock_guard lock(mutex_);
  waiting_.push_back(run);
  // Workers busy with an earlier run take this one's candidates as they come
  // free; new ones are started only up to the limit.
  const std::size_t wanted = std::min(most_ - workers_, run->Size());
  for (std::size_t i = 0; i < wanted; ++i) {
    try {
      // Detached: closing the window must not wait for a proxy that never
      // answers; each worker keeps the workers alive until it ends.
      std::thread([self = shared_from_this()] { self->Work(); }).detach();
    } catch (const std::system_error&) {
      if (workers_ > 0) break;  // those there are take the candidates in turn
      waiting_.pop_back();
      throw;
    }
    ++workers_;
  }
}

// Under the lock: the next candidate of the oldest run that has one left.
std::shared_ptr<ProbeWorkers::Underway> ProbeWorkers::TakeNext() {
  while (!waiting_.empty()) {
    ProbeRun& run = *waiting_.front();
    if (run.cancelled_ || run.next_ >= run.Size()) {
      waiting_.pop_front();
      continue;
    }
    auto probe = std::make_shared<Underway>();
    probe->run = waiting_.front();
    probe->position = run.next_++;
    probe->start = Clock::now();
    return probe;
  }
  return nullptr;
}

void ProbeWorkers::Work() {
  std::unique_lock lock(mutex_);
  while (const std::shared_ptr<Underway> probe = TakeNext()) {
    underway_.push_back(probe);
    if (!watching_) {
      try {
        std::thread([self = shared_from_this()] { self->Watch(); }).detach();
        watching_ = true;
      } catch (const std::system_error&) {
        // Without a watch every probe is reported when it comes back.
      }
    }
    changed_.notify_all();
    lock.unlock();

    const ProbeRun& run = *probe->run;
    const std::string& proxy = run.candidates_[probe->position];
    // A probe that cannot be made at all is a proxy that cannot be reached.
    const platform::transfer::Response answer =
        !WorthAProbe(proxy) ? platform::transfer::Response{true, 0, {}}
                            : failure::Trap([&] { return run.probe_(proxy); },
                                            [] {
                                              return platform::transfer::Response{true, 0, {}};
                                            });
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - probe->start);

    lock.lock();
    underway_.remove(probe);
    const bool late = std::exchange(probe->reported, true);
    changed_.notify_all();
    lock.unlock();
    // A failure on a worker thread has no window to report it: it is passed
    // over, as the step of one proxy.
    if (!late)
      failure::PassOver(
          [&] { run.report_(Judge(proxy, probe->position, answer, elapsed.count())); });
    lock.lock();
  }
  --workers_;
}

// Reports each probe still under way at its deadline as timed out, for as
// long as there are probes under way.
void ProbeWorkers::Watch() {
  std::unique_lock lock(mutex_);
  while (!underway_.empty()) {
    std::shared_ptr<Underway> first;
    for (const auto& probe : underway_)
      if (!probe->reported &&
          (!first || probe->start + probe->run->deadline_ < first->start + first->run->deadline_))
        first = probe;
    if (!first) {
      changed_.wait(lock);
      continue;
    }
    const Clock::time_point due = first->start + first->run->deadline_;
    if (Clock::now() < due) {
      changed_.wait_until(lock, due);
      continue;
    }
    first->reported = true;
    lock.unlock();
    const ProbeRun& run = *first->run;
    failure::PassOver([&] {
      run.report_(Judge(run.candidates_[first->position], first->position,
                        {true, 0, {}, platform::transfer::kTimedOut}, run.deadline_.count()));
    });
    lock.lock();
  }
  watching_ = false;
}

}  // namespace proxytest
