// The main commands: Apply switches the browser to the proxy in the proxy box
// and wipes the traces of the old identity; Exit turns the proxy off.
#pragma once

#include <string>

namespace wipe {

// What the commands read from and write to the main window.
class MainWindowState {
 public:
  virtual ~MainWindowState() = default;
  virtual std::string ProxyText() const = 0;                  // the proxy box's text
  virtual void SetProxyTooltip(const std::string& text) = 0;  // the proxy box's tooltip
  virtual std::string CookiesFolder() const = 0;              // as read at the load
};

void Apply(MainWindowState& window);

// Turns the proxy off and ends the process. Also the answer to the end of
// the Windows session, so that no machine boots into a proxy left on.
[[noreturn]] void Exit();

}  // namespace wipe
