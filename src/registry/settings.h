// Every registry key and value the program touches, written once.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry/registry.h"

namespace settings {

struct Location {
  registry::Root root;
  std::string_view subkey;
};

inline constexpr Location kInternetSettings{
    registry::kCurrentUser, R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)"};
inline constexpr Location kIeMain{registry::kCurrentUser,
                                  R"(Software\Microsoft\Internet Explorer\Main)"};
inline constexpr Location kTypedUrls{registry::kCurrentUser,
                                     R"(Software\Microsoft\Internet Explorer\TypedURLs)"};
inline constexpr Location kCookiesPath{
    registry::kLocalMachine,
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Special Paths\Cookies)"};

// The per-connection settings: the LAN's value, then one value named after
// each dial-up or VPN entry.
inline constexpr Location kConnections{
    registry::kCurrentUser,
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections)"};
inline constexpr std::string_view kLanConnection = "DefaultConnectionSettings";  // REG_BINARY
// A machine policy: 0 makes the proxy one for all users, set by an administrator.
inline constexpr Location kInternetPolicies{
    registry::kLocalMachine,
    R"(Software\Policies\Microsoft\Windows\CurrentVersion\Internet Settings)"};
inline constexpr std::string_view kProxySettingsPerUser = "ProxySettingsPerUser";  // REG_DWORD
// The program's one record of its own: the settings it changed, while its
// proxy is on.
inline constexpr Location kSwitchRecord{registry::kCurrentUser, R"(Software\Maskfold)"};
// The browsers' WebRTC settings as they were before Maskfold changed them,
// until they are back: beside the switch's record, which goes with the proxy.
inline constexpr Location kWebRtcRecord{registry::kCurrentUser, R"(Software\Maskfold WebRTC)"};

// Run once at the user's next logon, before the browsers start: while the
// program's proxy is on, the command that turns it off.
inline constexpr Location kRunOnce{registry::kCurrentUser,
                                   R"(Software\Microsoft\Windows\CurrentVersion\RunOnce)"};
inline constexpr std::string_view kRunOnceOff = "Maskfold";

// Under kInternetSettings.
inline constexpr std::string_view kProxyEnable = "ProxyEnable";  // REG_DWORD
inline constexpr std::string_view kProxyServer = "ProxyServer";  // REG_SZ
// Under kCookiesPath: the folder of the cookie files; read only.
inline constexpr std::string_view kCookiesDirectory = "Directory";
// Under kIeMain, both REG_SZ "yes" / "no".
inline constexpr std::string_view kFullScreen = "FullScreen";
inline constexpr std::string_view kSaveHistoryOnExit = "Save_Session_History_On_Exit";

// What Exit leaves in place of a proxy server.
inline constexpr std::string_view kProxyNotSet = "Not Set";

inline std::string Read(const Location& at, std::string_view value_name) {
  return registry::GetRegText(at.root, at.subkey, value_name);
}
// For new code: nothing when the value cannot be read.
inline std::optional<std::string> ReadIfThere(const Location& at, std::string_view value_name) {
  return registry::ReadRegText(at.root, at.subkey, value_name);
}
inline void WriteText(const Location& at, std::string_view value_name, std::string_view text) {
  registry::SetRegValue(at.root, at.subkey, value_name, platform::reg::kTypeSz, text);
}
inline void WriteDword(const Location& at, std::string_view value_name, std::string_view number) {
  registry::SetRegValue(at.root, at.subkey, value_name, platform::reg::kTypeDword, number);
}

}  // namespace settings
