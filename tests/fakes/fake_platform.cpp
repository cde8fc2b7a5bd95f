#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>
#include <thread>

#include "platform/fileop.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/threads.h"
#include "platform/transfer.h"

namespace fake {

cookies::GuardedFolder Guarded(const std::string& path) {
  FakeSystem::Get().attributes.try_emplace(path, platform::files::kAttributeDirectory);
  cookies::FolderCheck checked = cookies::CheckCookiesFolder(path);
  if (!checked) throw std::logic_error(path + " " + checked.problem.value_or("is refused"));
  return *std::move(checked.folder);
}
namespace {
FakeUi ui_state;
FakeSystem system_state;
}  // namespace

FakeUi& FakeUi::Get() { return ui_state; }
void FakeUi::Reset() { ui_state = FakeUi{}; }
FakeSystem& FakeSystem::Get() { return system_state; }
void FakeSystem::Reset() { system_state = FakeSystem{}; }

}  // namespace fake

namespace platform::ui {
using fake::ui_state;

TwipSize ScreenSize() { return ui_state.screen; }
TwipSize OuterSize(WindowId window) { return ui_state.windows[window].outer; }

void SetTop(WindowId window, std::int64_t twips) {
  ui_state.windows[window].top = twips;
  ui_state.calls.push_back("SetTop(" + std::to_string(window) + "," + std::to_string(twips) + ")");
}

void SetLeft(WindowId window, std::int64_t twips) {
  ui_state.windows[window].left = twips;
  ui_state.calls.push_back("SetLeft(" + std::to_string(window) + "," + std::to_string(twips) + ")");
}

void SetWindowPos(WindowId window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                  unsigned flags) {
  ui_state.calls.push_back("SetWindowPos(" + std::to_string(window) + "," +
                           std::to_string(insert_after) + "," + std::to_string(x) + "," +
                           std::to_string(y) + "," + std::to_string(cx) + "," + std::to_string(cy) +
                           "," + std::to_string(flags) + ")");
}

int ScreenPixels(int pixels_at_96_dpi) { return pixels_at_96_dpi * ui_state.dpi / 96; }

bool MenuTicked(WindowId window, int item) { return ui_state.windows[window].ticks[item]; }

void SetMenuTick(WindowId window, int item, bool ticked) {
  ui_state.windows[window].ticks[item] = ticked;
  ui_state.calls.push_back("SetMenuTick(" + std::to_string(item) + "," + std::to_string(ticked) +
                           ")");
}

void ShowMessage(std::string_view text, int style) { ShowMessage(text, style, "Maskfold"); }

void ShowMessage(std::string_view text, int style, std::string_view caption) {
  ui_state.calls.push_back("ShowMessage(" + std::string(text) + "|" + std::to_string(style) + "|" +
                           std::string(caption) + ")");
}

void ProcessPendingMessages() { ui_state.calls.push_back("ProcessPendingMessages"); }

std::uint64_t Milliseconds() { return ui_state.now_ms; }

}  // namespace platform::ui

namespace platform::files {
using fake::system_state;

std::string ApplicationFolder() { return system_state.application_folder; }
std::string ProgramPath() { return system_state.application_folder + "\\maskfold.exe"; }
std::string SystemFolder() { return system_state.system_folder; }
bool Exists(const std::string& path) {
  return system_state.attributes.count(path) != 0 || system_state.files.count(path) != 0;
}
bool MakeDirectory(const std::string& path) {
  if (system_state.unwritable.count(path) || system_state.attributes.count(path)) return false;
  system_state.attributes[path] = kAttributeDirectory;
  return true;
}
void SetAttributes(const std::string& path, std::uint32_t attributes) {
  system_state.calls.push_back("SetAttributes(" + path + "," + std::to_string(attributes) + ")");
}
std::optional<std::uint32_t> Attributes(const std::string& path) {
  auto found = system_state.attributes.find(path);
  if (found == system_state.attributes.end()) return std::nullopt;
  return found->second;
}

// Resolves a drive or share path as GetFullPathNameA does on this machine's
// Wine: the guard gives it nothing else.
std::string FullPath(const std::string& path) {
  std::string text = path;
  std::replace(text.begin(), text.end(), '/', '\\');
  const bool share = text.rfind("\\\\", 0) == 0;
  const std::size_t kept = share ? 2 : 0;  // server and share stay
  std::vector<std::string> parts;
  std::size_t at = share ? 2 : 3;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find('\\', at), text.size());
    const std::string part = text.substr(at, end - at);
    if (part == "..") {
      if (parts.size() > kept) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  if (!parts.empty()) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    std::string stem = last.substr(0, last.find('.'));
    std::transform(stem.begin(), stem.end(), stem.begin(), ::toupper);
    for (const char* device : {"CON", "NUL", "AUX", "PRN", "COM1", "LPT1"})
      if (stem == device) return "\\\\.\\" + last.substr(0, last.find('.'));
  }
  std::string resolved = share ? "\\\\" : text.substr(0, 3);
  for (std::size_t i = 0; i < parts.size(); ++i) resolved += (i ? "\\" : "") + parts[i];
  if (share && parts.size() <= 2) resolved += "\\";
  return resolved;
}

