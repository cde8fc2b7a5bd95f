// WebRTC kept to the proxy while Maskfold's proxy is on. WebRTC (the
// browsers' real-time calls and data) finds a direct UDP route of its own
// and can tell a page the computer's own address around an HTTP proxy. Each
// closed browser's profiles are set to send it only through a proxy: a
// Chromium-family Preferences gets webrtc.ip_handling_policy
// "disable_non_proxied_udp", a Firefox prefs.js
// media.peerconnection.ice.proxy_only_if_behind_proxy true. The user's
// earlier values are kept in a record of Maskfold's own (settings.h's
// kWebRtcRecord) until they are put back. A browser that runs is left
// alone: it reads these files at its start and writes them over at its end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "browsers/stores.h"

namespace browsers {

struct WebRtcReport {
  // Browsers, each once, whose profiles were left because they run.
  std::vector<std::string> left_open;
  struct NotChanged {
    std::string file;
    std::string why;  // "it is a link to another place"
  };
  std::vector<NotChanged> not_changed;

  // The words for the user after Apply, or nothing when all went well.
  std::optional<std::string> KeptMessage() const;
  // The same after the put-back.
  std::optional<std::string> PutBackMessage() const;
};

// For each profile of the stores whose browser is closed: the earlier value
// recorded (only the first time: a second Apply leaves the user's in the
// record), then Maskfold's set. A file that is a link, cannot be read, is
// not a JSON object, or whose record cannot be written is left as it is and
// named.
WebRtcReport KeepWebRtcToProxy(const std::vector<Store>& stores);

// For each recorded file whose browser is closed: the earlier value back (a
// member that was missing removed again) when the file still holds
// Maskfold's, and its record gone. A browser that runs keeps its record for
// the next time, and is named; so is a file that could not be put back. A
// file whose value someone has changed since is left with theirs.
WebRtcReport PutBackWebRtc();

}  // namespace browsers
