#include "browsers/webrtc.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <stdexcept>

#include "browsers/webrtc_prefs.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "registry/registry.h"
#include "registry/settings.h"

namespace browsers {
namespace {

namespace files = platform::files;
using settings::kWebRtcRecord;
using Kind = WebRtcSetting::Kind;

// The record: one value per file changed ("File 1", "File 2", ...), each
// the browser, its program, the file and the file's earlier setting, one a
// line. The entry is written and read back before the file changes, and
// emptied only once the file is back, so a run that ends between the two
// leaves an entry whose file simply does not hold Maskfold's value (yet, or
// any more), which the put-back then drops. Entries are emptied rather than
// deleted, as the registry routines delete whole keys only; the key goes
// once every entry is empty. It lies beside the proxy switch's record, not
// under it: that key is deleted when the proxy goes off, and a key with
// subkeys cannot be.
constexpr std::size_t kMaxEntries = 256;
// An entry is read whole only up to the registry routines' buffer.
constexpr std::size_t kMaxEntrySize = registry::kReadBufferSize - 1;
constexpr std::string_view kValuePrefix = "value ";
constexpr std::string_view kAbsent = "absent";
constexpr std::string_view kAbsentWithItsObject = "absent with its object";

struct Entry {
  std::string browser, executable, file;
  WebRtcSetting earlier;
};

std::string EntryName(std::size_t index) { return "File " + std::to_string(index + 1); }

std::vector<std::string> ReadEntries() {
  std::vector<std::string> entries;
  while (entries.size() < kMaxEntries) {
    auto entry = settings::ReadIfThere(kWebRtcRecord, EntryName(entries.size()));
    if (!entry) break;
    entries.push_back(std::move(*entry));
  }
  return entries;
}

std::string Encoded(const Entry& entry) {
  const std::string earlier =
      entry.earlier.kind == Kind::kValue    ? std::string(kValuePrefix) + entry.earlier.literal
      : entry.earlier.kind == Kind::kAbsent ? std::string(kAbsent)
                                            : std::string(kAbsentWithItsObject);
  return entry.browser + "\n" + entry.executable + "\n" + entry.file + "\n" + earlier;
}

std::optional<Entry> Decoded(std::string_view text) {
  std::string lines[3];
  for (auto& line : lines) {
    const auto end = text.find('\n');
    if (end == std::string_view::npos || end == 0) return std::nullopt;
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
  }
  Entry entry{lines[0], lines[1], lines[2], {}};
  if (text.starts_with(kValuePrefix) && text.size() > kValuePrefix.size())
    entry.earlier = {Kind::kValue, std::string(text.substr(kValuePrefix.size()))};
  else if (text == kAbsent)
    entry.earlier = {Kind::kAbsent, {}};
  else if (text == kAbsentWithItsObject)
    entry.earlier = {Kind::kAbsentWithItsObject, {}};
  else
    return std::nullopt;
  return entry;
}

bool Names(const std::string& entry, const std::string& file) {
  const auto decoded = Decoded(entry);
  return decoded && text::EqualsNoCase(decoded->file, file);
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

bool IsRunning(const std::vector<std::string>& running, const std::string& executable) {
  return std::any_of(running.begin(), running.end(),
                     [&](const std::string& name) { return text::EqualsNoCase(name, executable); });
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// The profile's file beside its cookies: Chromium's may lie in "Network".
std::string SettingsFile(const Store& store) {
  std::string profile = FolderOf(store.database);
  if (store.family == Family::kFirefox) return profile + "\\prefs.js";
  if (text::EqualsNoCase(profile.substr(profile.find_last_of('\\') + 1), "Network"))
    profile = FolderOf(profile);
  return profile + "\\Preferences";
}

PrefsFormat FormatOf(const std::string& file) {
  return text::EndsWithNoCase(file, "\\prefs.js") ? PrefsFormat::kPrefsJs
                                                  : PrefsFormat::kPreferences;
}

// The file's text, or why it cannot be had.
struct Read {
  std::optional<std::string> text;
  std::string why;
};
Read ReadFile(const std::string& file) {
  if (files::IsLink(file)) return {std::nullopt, "it is a link to another place"};
  try {
    return {files::ReadWholeFile(file), {}};
  } catch (const std::runtime_error&) {
    return {std::nullopt, "it could not be read"};
  }
}

constexpr char kNotJson[] = "it is not a JSON object, as the browser writes it";

// Keeps one file to the proxy; why not, when it was left as it is.
std::optional<std::string> Keep(const Store& store, const std::string& file,
                                std::optional<std::vector<std::string>>& entries) {
  // A profile whose browser has not saved its settings yet: nothing to
  // change, and a file made here would be the browser's to fill in.
  if (!files::Exists(file)) return std::nullopt;
  const Read read = ReadFile(file);
  if (!read.text) return read.why;
  const PrefsFormat format = FormatOf(file);
  const auto now = SettingIn(format, *read.text);
  if (!now) return kNotJson;
  const WebRtcSetting kept = KeptToProxy(format);
  if (*now == kept) return std::nullopt;
  if (!entries) entries = ReadEntries();
  // Recorded by an earlier Apply: that value is the user's, this one may not be.
  if (std::none_of(entries->begin(), entries->end(),
                   [&](const std::string& entry) { return Names(entry, file); })) {
    const std::string entry = Encoded({store.browser, store.executable, file, *now});
    if (entry.size() > kMaxEntrySize) return "its setting is too long for Maskfold's record";
    const auto free = std::find(entries->begin(), entries->end(), std::string());
    const auto index = static_cast<std::size_t>(free - entries->begin());
    if (index >= kMaxEntries) return "Maskfold's record of earlier settings is full";
    settings::WriteText(kWebRtcRecord, EntryName(index), entry);
    if (settings::ReadIfThere(kWebRtcRecord, EntryName(index)) != entry)
      return "Maskfold's record of its earlier setting could not be written";
    if (free == entries->end())
      entries->push_back(entry);
    else
      *free = entry;
  }
  const auto changed = WithSetting(format, *read.text, kept);
  if (!changed || !files::WriteWholeFile(file, *changed)) return "it could not be written";
  return std::nullopt;
}

// How one file's put-back ended: done (its entry goes), or to be tried
// again; and why, when the user should know.
struct PutBackEnd {
  bool done = true;
  std::optional<std::string> why;
};

PutBackEnd PutBack(const Entry& entry) {
  if (!files::Exists(entry.file)) return {};  // the profile is gone, and its setting with it
  // Never written through: what it leads to was never Maskfold's to change.
  if (files::IsLink(entry.file)) return {true, "it is a link to another place"};
  const Read read = ReadFile(entry.file);
  if (!read.text) return {false, read.why};
  const PrefsFormat format = FormatOf(entry.file);
  const auto now = SettingIn(format, *read.text);
  if (!now) return {true, kNotJson};
  // Changed since Maskfold set it, by the user or the browser: that stays.
  if (*now != KeptToProxy(format)) return {};
  const auto earlier = WithSetting(format, *read.text, entry.earlier);
  if (!earlier) return {true, "Maskfold's record of its earlier setting is damaged"};
  if (!files::WriteWholeFile(entry.file, *earlier)) return {false, "it could not be written"};
  return {};
}

// Apply's thread keeps while the session's end may put back.
std::mutex changing;

std::string Listed(const std::vector<WebRtcReport::NotChanged>& files) {
  std::string text;
  for (const auto& file : files) text += "\n" + file.file + " (" + file.why + ")";
  return text;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : "\n\n") + part;
  return text;
}

}  // namespace

WebRtcReport KeepWebRtcToProxy(const std::vector<Store>& stores) {
  const std::lock_guard lock(changing);
  WebRtcReport report;
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  std::optional<std::vector<std::string>> entries;  // read once a file needs them
  std::vector<std::string> done;
  for (const Store& store : stores) {
    const std::string file = SettingsFile(store);
    // Both of a Chromium profile's cookie databases lead here.
    if (std::find(done.begin(), done.end(), file) != done.end()) continue;
    done.push_back(file);
    if (IsRunning(running, store.executable)) {
      AddOnce(report.left_open, store.browser);
      continue;
    }
    if (const auto why = Keep(store, file, entries)) report.not_changed.push_back({file, *why});
  }
  return report;
}

WebRtcReport PutBackWebRtc() {
  const std::lock_guard lock(changing);
  WebRtcReport report;
  const std::vector<std::string> entries = ReadEntries();
  if (entries.empty()) return report;
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  bool all_done = true;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    if (entries[index].empty()) continue;
    const auto entry = Decoded(entries[index]);
    if (entry && IsRunning(running, entry->executable)) {
      AddOnce(report.left_open, entry->browser);
      all_done = false;
      continue;
    }
    // An entry that cannot be read says nothing that could be put back.
    const PutBackEnd end = entry ? PutBack(*entry) : PutBackEnd{};
    if (end.why) report.not_changed.push_back({entry->file, *end.why});
    if (!end.done) {
      all_done = false;
      continue;
    }
    settings::WriteText(kWebRtcRecord, EntryName(index), "");
  }
  if (all_done) registry::DeleteRegKey(kWebRtcRecord.root, kWebRtcRecord.subkey);
  return report;
}

std::optional<std::string> WebRtcReport::KeptMessage() const {
  std::vector<std::string> parts;
  if (!left_open.empty())
    parts.push_back("WebRTC in " + InWords(left_open) + " was not kept to the proxy because " +
                    (left_open.size() == 1 ? "it is" : "they are") +
                    " open, so web pages may still learn this computer's own address through it. "
                    "Close " +
                    InWords(left_open) + ", then press Apply again.");
  if (!not_changed.empty())
    parts.push_back(
        "WebRTC was not kept to the proxy in these files, which were left as they are:" +
        Listed(not_changed));
  if (parts.empty()) return std::nullopt;
  return Joined(parts);
}

std::optional<std::string> WebRtcReport::PutBackMessage() const {
  std::vector<std::string> parts;
  if (!left_open.empty())
    parts.push_back("WebRTC in " + InWords(left_open) +
                    " still goes only through a proxy, as Maskfold set it, because " +
                    (left_open.size() == 1 ? "it is" : "they are") +
                    " open. Maskfold puts your own setting back when it next starts or exits "
                    "while " +
                    InWords(left_open) + (left_open.size() == 1 ? " is" : " are") + " closed.");
  if (!not_changed.empty())
    parts.push_back("Maskfold could not put your own WebRTC setting back in these files:" +
                    Listed(not_changed));
  if (parts.empty()) return std::nullopt;
  return Joined(parts);
}

}  // namespace browsers
