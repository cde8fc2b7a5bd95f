#include "routecheck/route_check.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace routecheck {
namespace {

using proxytest::ProbeKind;
using proxytest::Verdict;

constexpr char kStopped[] = "not checked: the check was stopped";
constexpr char kLate[] = "not checked: the check ran out of time";
constexpr char kNotStarted[] = "not checked: the check could not start";

const char* NameOf(ProxyScheme scheme) {
  switch (scheme) {
    case ProxyScheme::kHttps:
      return "HTTPS";
    case ProxyScheme::kSocks4:
      return "SOCKS4";
    case ProxyScheme::kSocks5:
      return "SOCKS5";
    case ProxyScheme::kHttp:
      break;
  }
  return "HTTP";
}

// What one probe found, in the report's words.
void Describe(SchemeCheck& check, const proxytest::ProbeResult& result, ProbeKind kind) {
  check.milliseconds = result.milliseconds;
  const std::string status = "(HTTP " + std::to_string(result.http_status) + ")";
  switch (result.verdict) {
    case Verdict::kWorks:
      check.works = true;
      return;
    case Verdict::kTimedOut:
      check.problem = "timed out";
      return;
    case Verdict::kHttpStatus:
      if (result.http_status == 407)
        check.problem = "asks for a proxy password " + status;
      else if (kind == ProbeKind::kConnect)
        check.problem = "refused the tunnel " + status;
      else
        check.problem = "answered with an error instead of the test page " + status;
      return;
    case Verdict::kUnexpectedAnswer:
      check.problem = result.ended == proxytest::ProbeStatus::kNotHttp
                          ? "answered, though not in HTTP"
                          : "answered with a page that is not the test page (a login page?)";
      return;
    case Verdict::kNotTested:
      check.known = false;
      check.problem = "not checked: the check itself failed";
      return;
    case Verdict::kUnreachable:
    case Verdict::kRefusedText:  // not for a proxy the route names
      break;
  }
  check.problem = "refused or unreachable";
}

// One check under way: what each scheme's probe found so far, and whom to
// tell once both are in. Shared by the prober's thread and the caller's.
class CheckState {
 public:
  CheckState(const BrowserRoute& route, RouteDone done) : done_(std::move(done)) {
    report_.http = Plan(route, route.http, "http", ProbeKind::kGet);
    report_.https = Plan(route, route.https, "https", ProbeKind::kConnect);
  }

  std::vector<proxytest::ProbeItem> TakeItems() { return std::exchange(items_, {}); }

  // On the prober's thread, as each result comes.
  void Take(const proxytest::ProbeResult& result) {
    {
      std::lock_guard lock(mutex_);
      const std::size_t scheme = scheme_of_[result.position];
      Describe(Scheme(scheme), result, scheme == 0 ? ProbeKind::kGet : ProbeKind::kConnect);
      pending_[scheme] = false;
      if (pending_[0] || pending_[1]) return;
    }
    Finish(kStopped);  // nothing is pending: told at once, before the run's end
  }

  // Tells the report once; a scheme still pending is told as `unfinished`.
  void Finish(const char* unfinished) {
    RouteDone done;
    RouteReport report;
    {
      std::lock_guard lock(mutex_);
      if (!done_) return;
      for (std::size_t scheme = 0; scheme < 2; ++scheme) {
        if (!pending_[scheme]) continue;
        Scheme(scheme).known = false;
        Scheme(scheme).problem = unfinished;
        pending_[scheme] = false;
      }
      done = std::exchange(done_, nullptr);
      report = report_;
    }
    done(report);
  }

 private:
  SchemeCheck& Scheme(std::size_t index) { return index == 0 ? report_.http : report_.https; }

  // The scheme's check as far as the route tells it, and its probe when it
  // needs one.
  SchemeCheck Plan(const BrowserRoute& route, const std::optional<RouteProxy>& proxy,
                   const char* scheme, ProbeKind kind) {
    SchemeCheck check;
    check.scheme = scheme;
    if (route.decided_by) {
      check.known = false;
      check.problem = "decided by " + *route.decided_by + ", not by the proxy set";
      return check;
    }
    if (!proxy && route.unread) {
      check.problem = "goes direct: the browsers cannot read the proxy settings (error " +
                      std::to_string(route.unread->code) + ")";
      return check;
    }
    if (!proxy) {
      check.problem = "goes direct, not through the proxy";
      return check;
    }
    check.proxy = proxy->HostPort();
    if (proxy->scheme != ProxyScheme::kHttp) {
      check.known = false;
      check.problem = std::string("goes through a proxy of another kind (") +
                      NameOf(proxy->scheme) + "), which the check cannot try";
      return check;
    }
    const std::size_t index = kind == ProbeKind::kGet ? 0 : 1;
    pending_[index] = true;
    scheme_of_.push_back(index);
    items_.push_back({*check.proxy, proxy->target, kind});
    return check;
  }

