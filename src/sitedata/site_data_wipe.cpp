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

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
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

// Sends one file or folder to the recycle bin. True only when the bin holds
// it: the shell deletes for good what the bin cannot take, so its count must
// have grown. What it cannot take is asked about, never deleted unseen.
bool ToRecycleBin(const std::string& path) {
  platform::fileop::Record record;
  record.function = platform::fileop::kDelete;
  record.flags = platform::fileop::kAllowUndo | platform::fileop::kNoConfirmation |
                 platform::fileop::kSilent | platform::fileop::kNoErrorUi |
                 platform::fileop::kWantNukeWarning;
  record.from.push_back(path);
  const auto before = platform::fileop::RecycleBinItems(path);
  const bool run = before && platform::fileop::Run(record).Succeeded();
  const auto after = platform::fileop::RecycleBinItems(path);
  return run && after && *after >= *before + 1 && !files::Exists(path);
}

// The parts, as they lie in the profile, gathered into one folder named
// for the recycle bin, which then goes to the bin whole: a part that goes
// is moved there (a rename: its files are neither read nor written), a
// store that changes is copied. When the bin does not take the folder, the
// moved parts go back and the profile is as it was. False then, and when a
// part could not be set aside.
bool SetAsideInRecycleBin(const browsers::Store& store, const std::vector<Part>& parts,
                          std::size_t number, SiteDataReport& report) {
  // A short name: a profile's own paths run long, and the copy's lie below
  // it. One that an earlier run of this process id left makes this fail,
  // never mix with it; the next start sends it to the bin.
  std::string holder = files::TempFolder() + "\\" + kCopyFolderPrefix;
  holder += std::to_string(platform::process::CurrentProcessId()) + "-";
  holder += std::to_string(number);
  if (!files::MakeDirectory(holder)) return false;
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
    if (set_aside && part.action == Action::kRemove && files::MoveEntry(from, to))
      moved.push_back(&part);
    else
      set_aside = set_aside && CopyTree(from, to);  // another volume, or a store
  }
  const bool binned = set_aside && ToRecycleBin(copy);
  bool back = true;
  if (!binned)
    for (const Part* part : moved)
      back = files::MoveEntry(long_copy + "\\" + part->relative,
                              files::LongPath(store.folder + "\\" + part->relative)) &&
             back;
  if (!back) {
    // Never removed: what could not go back stays where it is, named.
    report.left.push_back({holder, "the profile's data set aside here could not go back"});
    return false;
  }
  // Whatever is left here is a copy: the profile still has its original.
  RemoveTree(files::LongPath(holder));
  return binned;
}

// Every part of the plan is changed now that its copy is in the bin; a part
// that its own check refuses stays as it is, and is named.
void ChangeParts(const browsers::Store& store, const Plan& plan, std::set<std::string>& sites,
                 SiteDataReport& report) {
  for (const Part& part : plan.parts) {
    const std::string path = store.folder + "\\" + part.relative;
    const PartOutcome done = ChangePart(part, path, plan);
    if (done.problem) {
      report.left.push_back({path, *done.problem});
      continue;
    }
    sites.insert(done.hosts.begin(), done.hosts.end());
    report.entries_removed += done.entries;
  }
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
    if (!entry.name.starts_with(kCopyFolderPrefix) ||
        !(entry.attributes & files::kAttributeDirectory) ||
        (entry.attributes & files::kAttributeReparsePoint))
      continue;
    // A run that ended in the middle: what it set aside was on its way to
    // the bin. One the bin does not take stays; the next start tries again.
    [[maybe_unused]] const bool binned = ToRecycleBin(temp + "\\" + entry.name);
  }
}

SiteDataReport WipeSiteData(const std::vector<browsers::Store>& stores,
                            const browsers::ProtectedSites& kept) {
  SiteDataReport report;
  const std::vector<std::string> running = platform::process::RunningProgramNames();
  std::set<std::string> done, sites;
  for (std::size_t number = 0; number < stores.size(); ++number) {
    const browsers::Store& store = stores[number];
    if (store.folder.empty() || !done.insert(Lowered(store.folder)).second) continue;
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
    if (!SetAsideInRecycleBin(store, plan.parts, number, report)) {
      report.not_copied.push_back(store.folder);
      continue;
    }
    ChangeParts(store, plan, sites, report);
    AddOnce(report.cleaned, store.browser);
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