std::string ExpandEnvironment(const std::string& text) {
  std::string result;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto open = text.find('%', at);
    const auto close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    const auto name = text.substr(open + 1, close - open - 1);
    auto value = system_state.environment.find(name);
    result += text.substr(at, open - at);
    result += value != system_state.environment.end() ? value->second
                                                      : text.substr(open, close - open + 1);
    at = close + 1;
  }
  return result + text.substr(std::min(at, text.size()));
}

std::string ReadWholeFile(const std::string& path) {
  auto found = system_state.files.find(path);
  if (found == system_state.files.end() || system_state.unreadable.count(path))
    throw std::runtime_error("cannot open " + path);
  return found->second;
}

// The system's code page here is Latin-1, with the bytes listed as meaning
// nothing in it.
std::optional<std::string> SystemCodePageToUtf8(std::string_view text) {
  std::string utf8;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (system_state.undefined_in_code_page.count(byte)) return std::nullopt;
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

bool CopyOpenFile(const std::string& source, const std::string& target) {
  return CopyOneFile(source, target);
}

bool CopyOneFile(const std::string& source, const std::string& target) {
  auto found = system_state.files.find(source);
  if (found == system_state.files.end() || system_state.unwritable.count(target)) return false;
  system_state.files[target] = found->second;
  return true;
}

bool MoveEntry(const std::string& from, const std::string& to) {
  if (!Exists(from) || Exists(to) || system_state.unwritable.count(to)) return false;
  const auto moved = [&](auto& map) {
    std::decay_t<decltype(map)> kept;
    for (auto& [path, value] : map) {
      if (path == from)
        kept[to] = value;
      else if (path.starts_with(from + "\\"))
        kept[to + path.substr(from.size())] = value;
      else
        kept[path] = value;
    }
    map = std::move(kept);
  };
  moved(system_state.attributes);
  moved(system_state.files);
  return true;
}

bool DeleteOneFile(const std::string& path) {
  if (system_state.unwritable.count(path)) return false;
  return system_state.files.erase(path) != 0;
}

bool IsLink(const std::string& path) {
  const auto found = system_state.attributes.find(path);
  return found != system_state.attributes.end() && (found->second & kAttributeReparsePoint);
}

Deleted DeleteFileUnlessLink(const std::string& path) {
  if (IsLink(path)) return Deleted::kLink;
  return DeleteOneFile(path) ? Deleted::kDeleted : Deleted::kFailed;
}

namespace {
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The files of the "folder\*.ext" or "folder\*.*" pattern, by full path. As
// on Windows, in any case, and "*.txt" also takes "notes.txtold", whose 8.3
// short name ends in ".TXT".
std::vector<std::string> Matching(const std::string& pattern) {
  const std::string folder = pattern.substr(0, pattern.find_last_of('\\') + 1);
  const std::string extension = Lower(pattern.substr(pattern.find_last_of('*') + 1));
  std::vector<std::string> matching;
  for (const auto& [path, bytes] : system_state.files) {
    if (path.rfind(folder, 0) != 0 || path.find('\\', folder.size()) != std::string::npos) continue;
    const std::string name = Lower(path.substr(folder.size()));
    const std::size_t dot = name.rfind('.');
    const std::string own = dot == std::string::npos ? "" : name.substr(dot);
    if (extension == ".*" || extension.empty() || own == extension ||
        (own.size() > 4 && own.substr(0, 4) == extension))
      matching.push_back(path);
  }
  return matching;
}
}  // namespace

std::vector<std::string> ListFiles(const std::string& pattern, Hidden) {
  std::vector<std::string> names;
  for (const auto& path : Matching(pattern)) names.push_back(path.substr(path.rfind('\\') + 1));
  return names;
}

// Folders and files are the attribute map's keys.
std::vector<Entry> ListEntries(const std::string& folder) {
  std::vector<Entry> entries;
  const std::string prefix = folder + "\\";
  for (const auto& [path, attributes] : system_state.attributes)
    if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
        path.find('\\', prefix.size()) == std::string::npos)
      entries.push_back({path.substr(prefix.size()), attributes});
  return entries;
}

bool RemoveFolder(const std::string& path) {
  system_state.calls.push_back("RemoveFolder(" + path + ")");
  return system_state.attributes.erase(path) != 0;
}

std::string TempFolder() { return R"(C:\Temp)"; }

std::string UserFolderPath(UserFolder folder) {
  return folder == UserFolder::kRoamingAppData ? system_state.roaming_app_data
                                               : system_state.local_app_data;
}

std::string PathAsUtf8(const std::string& path) { return path; }
// The fake's paths have no length limit.
std::string LongPath(const std::string& path) { return path; }

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (system_state.unwritable.count(path)) return false;
  system_state.files[path] = bytes;
  return true;
}

}  // namespace platform::files

