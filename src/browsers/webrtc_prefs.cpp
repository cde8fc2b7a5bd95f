#include "browsers/webrtc_prefs.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "browsers/json_text.h"

namespace browsers {
namespace {

using Kind = WebRtcSetting::Kind;
constexpr char kObject[] = "webrtc";
constexpr char kMember[] = "ip_handling_policy";
// As Chromium and Firefox write them.
constexpr std::string_view kObjectStart = R"("webrtc":{)";
constexpr std::string_view kMemberStart = R"("ip_handling_policy":)";
constexpr std::string_view kQuotedPref = R"("media.peerconnection.ice.proxy_only_if_behind_proxy")";
constexpr std::string_view kPrefLineStart =
    R"(user_pref("media.peerconnection.ice.proxy_only_if_behind_proxy", )";
constexpr std::size_t kMaxSplices = 4;

// Equal as JSON, whatever the order of the members.
bool SameValue(const Json& a, const Json& b) {
  if (a.is_object() && b.is_object()) {
    if (a.size() != b.size()) return false;
    for (auto member = a.begin(); member != a.end(); ++member) {
      const auto other = b.find(member.key());
      if (other == b.end() || !SameValue(*member, *other)) return false;
    }
    return true;
  }
  if (a.is_array() && b.is_array())
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameValue);
  return a == b;
}

std::optional<WebRtcSetting> PreferencesSetting(const Json& preferences) {
  if (!preferences.is_object()) return std::nullopt;
  const auto object = preferences.find(kObject);
  if (object == preferences.end()) return WebRtcSetting{Kind::kAbsentWithItsObject, {}};
  if (!object->is_object()) return std::nullopt;
  const auto member = object->find(kMember);
  if (member == object->end()) return WebRtcSetting{Kind::kAbsent, {}};
  return WebRtcSetting{Kind::kValue, member->dump()};
}

std::string Member(const std::string& literal) { return std::string(kMemberStart) + literal; }
std::string ObjectWith(const std::string& member) {
  return std::string(kObjectStart) + member + "}";
}

// Chromium writes Preferences compactly ({"a":1,"b":{...}}), so the member
// is usually found as text and changed there, leaving every other byte as
// Chromium wrote it. These are only guesses: the caller keeps one only when
// it parses to exactly the intended document.
std::vector<std::string> Splices(const std::string& text, const WebRtcSetting& now,
                                 const std::optional<std::string>& wanted) {
  std::vector<std::string> splices;
  const auto each = [&](const std::string& needle, auto&& splice) {
    for (auto at = text.find(needle); at != std::string::npos && splices.size() < kMaxSplices;
         at = text.find(needle, at + 1))
      splices.push_back(splice(at, needle.size()));
  };
  // A member and the comma that parts it from the next one, or from the one
  // before when it is the last.
  const auto removed = [&](std::size_t at, std::size_t size) {
    std::string spliced = text;
    if (at + size < text.size() && text[at + size] == ',') return spliced.erase(at, size + 1);
    if (at > 0 && text[at - 1] == ',') return spliced.erase(at - 1, size + 1);
    return spliced.erase(at, size);
  };
  const auto inserted = [&](std::size_t at, const std::string& member) {
    const auto next = text.find_first_not_of(" \t\r\n", at);
    const bool alone = next != std::string::npos && text[next] == '}';
    return text.substr(0, at) + member + (alone ? "" : ",") + text.substr(at);
  };
  if (now.kind == Kind::kValue && wanted) {
    each(Member(now.literal), [&](std::size_t at, std::size_t size) {
      return text.substr(0, at) + Member(*wanted) + text.substr(at + size);
    });
  } else if (now.kind == Kind::kValue) {
    each(Member(now.literal), removed);
    each(ObjectWith(Member(now.literal)), removed);
  } else if (wanted && now.kind == Kind::kAbsent) {
    each(std::string(kObjectStart),
         [&](std::size_t at, std::size_t size) { return inserted(at + size, Member(*wanted)); });
  } else if (wanted) {
    // No "webrtc" object yet: one goes first in the file's top-level object.
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    start = text.find_first_not_of(" \t\r\n", start);
    if (start != std::string::npos && text[start] == '{')
      splices.push_back(inserted(start + 1, ObjectWith(Member(*wanted))));
  }
  return splices;
}

std::optional<std::string> PreferencesWith(const std::string& text, const WebRtcSetting& setting) {
  const auto preferences = ParsedJson(text);
  if (!preferences) return std::nullopt;
  const auto now = PreferencesSetting(*preferences);
  if (!now) return std::nullopt;
  std::optional<Json> value;
  if (setting.kind == Kind::kValue && !(value = ParsedJson(setting.literal))) return std::nullopt;

  Json intended = *preferences;
  if (value) {
    intended[kObject][kMember] = *value;
  } else if (const auto object = intended.find(kObject); object != intended.end()) {
    object->erase(kMember);
    if (setting.kind == Kind::kAbsentWithItsObject && object->empty()) intended.erase(object);
  }
  if (SameValue(intended, *preferences)) return text;
  const auto wanted = value ? std::optional<std::string>(value->dump()) : std::nullopt;
  for (auto& spliced : Splices(text, *now, wanted))
    if (const auto parsed = ParsedJson(spliced); parsed && SameValue(*parsed, intended))
      return std::move(spliced);
  // Laid out anew: every member keeps its value and its place, though
  // strings and numbers may be written in another, equal, form.
  return intended.dump();
}

// A line of prefs.js that sets the pref, as Firefox writes it:
// user_pref("name", value);  Where its value lies in the line.
struct ValueAt {
  std::size_t start = 0, end = 0;
};
std::optional<ValueAt> PrefValue(std::string_view line) {
  constexpr std::string_view kBlanks = " \t\r";
  std::size_t at = 0;
  const auto take = [&](std::string_view word) {
    at = line.find_first_not_of(kBlanks, at);
    if (at == std::string_view::npos || line.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  };
  if (!take("user_pref") || !take("(") || !take(kQuotedPref) || !take(",")) return std::nullopt;
  const std::size_t close = line.rfind(')');
  if (close == std::string_view::npos || close < at) return std::nullopt;
  const std::size_t semicolon = line.find_first_not_of(kBlanks, close + 1);
  if (semicolon == std::string_view::npos || line[semicolon] != ';' ||
      line.find_first_not_of(kBlanks, semicolon + 1) != std::string_view::npos)
    return std::nullopt;
  const std::size_t start = line.find_first_not_of(kBlanks, at);
  if (start >= close) return std::nullopt;
  return ValueAt{start, line.find_last_not_of(kBlanks, close - 1) + 1};
}

// The last line that sets the pref (the one Firefox goes by), with where its
// value lies in the text; `end` is where the line's own break starts.
struct PrefLine {
  std::size_t start = 0, end = 0;
  ValueAt value;
};
std::optional<PrefLine> LastPrefLine(std::string_view text) {
  std::optional<PrefLine> last;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (const auto value = PrefValue(text.substr(start, end - start)))
      last = PrefLine{start, end, {start + value->start, start + value->end}};
    start = end + 1;
  }
  return last;
}

WebRtcSetting PrefsJsSetting(std::string_view text) {
  const auto line = LastPrefLine(text);
  if (!line) return {Kind::kAbsent, {}};
  return {Kind::kValue,
          std::string(text.substr(line->value.start, line->value.end - line->value.start))};
}

std::optional<std::string> PrefsJsWith(const std::string& text, const WebRtcSetting& setting) {
  const auto line = LastPrefLine(text);
  if (setting.kind == Kind::kValue) {
    if (setting.literal.empty() || setting.literal.find_first_of("\r\n") != std::string::npos)
      return std::nullopt;
    if (line)
      return text.substr(0, line->value.start) + setting.literal + text.substr(line->value.end);
    // A line of its own at the end, with the file's own line breaks.
    const std::string line_break = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string added = std::string(kPrefLineStart) + setting.literal + ");";
    if (text.empty() || text.back() == '\n') return text + added + line_break;
    return text + line_break + added;
  }
  if (!line) return text;
  if (line->end < text.size()) return text.substr(0, line->start) + text.substr(line->end + 1);
  // The last line has no break of its own: the one before it goes with it.
  std::size_t from = line->start;
  if (from > 0 && text[from - 1] == '\n') --from;
  if (from > 0 && text[from - 1] == '\r') --from;
  return text.substr(0, from);
}

}  // namespace

WebRtcSetting KeptToProxy(PrefsFormat format) {
  return format == PrefsFormat::kPreferences
             ? WebRtcSetting{Kind::kValue, "\"disable_non_proxied_udp\""}
             : WebRtcSetting{Kind::kValue, "true"};
}

std::optional<WebRtcSetting> SettingIn(PrefsFormat format, std::string_view text) {
  if (format == PrefsFormat::kPrefsJs) return PrefsJsSetting(text);
  const auto preferences = ParsedJson(text);
  if (!preferences) return std::nullopt;
  return PreferencesSetting(*preferences);
}

std::optional<std::string> WithSetting(PrefsFormat format, const std::string& text,
                                       const WebRtcSetting& setting) {
  return format == PrefsFormat::kPreferences ? PreferencesWith(text, setting)
                                             : PrefsJsWith(text, setting);
}

}  // namespace browsers
