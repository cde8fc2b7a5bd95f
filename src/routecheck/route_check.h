// The route check: once the proxy is switched on, and before anything is
// deleted, the prober tries the proxies the browsers now take, as they take
// them: the connectivity probe's page through the proxy for http, and a
// tunnel (CONNECT) to its host's https port through the proxy for https,
// both at once, each with 3 s to connect and 8 s in all, nothing cached
// and no cookie sent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "proxytest/probe_run.h"
#include "routecheck/browser_route.h"

namespace routecheck {

// How long a blocking check waits for the prober at most: the probes' own
// limit, and a little for the prober to tell it.
inline constexpr unsigned kCheckMs = proxytest::kTimeoutMs + 1000;

// What the check found for one scheme's pages.
struct SchemeCheck {
  std::string scheme;                // "http" or "https"
  std::optional<std::string> proxy;  // "host:port" the browsers take; nothing: direct
  bool works = false;
  std::int64_t milliseconds = 0;  // the probe's, from its start to its answer
  // Short, when it does not work: "refused or unreachable", "timed out",
  // "asks for a proxy password (HTTP 407)", "answered with a page that is
  // not the test page (a login page?)", "refused the tunnel (HTTP 403)",
  // "goes direct, not through the proxy" ...
  std::string problem;
  // False when the check could not tell whether pages load: not checked,
  // a proxy the check does not speak to, a route a script decides.
  bool known = true;
};

struct RouteReport {
  SchemeCheck http, https;
  bool Works() const { return http.works && https.works; }
  // When it does not work, the core of the one message: which failed, how,
  // and what it means ("web pages will not load through it", "https pages
  // will not load"), a line for each.
  std::optional<std::string> Problem() const;
};

using RouteDone = std::function<void(const RouteReport& report)>;

// Starts both probes at once on the prober and returns: `done` is called
// once, on the prober's thread, when both have ended (a check cancelled,
// or closed by proxytest::CloseEveryProbe, tells its unfinished schemes as
// not checked). A route with nothing to probe is told at once, on the
// caller's thread. The run, for a caller that cancels it; null when
// nothing was probed. Throws std::system_error when the prober's thread
// cannot start.
std::shared_ptr<proxytest::ProbeRun> StartRouteCheck(
    const BrowserRoute& route, RouteDone done,
    const std::shared_ptr<proxytest::Prober>& prober = proxytest::Prober::Program());

// The same, waiting for the report (kCheckMs at most): for a task of its
// own, off the window's thread. A prober that cannot start tells both
// schemes as not checked.
RouteReport CheckRoute(const BrowserRoute& route, const std::shared_ptr<proxytest::Prober>& prober =
                                                      proxytest::Prober::Program());

// The browsers' route as the system hands it to them now.
BrowserRoute BrowsersRoute();

// BrowsersRoute, checked.
RouteReport CheckBrowsersRoute();

}  // namespace routecheck
