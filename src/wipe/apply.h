// The main commands: Apply switches the browser to the proxy in the proxy box
// and wipes the traces of the old identity; Exit turns the proxy off.
#pragma once

#include <cstddef>
#include <string>

namespace wipe {

// What the commands read from and write to the main window.
class MainWindowState {
 public:
  virtual ~MainWindowState() = default;
  virtual std::string ProxyText() const = 0;  // the proxy box's text
  virtual void SetProxyText(const std::string& text) = 0;
  virtual void SetProxyTooltip(const std::string& text) = 0;  // the proxy box's tooltip
  virtual std::string CookiesFolder() const = 0;              // as read at the load
  // Called as the wipe goes on (after each cache entry deleted, with how
  // many so far): the window shows it and lets its messages run.
  virtual void WipeProgress(std::size_t cache_entries_deleted) = 0;
};

// A proxy text that would leave pages unproxied, or a switch that does not
// take, stops Apply before anything is deleted, with one message.
void Apply(MainWindowState& window);

// Turns the proxy off: ProxyEnable 0, ProxyServer "Not Set", and every
// connection back to the user's own settings.
void TurnProxyOff();

// Turns the proxy off and ends the process; a proxy that could not be turned
// off is told first, with how to do it by hand. Also the answer to the end of
// the Windows session, so that no machine boots into a proxy left on.
[[noreturn]] void Exit();

}  // namespace wipe
