#include "sitedata/site_data_wipe.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "browsers/cookie_database.h"
#include "common/text.h"
#include "cookies/folder_guard.h"
#include "platform/fileop.h"
#include "platform/files.h"
#include "sitedata/folder_tree.h"
#include "sitedata/origins.h"
#include "sitedata/part_changes.h"
#include "sitedata/profile_parts.h"

namespace sitedata {
namespace {

namespace files = platform::files;

constexpr char kCopyFolderPrefix[] = "Maskfold data ";

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

bool IsRunning(const std::vector<std::string>& running, const std::string& executable) {
  return std::any_of(running.begin(), running.end(),
                     [&](const std::string& name) { return text::EqualsNoCase(name, executable); });
}

// Makes every folder of the relative path's parents under the base.
bool MakeParents(const std::string& base, const std::string& relative) {
  for (auto slash = relative.find('\\'); slash != std::string::npos;
       slash = relative.find('\\', slash + 1)) {
    const std::string folder = base + "\\" + relative.substr(0, slash);
    if (!files::Exists(folder) && !files::MakeDirectory(folder)) return false;
  }
  return true;
}

enum class Binned {
  kTaken,    // the bin's count shows it there
  kGone,     // gone from its place, the count unchanged: a full bin made room,
             // or the user chose to delete it for good when the shell asked
  kRefused,  // still in its place
};

// Sends one file or folder to the recycle bin. What the bin cannot take the
// shell asks about (kWantNukeWarning), never deleting it unseen.
Binned ToRecycleBin(const std::string& path) {
  platform::fileop::Record record;
  record.function = platform::fileop::kDelete;
  record.flags = platform::fileop::kAllowUndo | platform::fileop::kNoConfirmation |
                 platform::fileop::kSilent | platform::fileop::kNoErrorUi |
                 platform::fileop::kWantNukeWarning;
  record.from.push_back(path);
  const auto before = platform::fileop::RecycleBinItems(path);
  if (!before) return Binned::kRefused;  // a bin that cannot be counted is not tried
  [[maybe_unused]] const auto run = platform::fileop::Run(record);  // what is left tells
  if (files::Exists(path)) return Binned::kRefused;
  const auto after = platform::fileop::RecycleBinItems(path);
  return after && *after >= *before + 1 ? Binned::kTaken : Binned::kGone;
}

// A database's journal beside it, copied with it.
constexpr const char* kJournals[] = {"-wal", "-journal"};

// The parts, as they lie in the profile, gathered into one folder named
// for the recycle bin, which then goes to the bin whole: a part that goes
// is moved there (a rename: its files are neither read nor written), a
// store that changes is copied, with its journal. When the bin does not
// take the folder, the moved parts go back and the profile is as it was:
// false then (the profile named in not_copied), and when a part could not
// go back (named in left).
bool SetAsideInRecycleBin(const browsers::Store& store, const std::vector<Part>& parts,
                          std::size_t number, SiteDataReport& report) {
  // A short name: a profile's own paths run long, and the copy's lie below
  // it. One that an earlier run of this process id left makes this fail,
  // never mix with it; the next start sends it to the bin.
  std::string holder = files::TempFolder() + "\\" + kCopyFolderPrefix;
  holder += std::to_string(platform::process::CurrentProcessId()) + "-";
  holder += std::to_string(number);
  if (!files::MakeDirectory(holder)) {
    report.not_copied.push_back(store.folder);
    return false;
  }
  const std::string copy =
      holder + "\\" + SiteDataCopyName(store, platform::process::LocalTimeNow());
  // The copy's paths are the profile's with the copy's folder before them:
  // long paths, past MAX_PATH.
  const std::string long_copy = files::LongPath(copy);
  std::vector<const Part*> moved;
  bool set_aside = files::MakeDirectory(copy);
  for (const Part& part : parts) {
    if (!set_aside) break;
    const std::string from = files::LongPath(store.folder + "\\" + part.relative);
    const std::string to = long_copy + "\\" + part.relative;
    set_aside = MakeParents(long_copy, part.relative);
    if (set_aside && part.action == Action::kRemove && files::MoveEntry(from, to)) {
      moved.push_back(&part);
      continue;
    }
    set_aside = set_aside && CopyTree(from, to);  // another volume, or a store
    for (const char* journal : kJournals)
      if (set_aside && files::Exists(from + journal))
        set_aside = CopyTree(from + journal, to + journal);
  }
  const Binned binned = set_aside ? ToRecycleBin(copy) : Binned::kRefused;
  if (binned == Binned::kGone) report.unseen.push_back(store.folder);
  bool back = true;
  if (binned == Binned::kRefused)
    for (const Part* part : moved)
      back = files::MoveEntry(long_copy + "\\" + part->relative,
                              files::LongPath(store.folder + "\\" + part->relative)) &&
             back;
  if (!back) {
    // Never removed: what could not go back stays, and goes to the bin at
    // the next start.
    report.left.push_back({holder,
                           "what was set aside here could not go back into the profile; "
                           "the next start sends it to the Recycle Bin"});
    return false;
  }
  // Whatever is left here is a copy: the profile still has its original.
  if (!RemoveTree(files::LongPath(holder)).gone)
    report.left.push_back({holder, "a copy of the profile's stores could not be removed"});
  if (binned == Binned::kRefused) report.not_copied.push_back(store.folder);
  return binned != Binned::kRefused;
}

// Every part of the plan is changed now that its copy is in the bin; a part
// that its own check refuses stays as it is, and is named. True when one
// part or more changed.
bool ChangeParts(const browsers::Store& store, const Plan& plan, std::set<std::string>& sites,
                 SiteDataReport& report) {
  bool changed = false;
  for (const Part& part : plan.parts) {
    const std::string path = store.folder + "\\" + part.relative;
    const PartOutcome done = ChangePart(part, path, plan);
    if (done.problem) {
      report.left.push_back({path, *done.problem});
      continue;
    }
    sites.insert(done.hosts.begin(), done.hosts.end());
    report.entries_removed += done.entries;
    changed = true;
  }
  return changed;
}

}  // namespace

std::string SiteDataCopyName(const browsers::Store& store, const platform::process::LocalTime& at) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d", at.year, at.month, at.day, at.hour,
                at.minute);
  std::string name = "Site data of " + store.browser;
  name += ", " + store.profile;
  name += ", before Maskfold ";
  name += stamp;
  return name;
}

