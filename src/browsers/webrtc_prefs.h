// The WebRTC setting in the two browser files that carry it, read and
// changed as text: a Chromium-family profile's Preferences (JSON, the
// member "webrtc" -> "ip_handling_policy") and a Firefox profile's prefs.js
// (one user_pref line per setting,
// "media.peerconnection.ice.proxy_only_if_behind_proxy"). Every other byte
// of the file stays as it was wherever the change allows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace browsers {

enum class PrefsFormat { kPreferences, kPrefsJs };

// The setting as a file holds it: a value (its literal: JSON in
// Preferences, the value as prefs.js writes it), or none; in Preferences,
// none also says whether the "webrtc" object itself was missing.
struct WebRtcSetting {
  enum class Kind { kValue, kAbsent, kAbsentWithItsObject };
  Kind kind = Kind::kAbsent;
  std::string literal;  // kValue's
  friend bool operator==(const WebRtcSetting&, const WebRtcSetting&) = default;
};

// What Maskfold sets: "disable_non_proxied_udp" (WebRTC's UDP only through
// a proxy that carries it), and true (only through the proxy, when there
// is one).
WebRtcSetting KeptToProxy(PrefsFormat format);

// The setting the text holds; nothing for a Preferences that is not a JSON
// object (or whose "webrtc" is not one), which is never written.
std::optional<WebRtcSetting> SettingIn(PrefsFormat format, std::string_view text);

// The text with the setting as given: a value set, or the member removed
// (with "webrtc" too, for kAbsentWithItsObject, when nothing else is left
// in it). The text itself when it already holds the setting; nothing when
// SettingIn reads nothing in it, or the literal is not one of its format.
std::optional<std::string> WithSetting(PrefsFormat format, const std::string& text,
                                       const WebRtcSetting& setting);

}  // namespace browsers
