// A test of many proxies at once. One thread of the program's, the prober,
// makes every probe (a GET of the probe URL, or a tunnel's CONNECT): it
// opens a connection per candidate without waiting for it, watches hundreds
// of them together and reads each answer as it comes, until the answer says
// enough or the time is up. Host names are
// looked up on a thread or two beside it, since a lookup blocks. Results
// are reported on the prober's thread as they come; a cancelled run's
// connections are closed at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "proxytest/probe.h"
#include "proxytest/verdict.h"

namespace proxytest {

// A proxy that has not accepted the connection by then is timed out; the
// answer keeps kTimeoutMs from the start.
inline constexpr unsigned kConnectTimeoutMs = 3000;

struct ProberLimits {
  // Connections in flight at once in the whole program. A run lasts about
  // as long as it takes the last candidate to start, plus its time-out:
  // with this many, 2,000 proxies that never answer start in two waves,
  // and the memory stays small (no buffer is kept for a silent proxy).
  std::size_t most_in_flight = 1024;
  std::size_t lookup_threads = 2;
  unsigned connect_ms = kConnectTimeoutMs;
  unsigned answer_ms = kTimeoutMs;
};

class ProbeRun;

class Prober : public std::enable_shared_from_this<Prober> {
 public:
  // The program's, over the system's sockets.
  static const std::shared_ptr<Prober>& Program();
  // With `threads` the prober runs on a thread of its own while it has work,
  // and looks names up on threads too; without, the caller turns Step, and
  // names are looked up inside it.
  static std::shared_ptr<Prober> Create(platform::sockets::Network& network,
                                        ProberLimits limits = {}, bool threads = true);
  ~Prober();

  // One turn: takes up new runs and candidates, waits for the network or
  // the first deadline, and reports what that settled. False when no run is
  // left. A turn that fails (a report that throws fails it too) reports
  // every proxy not yet reported as not tested, and the runs under way end
  // there, their connections closed.
  bool Step();

  // Cancels every run and returns once the prober's thread has closed their
  // connections, or after `most_ms` should it not come to it.
  void CloseAll(unsigned most_ms);

 private:
  friend class ProbeRun;
  struct Attempt;
  struct Lookups;

  Prober(platform::sockets::Network& network, ProberLimits limits, bool threads);
  void Add(const std::shared_ptr<ProbeRun>& run);
  void Loop();
  bool StepUntrapped();
  void ReportNotTested();
  void TakeNewRuns();
  template <class Over>
  void EndRuns(Over over);
  void DropCancelledRuns();
  void EndFinishedRuns();
  void TakeLookups();
  void StartAttempts();
  void Begin(const std::shared_ptr<ProbeRun>& run, std::size_t position);
  void LookUp(const std::shared_ptr<ProbeRun>& run, std::size_t position, const Target& target);
  void Connect(std::list<Attempt>::iterator attempt, const platform::sockets::Address& address);
  void Advance(std::list<Attempt>::iterator attempt);
  void Expire(std::int64_t now);
  int UntilFirstDeadline(std::int64_t now) const;
  void Finish(std::list<Attempt>::iterator attempt, const ProbeOutcome& outcome,
              std::int64_t milliseconds);
  void Report(ProbeRun& run, std::size_t position, const ProbeOutcome& outcome,
              std::int64_t milliseconds);

  platform::sockets::Network& network_;
  const ProberLimits limits_;
  const bool threads_;

  std::mutex mutex_;  // over the five below
  std::condition_variable added_;
  std::condition_variable stopped_;
  std::vector<std::shared_ptr<ProbeRun>> incoming_;
  bool running_ = false;
  bool close_all_ = false;

  // The prober's own, touched by its thread only.
  std::deque<std::shared_ptr<ProbeRun>> runs_;  // oldest first
  std::list<Attempt> attempts_;
  std::vector<platform::sockets::Watch> watches_;
  std::vector<std::list<Attempt>::iterator> watched_;
  std::shared_ptr<Lookups> lookups_;
  std::size_t lookups_under_way_ = 0;
  std::uint64_t last_lookup_ = 0;
};

// Closes the connections of every test under way before the program ends,
// so that no proxy is left holding one (the process's end may leave that to
// the system, which under Wine does not always close them). Nothing to do
// when no test was ever started.
void CloseEveryProbe();

class ProbeRun {
 public:
  // Called on the prober's thread, once for each candidate.
  using Report = std::function<void(const ProbeResult& result)>;
  // Called once when the run is over: every item reported, the run
  // cancelled (by Cancel, or by CloseAll as the program ends), or ended by a
  // failed turn. On the prober's thread; for a run of no item, at once on
  // the caller's. One that throws fails the turn, as a report does.
  using Ended = std::function<void()>;

  // Hands the candidates to the prober and returns at once: the GET of the
  // probe URL through the proxy each names for http. The run may be dropped
  // before it is done: the prober holds what it needs.
  static std::shared_ptr<ProbeRun> Start(std::vector<std::string> candidates, Report report,
                                         const std::shared_ptr<Prober>& prober = Prober::Program());
  // The same for probes of any kind, each with its own target; the results'
  // positions are the items'.
  static std::shared_ptr<ProbeRun> Start(std::vector<ProbeItem> items, Report report, Ended ended,
                                         const std::shared_ptr<Prober>& prober = Prober::Program());

  // No candidate is taken up after this, nothing more is reported, and the
  // run's connections are closed at once.
  void Cancel();
  std::size_t Size() const { return items_.size(); }

 private:
  friend class Prober;
  ProbeRun(std::vector<ProbeItem> items, Report report, Ended ended,
           const std::shared_ptr<Prober>& prober);
  void End();

  const std::vector<ProbeItem> items_;
  const Report report_;
  Ended ended_;  // emptied once called
  const std::weak_ptr<Prober> prober_;
  std::atomic<bool> cancelled_{false};
  // The prober's, on its thread.
  std::size_t next_ = 0;
  std::deque<std::size_t> waiting_names_;  // for a lookup thread to come free
  std::size_t under_way_ = 0;
  std::optional<std::size_t> unreported_;  // whose report is under way, or failed
};

}  // namespace proxytest