namespace platform::process {
bool Launch(const std::string& target, const std::string& arguments) {
  fake::system_state.launches.push_back(target + "|" + arguments);
  return fake::system_state.launch_works;
}

std::vector<std::string> RunningProgramNames() { return fake::system_state.running_programs; }

LocalTime LocalTimeNow() { return {2026, 12, 7, 14, 3}; }

}  // namespace platform::process

namespace platform::transfer {
void NotifySettingsChanged() { fake::system_state.calls.push_back("NotifySettingsChanged"); }

bool Control::Busy() const { return busy_; }

void Control::Cancel() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
}

Response Control::OpenUrl(const std::string& url, const Limits&) {
  fake::system_state.requests.push_back(url);
  if (const std::lock_guard lock(mutex_); cancelled_) return Response{true, 0, {}, kCancelled};
  auto found = fake::system_state.responses.find(url);
  if (found == fake::system_state.responses.end()) return Response{true, 0, {}};
  return found->second;
}
}  // namespace platform::transfer

namespace platform::fileop {
status::Win32Error Run(const Record& record) {
  std::string text = record.function == kDelete ? "Delete("
                     : record.function == kCopy ? "Copy("
                                                : "Op(";
  for (std::size_t i = 0; i < record.from.size(); ++i) text += (i ? ";" : "") + record.from[i];
  if (record.to) text += "|" + *record.to;
  text += "|" + std::to_string(record.flags) + "|" + std::to_string(record.owner) + ")";
  fake::system_state.file_operations.push_back(text);
  // As the shell does: a delete to the recycle bin removes the files whether
  // or not the bin takes them; only its count tells.
  // What the bin cannot take is asked about with kWantNukeWarning: the
  // user here answers No, and it stays.
  const bool kept = !fake::system_state.recycle_bin_takes && (record.flags & kWantNukeWarning);
  if (record.function == kDelete && (record.flags & kAllowUndo) && !kept)
    for (const auto& name : record.from) {
      // A folder goes whole, as one item.
      bool gone = fake::system_state.files.erase(name) != 0;
      gone = fake::system_state.attributes.erase(name) != 0 || gone;
      const std::string inside = name + "\\";
      std::erase_if(fake::system_state.attributes,
                    [&](const auto& entry) { return entry.first.starts_with(inside); });
      std::erase_if(fake::system_state.files,
                    [&](const auto& entry) { return entry.first.starts_with(inside); });
      if (gone && fake::system_state.recycle_bin_takes) ++fake::system_state.recycle_bin_items;
    }
  return 0;
}

std::optional<std::uint64_t> RecycleBinItems(const std::string&) {
  return fake::system_state.recycle_bin_items;
}
}  // namespace platform::fileop

namespace platform::connections {
status::LastError Query(const std::string& connection, Options& options) {
  const auto found = fake::system_state.connections.find(connection);
  if (found == fake::system_state.connections.end()) return 87;  // ERROR_INVALID_PARAMETER
  options = found->second;
  return 0;
}

status::LastError Set(const std::string& connection, const Options& options) {
  fake::system_state.calls.push_back("SetConnection(" + connection + "|" +
                                     std::to_string(options.flags) + "|" + options.proxy + ")");
  if (fake::system_state.set_error) return fake::system_state.set_error;
  if (!fake::system_state.set_ignored) fake::system_state.connections[connection] = options;
  return 0;
}

std::vector<std::string> DialUpEntries() { return fake::system_state.dial_up_entries; }

// As WinHTTP reads the LAN's settings: each part only while its flag is on
// (2 the proxy, 4 the script, 8 automatic detection).
status::LastError BrowsersProxyConfig(BrowsersConfig& config) {
  if (fake::system_state.browsers_config_error) return fake::system_state.browsers_config_error;
  const Options& lan = fake::system_state.connections[""];
  config.auto_detect = (lan.flags & 8) != 0;
  config.script_url = lan.flags & 4 ? lan.script_url : "";
  config.proxy = lan.flags & 2 ? lan.proxy : "";
  config.bypass = lan.flags & 2 ? lan.bypass : "";
  return 0;
}

}  // namespace platform::connections

namespace platform::process {
std::uint32_t CurrentProcessId() { return fake::system_state.process_id; }

std::optional<std::string> ProcessImageName(std::uint32_t process_id) {
  const auto found = fake::system_state.images.find(process_id);
  if (found == fake::system_state.images.end() || !fake::system_state.processes.count(process_id))
    return std::nullopt;
  return found->second;
}

std::optional<std::uint64_t> ProcessStartTime(std::uint32_t process_id) {
  const auto found = fake::system_state.processes.find(process_id);
  if (found == fake::system_state.processes.end()) return std::nullopt;
  return found->second;
}
}  // namespace platform::process

namespace platform::threads {
// Real threads: the logic's own concurrency is what its tests look at.
void StartDetached(std::function<void()> work) { std::thread(std::move(work)).detach(); }
}  // namespace platform::threads
