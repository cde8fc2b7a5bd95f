// Apply: switches the browser to the proxy in the proxy box and wipes the
// traces of the old identity. (Exit, the program's end, is the
// application's.)
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "common/outcome.h"
#include "common/tasks.h"
#include "proxyswitch/proxy_switch.h"

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
  // True from the cookie delete until the restore is done, and while the
  // browsers' stores are changed: a session that ended then would lose
  // cookies, so it is asked to wait. False at every other time.
  virtual void CookiesAtRisk(bool at_risk) = 0;
  // Apply is over, however it ended: the window records it first, then shows
  // the last message, if any, so that nothing waits on the box.
  virtual void ApplyEnded(const std::optional<Message>& last) = 0;
};

// Apply in its order: the proxy text checked and switched (a text that would
// leave pages unproxied, or a switch that does not take, ends Apply before
// anything is deleted), WebRTC of the closed browsers kept to the proxy, the
// typed addresses deleted, then the cache purge,
// the cookie delete and the restore, each run through `steps` off the
// window's thread, each started when the one before has reported. Returns
// at once; the window is told when Apply has ended.
void Apply(MainWindowState& window, tasks::Runner& steps);

}  // namespace wipe
