#include "browsers/browser_wipe.h"

#include <algorithm>
#include <cstdio>

#include "browsers/cookie_database.h"
#include "common/text.h"
#include "cookies/folder_guard.h"
#include "platform/fileop.h"
#include "platform/files.h"
#include "platform/process.h"

namespace browsers {
namespace {

namespace files = platform::files;

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

std::string Lines(const std::vector<std::string>& paths) {
  std::string text;
  for (const auto& path : paths) text += "\n" + path;
  return text;
}

bool IsRunning(const std::vector<std::string>& running, const std::string& executable) {
  return std::any_of(running.begin(), running.end(),
                     [&](const std::string& name) { return text::EqualsNoCase(name, executable); });
}

constexpr char kCopyFolderPrefix[] = "Maskfold copy ";

// The database's files copied under their recycle-bin names into a folder
// of their own, then sent to the recycle bin without a question. True only
// when the bin holds them: the shell deletes for good, without a word, what
// the bin cannot take, so its count must have grown by every copy.
bool CopyToRecycleBin(const Store& store, std::size_t number) {
  // Named after this very process (its id and its start), so that no folder
  // left by an earlier run is ever taken for this one's.
  const std::uint32_t process = platform::process::CurrentProcessId();
  const std::string folder =
      files::TempFolder() + "\\" + kCopyFolderPrefix + std::to_string(process) + "-" +
      std::to_string(platform::process::ProcessStartTime(process).value_or(0)) + "-" +
      std::to_string(number);
  if (!files::MakeDirectory(folder)) return false;
  const auto now = platform::process::LocalTimeNow();
  const std::string name = CopyName(store, now.year, now.month, now.day, now.hour, now.minute);
  platform::fileop::Record record;
  record.function = platform::fileop::kDelete;
  record.flags = platform::fileop::kAllowUndo | platform::fileop::kNoConfirmation |
                 platform::fileop::kSilent | platform::fileop::kNoErrorUi |
                 platform::fileop::kFilesOnly | platform::fileop::kNoRecursion;
  bool copied = true;
  for (const char* suffix : {"", "-wal", "-journal"}) {
    const std::string source = store.database + suffix;
    if (*suffix && !files::Exists(source)) continue;
    const std::string copy = folder + "\\" + name + suffix;
    copied = copied && files::CopyOpenFile(source, copy);
    if (files::Exists(copy)) record.from.push_back(copy);
  }
  bool binned = false;
  if (copied) {
    const auto before = platform::fileop::RecycleBinItems(folder);
    binned = before && platform::fileop::Run(record).Succeeded();
    const auto after = platform::fileop::RecycleBinItems(folder);
    binned = binned && after && *after >= *before + record.from.size();
  }
  // Whatever is left here was not taken by the recycle bin.
  for (const auto& copy : record.from)
    if (files::Exists(copy)) {
      binned = false;
      files::DeleteOneFile(copy);
    }
  files::RemoveFolder(folder);
  return copied && binned;
}

std::size_t DeleteInside(const std::string& folder, std::size_t& total,
                         const WipeProgress& progress) {
  std::size_t deleted = 0;
  for (const auto& entry : files::ListEntries(folder)) {
    if (entry.attributes & files::kAttributeReparsePoint) continue;
    const std::string path = folder + "\\" + entry.name;
    if (entry.attributes & files::kAttributeDirectory) {
      deleted += DeleteInside(path, total, progress);
      files::RemoveFolder(path);  // fails, and stays, when a link was kept inside
      continue;
    }
    if (files::DeleteFileUnlessLink(path) == files::Deleted::kDeleted) {
      ++deleted;
      if (progress) progress(++total);
    }
  }
  return deleted;
}

}  // namespace

std::string CopyName(const Store& store, int year, int month, int day, int hour, int minute) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d", year, month, day, hour, minute);
  return "Cookies of " + store.browser + ", " + store.profile + ", before Maskfold " + stamp +
         ".sqlite";
}

