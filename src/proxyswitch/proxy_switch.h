// The proxy switch: every connection of the user (the LAN and each dial-up
// or VPN entry) on the proxy, or back to what the user had, read back each
// time; and a record of what the user had, so that a run that ends without
// Exit never strands the user on a proxy.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/outcome.h"
#include "proxyswitch/connection_settings.h"
#include "proxyswitch/proxy_text.h"

namespace proxyswitch {

// What a switch did: done when it took, otherwise stopped with the message
// that says what did not change and why.
using outcome::Outcome;

// The settings as they were before a switch: the user's own, or an earlier
// proxy of the program's, for going back to.
struct EarlierSettings {
  std::optional<std::string> enable, server;
  std::string record_proxy;
  bool had_record = false;
  std::vector<std::string> connections;  // the LAN first, then each dial-up or VPN entry
  std::vector<std::optional<ConnectionOptions>> options;
};

// Records the user's settings (once: a second switch keeps the first one's
// record) and the command that turns the proxy off at the next logon, then
// puts every connection on the proxy, automatic detection and the
// configuration script off, the bypass list kept. `earlier`, when given,
// receives the settings as they were.
Outcome SwitchOn(const std::string& proxy, EarlierSettings* earlier = nullptr);

// The settings of `earlier` back, as if the switch had not been made: an
// earlier proxy of the program's stays recorded, the user's own settings
// leave no record. Stopped when they do not read back so.
Outcome GoBack(const EarlierSettings& earlier);

// ProxyEnable 0 and ProxyServer "Not Set", and every connection's flags,
// script and bypass list as the record has them; the record goes once the
// switch took.
Outcome SwitchOff();

// The message of a switch-off that did not take, with how to do it by hand.
Outcome NotTurnedOff(std::string_view why);

// At start: a record whose process no longer runs while the system still
// uses its proxy was left by a run that ended without Exit. That proxy, for
// the program's one way of turning the proxy off to put right; nothing when
// there is no such run (a record the user has moved on from is removed).
std::optional<std::string> LostRunProxy();

// The program's proxy, when the system is on it now; nothing when the
// user's own settings are in force.
std::optional<std::string> ProgramProxyOn();

// What the user is told once a lost run's proxy is off.
std::string PutBackMessage(const std::string& proxy);

// True for a command line that asks for the proxy to be turned off only
// ("maskfold.exe --off").
bool IsOffCommand(std::string_view command_line);

}  // namespace proxyswitch
