#include "proxyswitch/proxy_switch.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <mutex>
#include <vector>

#include "common/text.h"
#include "platform/connections.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/transfer.h"
#include "proxyswitch/connection_settings.h"
#include "registry/registry.h"
#include "registry/settings.h"

namespace proxyswitch {
namespace {
namespace conn = platform::connections;
using settings::kInternetSettings;
using settings::kSwitchRecord;

constexpr std::string_view kRecordProxy = "Proxy";      // the proxy the program set
constexpr std::string_view kRecordProcess = "Process";  // "<id> <start time>" of the run

std::string ValueName(const std::string& connection) {
  return connection.empty() ? std::string(settings::kLanConnection) : connection;
}
std::string EarlierName(const std::string& connection) {
  return "Earlier " + ValueName(connection);
}

// The LAN first, then every dial-up and VPN entry.
std::vector<std::string> Connections() {
  std::vector<std::string> connections = conn::DialUpEntries();
  connections.insert(connections.begin(), std::string());
  return connections;
}

ConnectionOptions FromPlatform(const conn::Options& options) {
  return {options.flags, options.proxy, options.bypass, options.script_url};
}
conn::Options ToPlatform(const ConnectionOptions& options) {
  return {options.flags, options.proxy, options.bypass, options.script_url};
}

std::optional<ConnectionValue> StoredValue(const settings::Location& at, const std::string& name) {
  const auto bytes = registry::GetRegBinary(at.root, at.subkey, name);
  if (!bytes) return std::nullopt;
  return DecodeConnectionValue(*bytes);
}

std::optional<ConnectionOptions> Current(const std::string& connection) {
  conn::Options options;
  if (!conn::Query(connection, options).Succeeded()) return std::nullopt;
  return FromPlatform(options);
}

// The user's settings as programs read them: the stored value, which
// WinHTTP reads and WinINet keeps; the per-connection query where there is
// none.
std::optional<ConnectionOptions> UsersNow(const std::string& connection) {
  if (const auto value = StoredValue(settings::kConnections, ValueName(connection)))
    return value->options;
  return Current(connection);
}

std::optional<ConnectionOptions> Earlier(const std::string& connection) {
  const auto value = StoredValue(kSwitchRecord, EarlierName(connection));
  if (!value) return std::nullopt;
  return value->options;
}

bool HasRecord() { return settings::ReadIfThere(kSwitchRecord, kRecordProcess).has_value(); }

std::string ThisProcess() {
  const std::uint32_t id = platform::process::CurrentProcessId();
  return std::to_string(id) + " " +
         std::to_string(platform::process::ProcessStartTime(id).value_or(0));
}

// The user's own settings of each connection, taken the first time the
// program switches it: a later switch must not take the program's proxy for
// the user's, and a connection added since (a new VPN entry) is taken then.
// False when the record could not be written.
bool Record(const std::string& proxy, const std::vector<std::string>& connections) {
  const std::string recorded_proxy = settings::Read(kSwitchRecord, kRecordProxy);
  bool written = true;
  for (const auto& connection : connections) {
    if (Earlier(connection)) continue;
    const auto now = UsersNow(connection);
    if (!now || ((now->flags & kProxy) && now->proxy == recorded_proxy)) continue;
    ConnectionValue value;
    value.options = *now;
    written = registry::SetRegBinary(kSwitchRecord.root, kSwitchRecord.subkey,
                                     EarlierName(connection), EncodeConnectionValue(value))
                  .Succeeded() &&
              written;
  }
  settings::WriteText(kSwitchRecord, kRecordProxy, proxy);
  settings::WriteText(kSwitchRecord, kRecordProcess, ThisProcess());
  return written && settings::Read(kSwitchRecord, kRecordProcess) == ThisProcess();
}

// Switching on and off never overlap: Apply switches on its own thread, and
// the end of the session or a failure switches off on the window's.
std::mutex switching;

// Sets one connection, and its stored value where the set left it without
// the new options (Windows writes it itself; some systems do not, and
// WinHTTP reads only the value). 0 or the platform's error.
std::uint32_t SetConnection(const std::string& connection, const ConnectionOptions& options) {
  if (const status::LastError set = conn::Set(connection, ToPlatform(options)); !set.Succeeded())
    return set.code;
  const auto old = StoredValue(settings::kConnections, ValueName(connection));
  if (old && old->options == options) return 0;
  return registry::SetRegBinary(settings::kConnections.root, settings::kConnections.subkey,
                                ValueName(connection),
                                EncodeConnectionValue(WithOptions(old, options)))
      .code;
}

// Why the settings read back are not what was set, or nothing when they are.
std::optional<std::string> ReadBack(bool on, const std::string& proxy, std::uint32_t error) {
  const std::string enable = settings::Read(kInternetSettings, settings::kProxyEnable);
  const std::string server = settings::Read(kInternetSettings, settings::kProxyServer);
  const auto lan = Current("");
  // Wine's WinINet answers a per-scheme text with its http entry alone.
  const bool lan_proxy =
      lan && (lan->proxy == proxy || (proxy.find('=') != std::string::npos &&
                                      lan->proxy == ProxyForScheme(proxy, "http")));
  const bool held = !error && enable == (on ? "001" : "000") && (!on || server == proxy) && lan &&
                    ((lan->flags & kProxy) != 0) == on && (!on || lan_proxy);
  if (held) return std::nullopt;
  if (settings::Read(settings::kInternetPolicies, settings::kProxySettingsPerUser) == "000")
    return "your administrator has set one proxy for all users of this computer (the "
           "ProxySettingsPerUser policy)";
  if (error) return "Windows refused the change (error " + std::to_string(error) + ")";
  return "the settings read back afterwards do not hold the change";
}

// The command that puts a run that ends without Exit right at the next
// logon, even when the program is never started again.
status::Win32Error WriteLogonRepair() {
  return registry::WriteRegText(settings::kRunOnce.root, settings::kRunOnce.subkey,
                                settings::kRunOnceOff,
                                "\"" + platform::files::ProgramPath() + "\" --off");
}

// Once no proxy of the program's is on: the record and the logon repair go.
void RemoveRecord() {
  registry::DeleteRegKey(kSwitchRecord.root, kSwitchRecord.subkey);
  // Not there already is as good as removed; any other failure leaves a
  // "--off" at the next logon, which finds nothing to do.
  [[maybe_unused]] const status::Win32Error removed = registry::DeleteRegValue(
      settings::kRunOnce.root, settings::kRunOnce.subkey, settings::kRunOnceOff);
}

// A switch that did not take, or that the user takes back, leaves the
// settings as they were before it.
void PutBack(const EarlierSettings& before) {
  // Values that were missing read as no proxy.
  settings::WriteDword(kInternetSettings, settings::kProxyEnable, before.enable.value_or("0"));
  settings::WriteText(kInternetSettings, settings::kProxyServer,
                      before.server.value_or(std::string(settings::kProxyNotSet)));
  for (std::size_t i = 0; i < before.connections.size(); ++i)
    if (before.options[i]) SetConnection(before.connections[i], *before.options[i]);
  if (before.had_record)
    settings::WriteText(kSwitchRecord, kRecordProxy, before.record_proxy);
  else
    RemoveRecord();
  platform::transfer::NotifySettingsChanged();
}

}  // namespace

Outcome SwitchOn(const std::string& proxy, EarlierSettings* earlier) {
  const std::lock_guard lock(switching);
  const std::vector<std::string> connections = Connections();
  EarlierSettings before{settings::ReadIfThere(kInternetSettings, settings::kProxyEnable),
                         settings::ReadIfThere(kInternetSettings, settings::kProxyServer),
                         settings::Read(kSwitchRecord, kRecordProxy),
                         HasRecord(),
                         connections,
                         {}};
  for (const auto& connection : connections) before.options.push_back(UsersNow(connection));
  if (earlier) *earlier = before;

  // Without the record, or the logon repair, a run that ends without Exit
  // would strand the user.
  if (!Record(proxy, connections)) {
    PutBack(before);
    return Outcome::Stopped(
        {"Maskfold did not switch to the proxy " + proxy +
         ": the record of your own settings (HKEY_CURRENT_USER\\Software\\Maskfold) could "
         "not be written. Nothing was deleted: your cookies, cache and typed addresses are as "
         "they were."});
  }
  if (const status::Win32Error repair = WriteLogonRepair(); !repair.Succeeded()) {
    PutBack(before);
    return Outcome::Stopped(
        {"Maskfold did not switch to the proxy " + proxy +
         ": the command that turns it off at your next logon, should Maskfold not end properly "
         "(HKEY_CURRENT_USER\\" +
         std::string(settings::kRunOnce.subkey) + "), could not be written (error " +
         std::to_string(repair.code) +
         "). Nothing was deleted: your cookies, cache and typed addresses are as they were."});
  }
  settings::WriteDword(kInternetSettings, settings::kProxyEnable, "1");
  settings::WriteText(kInternetSettings, settings::kProxyServer, proxy);
  std::uint32_t first_error = 0;
  for (std::size_t i = 0; i < connections.size(); ++i) {
    // The user's bypass list and script address stay; detection and the
    // script would take precedence over the proxy, so they go off.
    ConnectionOptions options =
        Earlier(connections[i]).value_or(before.options[i].value_or(ConnectionOptions{}));
    options.flags = kDirect | kProxy;
    options.proxy = proxy;
    const std::uint32_t error = SetConnection(connections[i], options);
    if (!first_error) first_error = error;
  }
  platform::transfer::NotifySettingsChanged();
  if (const auto why = ReadBack(true, proxy, first_error)) {
    PutBack(before);
    return Outcome::Stopped(
        {"Maskfold did not switch to the proxy " + proxy + ": " + *why +
         ". Nothing was deleted: your cookies, cache and typed addresses are as they were."});
  }
  return Outcome::Done();
}

Outcome SwitchOff() {
  const std::lock_guard lock(switching);
  settings::WriteDword(kInternetSettings, settings::kProxyEnable, "0");
  settings::WriteText(kInternetSettings, settings::kProxyServer, settings::kProxyNotSet);
  std::uint32_t first_error = 0;
  for (const auto& connection : Connections()) {
    // The user's flags come back (a script or detection that was on), less
    // a proxy: Exit turns the proxy off.
    std::optional<ConnectionOptions> options = Earlier(connection);
    if (!options) options = UsersNow(connection);
    if (!options) options = ConnectionOptions{};
    options->flags = (options->flags & ~kProxy) | kDirect;
    if (connection.empty()) options->proxy = settings::kProxyNotSet;
    const std::uint32_t error = SetConnection(connection, *options);
    if (!first_error) first_error = error;
  }
  platform::transfer::NotifySettingsChanged();
  if (const auto why = ReadBack(false, {}, first_error)) return NotTurnedOff(*why);
  RemoveRecord();
  return Outcome::Done();
}

Outcome GoBack(const EarlierSettings& earlier) {
  const std::lock_guard lock(switching);
  PutBack(earlier);
  const bool held =
      settings::ReadIfThere(kInternetSettings, settings::kProxyEnable).value_or("000") ==
          earlier.enable.value_or("000") &&
      settings::ReadIfThere(kInternetSettings, settings::kProxyServer) ==
          earlier.server.value_or(std::string(settings::kProxyNotSet));
  if (held) return Outcome::Done();
  return Outcome::Stopped(
      {"Maskfold could not put your earlier proxy settings back: the settings read back "
       "afterwards do not hold them. Nothing was deleted. To set them by hand, open Internet "
       "Options in the Control Panel, then Connections, LAN settings."});
}

Outcome NotTurnedOff(std::string_view why) {
  return Outcome::Stopped(
      {"Maskfold could not turn its proxy off: " + std::string(why) +
       ". To turn it off by hand, open Internet Options in the Control Panel, then "
       "Connections, LAN settings, and clear \"Use a proxy server for your LAN\"."});
}

namespace {

constexpr std::uint32_t kKeyRead = 0x20019;  // KEY_READ

// True when the record's key is there, whatever its values hold.
bool RecordKeyExists() {
  platform::reg::Key key = 0;
  if (platform::reg::OpenKeyEx(kSwitchRecord.root, std::string(kSwitchRecord.subkey).c_str(), 0,
                               kKeyRead, &key) != platform::reg::kSuccess)
    return false;
  platform::reg::CloseKey(key);
  return true;
}

// The run of the record still goes on: its process runs, started when the
// record says (when it says), and is a Maskfold. A process id the system
// has since given to another program is not that run.
bool StillRunning(const std::string& process) {
  std::uint32_t id = 0;
  std::uint64_t started = 0;
  const char* end = process.data() + process.size();
  const auto [after_id, id_error] = std::from_chars(process.data(), end, id);
  if (id_error != std::errc() || after_id == end ||
      std::from_chars(after_id + 1, end, started).ec != std::errc())
    return false;
  const auto running = platform::process::ProcessStartTime(id);
  if (!running || (started != 0 && *running != started)) return false;
  const auto image = platform::process::ProcessImageName(id);
  const auto own = platform::process::ProcessImageName(platform::process::CurrentProcessId());
  return !image || !own || text::EqualsNoCase(*image, *own);
}

}  // namespace

std::optional<std::string> LostRunProxy() {
  // A record whose process cannot be read (too long, say) is a lost run's.
  const auto process = settings::ReadIfThere(kSwitchRecord, kRecordProcess);
  if (!process && !RecordKeyExists()) return std::nullopt;
  if (process && StillRunning(*process)) return std::nullopt;  // that run goes on
  const std::string proxy = settings::Read(kSwitchRecord, kRecordProxy);
  // In use on any connection: the LAN, or a dial-up or VPN entry still on it.
  bool in_use = settings::Read(kInternetSettings, settings::kProxyEnable) == "001" &&
                settings::Read(kInternetSettings, settings::kProxyServer) == proxy;
  for (const auto& connection : Connections()) {
    const auto now = Current(connection);
    in_use = in_use || (now && (now->flags & kProxy) && now->proxy == proxy);
  }
  if (!in_use) {  // the user has moved on since: nothing to put back
    RemoveRecord();
    return std::nullopt;
  }
  return proxy;
}

std::optional<std::string> ProgramProxyOn() {
  if (!HasRecord()) return std::nullopt;
  const auto proxy = settings::ReadIfThere(kSwitchRecord, kRecordProxy);
  if (!proxy || settings::Read(kInternetSettings, settings::kProxyEnable) != "001" ||
      settings::Read(kInternetSettings, settings::kProxyServer) != *proxy)
    return std::nullopt;
  return proxy;
}

std::string PutBackMessage(const std::string& proxy) {
  return "Maskfold did not end properly last time, and its proxy " + proxy +
         " was still on. Your earlier proxy settings have been put back.";
}

bool IsOffCommand(std::string_view command_line) {
  return text::CommandLineHas(command_line, "--off");
}

}  // namespace proxyswitch