void RemoveLeftoverCopies() {
  const std::string temp = files::TempFolder();
  for (const auto& entry : files::ListEntries(temp)) {
    if (!entry.name.starts_with(kCopyFolderPrefix) ||
        !(entry.attributes & files::kAttributeDirectory) ||
        (entry.attributes & files::kAttributeReparsePoint))
      continue;
    const std::string folder = temp + "\\" + entry.name;
    for (const auto& copy : files::ListEntries(folder)) {
      if (copy.attributes & (files::kAttributeDirectory | files::kAttributeReparsePoint)) continue;
      // One that cannot go keeps its folder; the next start tries again.
      [[maybe_unused]] const auto deleted = files::DeleteFileUnlessLink(folder + "\\" + copy.name);
    }
    files::RemoveFolder(folder);  // stays when something in it did
  }
}

std::size_t EmptyCacheFolder(const cookies::GuardedFolder& folder, const WipeProgress& progress) {
  std::size_t total = 0;
  return DeleteInside(folder.Path(), total, progress);
}

std::vector<std::string> RunningBrowsers(const std::vector<Store>& stores) {
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  std::vector<std::string> browsers;
  for (const Store& store : stores)
    if (IsRunning(running, store.executable)) AddOnce(browsers, store.browser);
  return browsers;
}

BrowserWipeReport WipeBrowsers(const std::vector<Store>& stores, const ProtectedSites& kept,
                               const WipeProgress& progress) {
  BrowserWipeReport report;
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  for (std::size_t number = 0; number < stores.size(); ++number) {
    const Store& store = stores[number];
    if (IsRunning(running, store.executable)) {
      AddOnce(report.to_close, store.browser);
      continue;
    }
    const WipeOutcome wiped =
        WipeStore(store, kept, [&] { return CopyToRecycleBin(store, number); });
    if (wiped.state == StoreState::kBusy) {
      AddOnce(report.to_close, store.browser);
      continue;
    }
    if (wiped.state != StoreState::kDone) {
      report.left.push_back({wiped.state, store.database});
      continue;
    }
    AddOnce(report.cleaned, store.browser);
    report.cookies_deleted += wiped.deleted;
    if (progress) progress(report.cookies_deleted + report.cache_files_deleted);
    for (const auto& cache : store.caches) {
      const cookies::FolderCheck checked = cookies::CheckCookiesFolder(cache);
      if (!checked) continue;  // a cache that is not a plain folder is left alone
      const std::size_t before = report.cookies_deleted + report.cache_files_deleted;
      report.cache_files_deleted += EmptyCacheFolder(*checked.folder, [&](std::size_t in_folder) {
        if (progress) progress(before + in_folder);
      });
    }
  }
  return report;
}

std::optional<std::string> BrowserWipeReport::Message() const {
  // Each reason once, with its databases, in this order.
  static constexpr struct {
    StoreState why;
    const char* text;
  } kReasons[] = {
      {StoreState::kNotAStore,
       "These files are not browser cookie databases that Maskfold knows, so they were left as "
       "they are:"},
      {StoreState::kUnusual,
       "These cookie databases hold triggers or tables that no browser writes, so they were left "
       "as they are:"},
      {StoreState::kDamaged,
       "These cookie databases are damaged (SQLite's check found errors in them), so they were "
       "left as they are:"},
      {StoreState::kReadOnly,
       "These cookie databases are read-only, so they were left as they are:"},
      {StoreState::kLink,
       "These cookie databases are links to files elsewhere, so they were left as they are:"},
      {StoreState::kTimedOut,
       "These cookie databases took too long to clean, so they were left as they are:"},
      {StoreState::kNotCopied,
       "These cookie databases could not be copied to the recycle bin first (it may be turned off, "
       "full, or too small for them), so they were left as they are:"},
  };
  std::vector<std::string> parts;
  if (!to_close.empty())
    parts.push_back("The cookies of " + InWords(to_close) + " were left as they are because " +
                    (to_close.size() == 1 ? "it is" : "they are") + " open. Close " +
                    InWords(to_close) + ", then press Apply again.");
  for (const auto& reason : kReasons) {
    std::vector<std::string> databases;
    for (const Left& store : left)
      if (store.why == reason.why) databases.push_back(store.database);
    if (!databases.empty()) parts.push_back(reason.text + Lines(databases));
  }
  if (parts.empty()) return std::nullopt;
  std::string text = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) text += "\n\n" + parts[i];
  return text;
}

}  // namespace browsers