  std::mutex mutex_;  // over the report, what is pending and whom to tell
  RouteReport report_;
  std::array<bool, 2> pending_{};       // http, https
  std::vector<std::size_t> scheme_of_;  // by the probe's position
  std::vector<proxytest::ProbeItem> items_;
  RouteDone done_;  // emptied once called
};

std::shared_ptr<proxytest::ProbeRun> Start(const std::shared_ptr<CheckState>& state,
                                           const std::shared_ptr<proxytest::Prober>& prober) {
  std::vector<proxytest::ProbeItem> items = state->TakeItems();
  if (items.empty()) {
    state->Finish(kStopped);  // nothing is pending: told as planned
    return nullptr;
  }
  return proxytest::ProbeRun::Start(
      std::move(items), [state](const proxytest::ProbeResult& result) { state->Take(result); },
      [state] { state->Finish(kStopped); }, prober);
}

}  // namespace

std::optional<std::string> RouteReport::Problem() const {
  if (Works()) return std::nullopt;
  // What a failure means for the pages of one scheme, or of both.
  const auto line = [](const SchemeCheck& check, bool both) {
    const std::string pages = both ? "pages" : check.scheme == "http" ? "web pages" : "https pages";
    const std::string schemes = both ? "http and https" : check.scheme;
    std::string meaning;
    if (!check.known)
      meaning = "whether " + pages + " load through the proxy is not known";
    else if (!check.proxy)
      meaning = "sites will see your own address";
    else if (both || check.scheme == "http")
      meaning = "web pages will not load through it";
    else
      meaning = "https pages will not load";
    const std::string who = check.proxy ? "The proxy " + *check.proxy +
                                              (both ? " (" + schemes + ")" : " for " + schemes)
                                        : schemes;
    return who + ": " + check.problem + ", so " + meaning + ".";
  };
  const bool alike = !http.works && !https.works && http.proxy == https.proxy &&
                     http.problem == https.problem && http.known == https.known;
  if (alike) return line(http, true);
  std::string lines;
  for (const SchemeCheck* check : {&http, &https})
    if (!check->works) {
      if (!lines.empty()) lines += '\n';
      lines += line(*check, false);
    }
  return lines;
}

std::shared_ptr<proxytest::ProbeRun> StartRouteCheck(
    const BrowserRoute& route, RouteDone done, const std::shared_ptr<proxytest::Prober>& prober) {
  return Start(std::make_shared<CheckState>(route, std::move(done)), prober);
}

RouteReport CheckRoute(const BrowserRoute& route,
                       const std::shared_ptr<proxytest::Prober>& prober) {
  struct Waiting {
    std::mutex mutex;
    std::condition_variable told;
    std::optional<RouteReport> report;
  };
  const auto waiting = std::make_shared<Waiting>();
  const auto state = std::make_shared<CheckState>(route, [waiting](const RouteReport& report) {
    std::lock_guard lock(waiting->mutex);
    waiting->report = report;
    waiting->told.notify_all();
  });
  std::shared_ptr<proxytest::ProbeRun> run;
  try {
    run = Start(state, prober);
  } catch (const std::system_error&) {
    state->Finish(kNotStarted);
  }
  std::unique_lock lock(waiting->mutex);
  const auto told = [&] { return waiting->report.has_value(); };
  if (!waiting->told.wait_for(lock, std::chrono::milliseconds(kCheckMs), told)) {
    lock.unlock();
    if (run) run->Cancel();
    state->Finish(kLate);
    lock.lock();
    // Whoever finished first is telling it now.
    waiting->told.wait(lock, told);
  }
  return *waiting->report;
}

BrowserRoute BrowsersRoute() {
  platform::connections::BrowsersConfig config;
  const status::LastError read = platform::connections::BrowsersProxyConfig(config);
  if (read.Succeeded()) return RouteOf(config);
  // As the browsers take it: direct.
  BrowserRoute route;
  route.unread = read;
  return route;
}

RouteReport CheckBrowsersRoute() { return CheckRoute(BrowsersRoute()); }

}  // namespace routecheck