void BinLeftoverSiteData() {
  const std::string temp = files::TempFolder();
  for (const auto& entry : files::ListEntries(temp)) {
    if (!(entry.attributes & files::kAttributeDirectory) ||
        (entry.attributes & files::kAttributeReparsePoint))
      continue;
    const std::string holder = files::LongPath(temp + "\\" + entry.name);
    // A copy of a store read for its keys: the store still has them.
    if (entry.name.starts_with(kLevelDbReadPrefix)) {
      [[maybe_unused]] const Removed removed = RemoveTree(holder);  // else the next start
      continue;
    }
    if (!entry.name.starts_with(kCopyFolderPrefix)) continue;
    // A run that ended in the middle: what it set aside was on its way to
    // the bin, under its own name. One the bin does not take stays; the
    // next start tries again.
    for (const auto& item : files::ListEntries(holder)) {
      if (item.attributes & files::kAttributeReparsePoint) continue;
      [[maybe_unused]] const Binned binned = ToRecycleBin(holder + "\\" + item.name);
    }
    files::RemoveFolder(holder);  // stays while something in it does
  }
}

SiteDataReport WipeSiteData(const std::vector<browsers::Store>& stores,
                            const browsers::ProtectedSites& kept) {
  SiteDataReport report;
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  std::set<std::string> done, sites;
  for (std::size_t number = 0; number < stores.size(); ++number) {
    const browsers::Store& store = stores[number];
    if (store.folder.empty() || !done.insert(text::LowerAscii(store.folder)).second) continue;
    if (IsRunning(running, store.executable)) {
      AddOnce(report.to_close, store.browser);
      continue;
    }
    // The profile must pass the guard; a profile reached through a link
    // is left as it is.
    const cookies::FolderCheck checked = cookies::CheckCookiesFolder(store.folder);
    if (!checked || files::IsLink(store.folder)) {
      report.left.push_back({store.folder, "it is not a plain folder"});
      continue;
    }
    Plan plan = PlanProfile(store, kept);
    for (const auto& linked : plan.linked)
      report.left.push_back({store.folder + "\\" + linked, "it holds a link to somewhere else"});
    if (plan.parts.empty()) continue;
    if (!SetAsideInRecycleBin(store, plan.parts, number, report)) continue;
    if (ChangeParts(store, plan, sites, report)) AddOnce(report.cleaned, store.browser);
  }
  report.sites.assign(sites.begin(), sites.end());
  return report;
}

std::optional<std::string> SiteDataReport::Message() const {
  std::vector<std::string> parts;
  if (!to_close.empty()) {
    std::string part = "The site data of " + browsers::InWords(to_close);
    part += " was left as it is because ";
    part += to_close.size() == 1 ? "it is" : "they are";
    part += " open. Close " + browsers::InWords(to_close);
    part += ", then press Apply again.";
    parts.push_back(part);
  }
  if (!not_copied.empty()) {
    std::string part =
        "The site data of these profiles could not be copied to the recycle bin first (it may be "
        "turned off, full, or too small for it), so it was left as it is:";
    for (const auto& profile : not_copied) part += "\n" + profile;
    parts.push_back(part);
  }
  if (!unseen.empty()) {
    std::string part =
        "Windows did not show the site data of these profiles arriving in the recycle bin: a full "
        "bin may have made room for it, or it was deleted for good when Windows asked:";
    for (const auto& profile : unseen) part += "\n" + profile;
    parts.push_back(part);
  }
  if (!left.empty()) {
    std::string part = "These parts of the browsers' site data were left as they are:";
    for (const auto& store : left) part += "\n" + store.path + " (" + store.why + ")";
    parts.push_back(part);
  }
  if (parts.empty()) return std::nullopt;
  // Beside what was left, what went.
  if (!sites.empty()) {
    std::string part = "The site data of " + std::to_string(sites.size());
    part += sites.size() == 1 ? " site was" : " sites was";
    part += " cleared; what it held is in the Recycle Bin.";
    parts.insert(parts.begin(), part);
  }
  std::string text = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) text += "\n\n" + parts[i];
  return text;
}

}  // namespace sitedata
