#include "proxytest/probe_run.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <system_error>
#include <utility>

#include "common/failure.h"
#include "platform/threads.h"

namespace proxytest {

using platform::sockets::Address;

struct Prober::Attempt {
  enum class Phase { kLookup, kConnect, kSend, kRead };

  Attempt(std::shared_ptr<ProbeRun> run, std::size_t position, std::int64_t start)
      : run(std::move(run)),
        position(position),
        start(start),
        reader(this->run->items_[position].kind) {}

  std::shared_ptr<ProbeRun> run;
  std::size_t position;
  std::int64_t start;
  Phase phase = Phase::kLookup;
  std::uint64_t lookup = 0;  // its number while the name is looked up
  std::unique_ptr<platform::sockets::Stream> stream;
  std::size_t sent = 0;
  AnswerReader reader;
};

// Names handed to the lookup threads, and what they found. Shared with the
// threads, which may outlive a run or the prober's thread.
struct Prober::Lookups {
  struct Job {
    std::uint64_t id;
    std::string host;
    std::uint16_t port;
  };
  struct Found {
    std::uint64_t id;
    platform::sockets::Lookup lookup;
  };
  std::mutex mutex;
  std::deque<Job> jobs;
  std::vector<Found> found;
  std::size_t threads = 0;
};

namespace {
std::atomic<bool> program_prober_made{false};

// A connection that failed, as Winsock told it.
ProbeOutcome Failed(std::uint32_t socket_status) {
  const bool refused = socket_status == platform::sockets::kRefused;
  return {refused ? ProbeStatus::kRefused : ProbeStatus::kUnreachable, 0, {}, socket_status};
}
}  // namespace

const std::shared_ptr<Prober>& Prober::Program() {
  static const std::shared_ptr<Prober> prober = [] {
    auto made = Create(platform::sockets::System());
    program_prober_made = true;
    return made;
  }();
  return prober;
}

void CloseEveryProbe() {
  if (program_prober_made) Prober::Program()->CloseAll(1000);
}

void Prober::CloseAll(unsigned most_ms) {
  std::unique_lock lock(mutex_);
  if (!running_) return;
  close_all_ = true;
  added_.notify_all();
  network_.Wake();
  stopped_.wait_for(lock, std::chrono::milliseconds(most_ms), [&] { return !running_; });
}

std::shared_ptr<Prober> Prober::Create(platform::sockets::Network& network, ProberLimits limits,
                                       bool threads) {
  limits.most_in_flight = std::max<std::size_t>(limits.most_in_flight, 1);
  limits.lookup_threads = std::max<std::size_t>(limits.lookup_threads, 1);
  return std::shared_ptr<Prober>(new Prober(network, limits, threads));
}

Prober::Prober(platform::sockets::Network& network, ProberLimits limits, bool threads)
    : network_(network),
      limits_(limits),
      threads_(threads),
      lookups_(std::make_shared<Lookups>()) {}

Prober::~Prober() = default;

ProbeRun::ProbeRun(std::vector<ProbeItem> items, Report report, Ended ended,
                   const std::shared_ptr<Prober>& prober)
    : items_(std::move(items)),
      report_(std::move(report)),
      ended_(std::move(ended)),
      prober_(prober) {}

std::shared_ptr<ProbeRun> ProbeRun::Start(std::vector<std::string> candidates, Report report,
                                          const std::shared_ptr<Prober>& prober) {
  // Judged without a probe: an entry that names no http proxy, or whose
  // proxy cannot be reached at all.
  std::vector<ProbeItem> items;
  items.reserve(candidates.size());
  for (auto& proxy : candidates) {
    std::optional<Target> target = WorthAProbe(proxy) ? HttpTarget(proxy) : std::nullopt;
    items.push_back({std::move(proxy), std::move(target), ProbeKind::kGet});
  }
  return Start(std::move(items), std::move(report), nullptr, prober);
}

std::shared_ptr<ProbeRun> ProbeRun::Start(std::vector<ProbeItem> items, Report report, Ended ended,
                                          const std::shared_ptr<Prober>& prober) {
  std::shared_ptr<ProbeRun> run(
      new ProbeRun(std::move(items), std::move(report), std::move(ended), prober));
  if (run->Size() > 0)
    prober->Add(run);
  else
    run->End();
  return run;
}

void ProbeRun::End() {
  if (const Ended ended = std::exchange(ended_, nullptr)) ended();
}

void ProbeRun::Cancel() {
  cancelled_ = true;
  if (const auto prober = prober_.lock()) prober->network_.Wake();
}

void Prober::Add(const std::shared_ptr<ProbeRun>& run) {
  std::lock_guard lock(mutex_);
  incoming_.push_back(run);
  added_.notify_all();
  if (threads_ && !running_) {
    try {
      // Detached: closing the window or ending the program never waits for
      // it; it keeps the prober alive until it has no run left.
      platform::threads::StartDetached([self = shared_from_this()] { self->Loop(); });
    } catch (const std::system_error&) {
      incoming_.pop_back();
      throw;
    }
    running_ = true;
  }
  network_.Wake();
}

void Prober::Loop() {
  for (;;) {
    if (Step()) continue;
    std::unique_lock lock(mutex_);
    // "Test Again" cancels a run and starts the next at once: the thread
    // waits a little for it rather than end and make way for another.
    added_.wait_for(lock, std::chrono::seconds(2),
                    [&] { return !incoming_.empty() || close_all_; });
    if (incoming_.empty()) {
      running_ = false;
      close_all_ = false;
      stopped_.notify_all();
      return;
    }
  }
}

bool Prober::Step() {
  return failure::Trap([&] { return StepUntrapped(); },
                       [&] {
                         ReportNotTested();
                         return false;
                       });
}

// No run is left without its reports, whatever failed: a window would
// count "Tested n of m" for ever. When a report was what failed, its proxy
// is owed one too. A run whose report fails even here is told nothing
// more: its own callback is what fails, and each proxy left would only
// fail it again; nothing is left to tell that failure to.
void Prober::ReportNotTested() {
  const ProbeOutcome not_tested{ProbeStatus::kProberFailed};
  for (const auto& run : runs_) {
    const auto heard = [&](std::size_t position) {
      return failure::Trap(
          [&] {
            Report(*run, position, not_tested, 0);
            return true;
          },
          [] { return false; });
    };
    bool hearing = !run->unreported_ || heard(*run->unreported_);
    for (auto attempt = attempts_.begin(); hearing && attempt != attempts_.end(); ++attempt)
      if (attempt->run == run) hearing = heard(attempt->position);
    for (auto waiting = run->waiting_names_.begin();
         hearing && waiting != run->waiting_names_.end(); ++waiting)
      hearing = heard(*waiting);
    for (; hearing && run->next_ < run->Size(); ++run->next_) hearing = heard(run->next_);
    run->next_ = run->Size();
    run->waiting_names_.clear();
    run->under_way_ = 0;
    run->unreported_.reset();
  }
  attempts_.clear();
  // Each told it is over, even one whose reports failed: its owner may be
  // waiting for the end rather than for the reports.
  const auto ended = std::exchange(runs_, {});
  for (const auto& run : ended)
    failure::Trap(
        [&] {
          run->End();
          return true;
        },
        [] { return false; });
}

bool Prober::StepUntrapped() {
  TakeNewRuns();
  DropCancelledRuns();
  TakeLookups();
  StartAttempts();
  Expire(network_.Now());
  // A time-out just told may have been a run's last: with no attempt left,
  // the wait below would have nothing to end it.
  EndFinishedRuns();
  if (runs_.empty()) return false;

  watches_.clear();
  watched_.clear();
  for (auto attempt = attempts_.begin(); attempt != attempts_.end(); ++attempt) {
    if (!attempt->stream) continue;
    const bool read = attempt->phase == Attempt::Phase::kRead;
    watches_.push_back({attempt->stream.get(), !read, read, false});
    watched_.push_back(attempt);
  }
  network_.Wait(watches_, UntilFirstDeadline(network_.Now()));
  for (std::size_t i = 0; i < watches_.size(); ++i)
    if (watches_[i].ready) Advance(watched_[i]);
  Expire(network_.Now());
  return true;
}

void Prober::TakeNewRuns() {
  std::lock_guard lock(mutex_);
  for (auto& run : incoming_) runs_.push_back(std::move(run));
  incoming_.clear();
  if (close_all_)
    for (const auto& run : runs_) run->cancelled_ = true;
}

// Takes the runs that `over` picks out of the prober's, then tells each it
// is over.
template <class Over>
void Prober::EndRuns(Over over) {
  std::vector<std::shared_ptr<ProbeRun>> ended;
  std::erase_if(runs_, [&](const std::shared_ptr<ProbeRun>& run) {
    if (!over(*run)) return false;
    ended.push_back(run);
    return true;
  });
  for (const auto& run : ended) run->End();
}

void Prober::DropCancelledRuns() {
  std::erase_if(attempts_, [](const Attempt& attempt) { return attempt.run->cancelled_.load(); });
  EndRuns([](const ProbeRun& run) { return run.cancelled_.load(); });
}

void Prober::TakeLookups() {
  std::vector<Lookups::Found> found;
  {
    std::lock_guard lock(lookups_->mutex);
    found.swap(lookups_->found);
  }
  // All counted off at once: a report that fails ends the turn part way.
  lookups_under_way_ -= found.size();
  for (auto& done : found) {
    // Gone when its run was cancelled or its time ran out meanwhile.
    const auto attempt = std::find_if(attempts_.begin(), attempts_.end(), [&](const Attempt& a) {
      return a.phase == Attempt::Phase::kLookup && a.lookup == done.id;
    });
    if (attempt == attempts_.end()) continue;
    if (done.lookup.address)
      Connect(attempt, *done.lookup.address);
    else
      Finish(attempt, {ProbeStatus::kUnreachable, 0, {}, done.lookup.error},
             network_.Now() - attempt->start);
  }
}

void Prober::StartAttempts() {
  for (const auto& run : runs_) {
    while (attempts_.size() < limits_.most_in_flight) {
      if (!run->waiting_names_.empty() && lookups_under_way_ < limits_.lookup_threads) {
        const std::size_t position = run->waiting_names_.front();
        run->waiting_names_.pop_front();
        LookUp(run, position, *run->items_[position].target);
      } else if (run->next_ < run->Size()) {
        Begin(run, run->next_++);
      } else {
        break;
      }
    }
  }
  EndFinishedRuns();
}

// A run is over once every candidate has been reported.
void Prober::EndFinishedRuns() {
  EndRuns([](const ProbeRun& run) {
    return run.next_ >= run.Size() && run.waiting_names_.empty() && run.under_way_ == 0;
  });
}

void Prober::Begin(const std::shared_ptr<ProbeRun>& run, std::size_t position) {
  const auto& target = run->items_[position].target;
  if (!target) {
    Report(*run, position, {ProbeStatus::kUnreachable}, 0);
    return;
  }
  if (const auto address = network_.Numeric(target->host, target->port)) {
    ++run->under_way_;
    const std::int64_t now = network_.Now();
    Connect(attempts_.emplace(attempts_.end(), run, position, now), *address);
  } else if (lookups_under_way_ < limits_.lookup_threads) {
    LookUp(run, position, *target);
  } else {
    run->waiting_names_.push_back(position);
  }
}

// The attempt's time starts with its lookup: a name that takes long to find
// is a proxy that takes long to reach.
void Prober::LookUp(const std::shared_ptr<ProbeRun>& run, std::size_t position,
                    const Target& target) {
  ++run->under_way_;
  ++lookups_under_way_;
  const std::uint64_t id = ++last_lookup_;
  attempts_.emplace_back(run, position, network_.Now()).lookup = id;

  auto look_up = [&network = network_, lookups = lookups_] {
    for (;;) {
      std::unique_lock lock(lookups->mutex);
      if (lookups->jobs.empty()) {
        --lookups->threads;
        return;
      }
      Lookups::Job job = std::move(lookups->jobs.front());
      lookups->jobs.pop_front();
      lock.unlock();
      platform::sockets::Lookup found = failure::Trap(
          [&] { return network.Resolve(job.host, job.port); },
          [] {
            return platform::sockets::Lookup{std::nullopt, platform::sockets::kNoSuchHost};
          });
      lock.lock();
      lookups->found.push_back({job.id, std::move(found)});
      lock.unlock();
      network.Wake();
    }
  };
  std::unique_lock lock(lookups_->mutex);
  lookups_->jobs.push_back({id, target.host, target.port});
  if (threads_ && lookups_->threads < limits_.lookup_threads) {
    try {
      platform::threads::StartDetached(look_up);
      ++lookups_->threads;
      return;
    } catch (const std::system_error&) {
      if (lookups_->threads > 0) return;  // those there are take it in turn
    }
  }
  if (lookups_->threads > 0) return;
  // No thread of its own: looked up here, the others waiting meanwhile.
  ++lookups_->threads;
  lock.unlock();
  look_up();
  TakeLookups();
}

void Prober::Connect(std::list<Attempt>::iterator attempt, const Address& address) {
  std::uint32_t error = 0;
  attempt->stream = network_.Connect(address, error);
  attempt->phase = Attempt::Phase::kConnect;
  if (!attempt->stream) Finish(attempt, Failed(error), network_.Now() - attempt->start);
}

// The attempt's stream is ready: the next step of its exchange.
void Prober::Advance(std::list<Attempt>::iterator attempt) {
  auto failed = [&](std::uint32_t error) {
    Finish(attempt, Failed(error), network_.Now() - attempt->start);
  };
  if (attempt->phase == Attempt::Phase::kConnect) {
    if (const std::uint32_t error = attempt->stream->ConnectError()) return failed(error);
    attempt->phase = Attempt::Phase::kSend;
  }
  if (attempt->phase == Attempt::Phase::kSend) {
    const std::string& request = RequestFor(attempt->run->items_[attempt->position].kind);
    const auto moved = attempt->stream->Send(std::string_view(request).substr(attempt->sent));
    if (moved.error) return failed(moved.error);
    attempt->sent += moved.bytes;
    if (attempt->sent == request.size()) attempt->phase = Attempt::Phase::kRead;
    return;
  }
  // A proxy that pours out more than the verdict needs is read a few
  // buffers at a time, so the others are not kept waiting.
  std::array<char, 4096> buffer;
  for (int turn = 0; turn < 4; ++turn) {
    const auto moved = attempt->stream->Receive(buffer);
    if (moved.later) return;
    if (moved.error) return failed(moved.error);
    if (moved.bytes == 0)
      attempt->reader.End();
    else
      attempt->reader.Take(std::string_view(buffer.data(), moved.bytes));
    if (attempt->reader.Done() || moved.bytes == 0)
      return Finish(attempt, attempt->reader.Answer(), network_.Now() - attempt->start);
  }
}

void Prober::Expire(std::int64_t now) {
  for (auto attempt = attempts_.begin(); attempt != attempts_.end();) {
    const auto current = attempt++;
    const bool connecting =
        current->phase == Attempt::Phase::kLookup || current->phase == Attempt::Phase::kConnect;
    const unsigned limit = connecting ? limits_.connect_ms : limits_.answer_ms;
    if (now - current->start < limit) continue;
    // Some systems' WSAPoll never reports a refused connection: asked at
    // the deadline, it is told apart from one that never answered.
    const std::uint32_t error = current->stream && current->phase == Attempt::Phase::kConnect
                                    ? current->stream->ConnectError()
                                    : 0;
    Finish(current, error ? Failed(error) : ProbeOutcome{ProbeStatus::kTimedOut}, limit);
  }
}

int Prober::UntilFirstDeadline(std::int64_t now) const {
  std::int64_t first = std::numeric_limits<std::int64_t>::max();
  for (const Attempt& attempt : attempts_) {
    const bool connecting =
        attempt.phase == Attempt::Phase::kLookup || attempt.phase == Attempt::Phase::kConnect;
    first = std::min<std::int64_t>(
        first, attempt.start + (connecting ? limits_.connect_ms : limits_.answer_ms));
  }
  if (first == std::numeric_limits<std::int64_t>::max()) return -1;  // until woken
  return static_cast<int>(std::clamp<std::int64_t>(first - now, 0, limits_.answer_ms));
}

void Prober::Finish(std::list<Attempt>::iterator attempt, const ProbeOutcome& outcome,
                    std::int64_t milliseconds) {
  const std::shared_ptr<ProbeRun> run = std::move(attempt->run);
  const std::size_t position = attempt->position;
  attempts_.erase(attempt);  // closed before the result is told
  --run->under_way_;
  Report(*run, position, outcome, milliseconds);
}

// A report that throws fails the turn, which tells the run's proxies left
// that the test failed, this one among them.
void Prober::Report(ProbeRun& run, std::size_t position, const ProbeOutcome& outcome,
                    std::int64_t milliseconds) {
  if (run.cancelled_) return;
  run.unreported_ = position;
  const ProbeItem& item = run.items_[position];
  run.report_(Judge(item.proxy, position, outcome, milliseconds, item.kind));
  run.unreported_.reset();
}

}  // namespace proxytest
