// Apply: switches the browser to the proxy in the proxy box and wipes the
// traces of the old identity. (Exit, the program's end, is the
// application's.)
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/outcome.h"
#include "common/tasks.h"
#include "proxyswitch/proxy_switch.h"
#include "routecheck/route_check.h"

namespace wipe {

// The stages of Apply's wipe that a long Apply shows its progress in.
enum class Stage {
  kCacheEntries,   // counted
  kCookieFiles,    // the cookie files to the recycle bin
  kRestore,        // the protected cookies copied back
  kBrowserStores,  // counted: the stores' cookies and the caches' files
};

// A message for the window to show, and how its box looks.
using outcome::Message;

// A question for the window to ask in a box with a button for each choice.
struct Question {
  std::string text;
  std::vector<std::string> choices;
  // The answer of a box closed without one: the choice that changes least.
  std::size_t if_closed = 0;
};

// What the commands read from the main window and tell it.
class MainWindowState {
 public:
  virtual ~MainWindowState() = default;
  virtual std::string ProxyText() const = 0;  // the proxy box's text
  virtual void SetProxyText(const std::string& text) = 0;
  virtual void SetProxyTooltip(const std::string& text) = 0;  // the proxy box's tooltip
  virtual std::string CookiesFolder() const = 0;              // as read at the load
  // The stage under way, and what it has deleted so far (0 for a stage
  // that counts nothing): at its start, then now and then.
  virtual void WipeProgress(Stage stage, std::size_t deleted) = 0;
  virtual void Tell(const Message& message) = 0;
  // Asks, and returns the choice's index once the user has answered.
  virtual std::size_t Ask(const Question& question) = 0;
  // The status line under the proxy box: where the user's traffic goes now,
  // and what Apply is doing or has done.
  virtual void ShowStatus(const std::string& line) = 0;
  // True from the cookie delete until the restore is done, and while the
  // browsers' stores are changed: a session that ended then would lose
  // cookies, so it is asked to wait. False at every other time.
  virtual void CookiesAtRisk(bool at_risk) = 0;
  // Apply is over, however it ended: the window records it first, then shows
  // the last message, if any, so that nothing waits on the box.
  virtual void ApplyEnded(const std::optional<Message>& last) = 0;
};

// The route the browsers take once switched, checked: blocks, so it runs
// off the window's thread.
using RouteCheck = std::function<routecheck::RouteReport()>;

// Apply in its order: the proxy text checked (a text that would leave pages
// unproxied ends Apply at once), the user asked about open browsers, the
// proxy switched (a switch that does not take ends Apply), the route
// checked (a route that fails is the user's to take back or keep), WebRTC
// of the closed browsers kept to the proxy, then the typed addresses deleted, the cache purge, the
// cookie delete and the restore, and the browsers' stores, each run through `steps` off the
// window's thread, each started when the one before has reported. Nothing
// is deleted before the route is checked. Returns at once; the window is
// told when Apply has ended.
void Apply(MainWindowState& window, tasks::Runner& steps,
           RouteCheck check = routecheck::CheckBrowsersRoute);

// The status line at the start: the program's proxy when it is on, not
// checked by this run; otherwise the user's own settings.
std::string StatusAtStart();

}  // namespace wipe
