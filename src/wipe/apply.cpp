#include "wipe/apply.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "browsers/browser_wipe.h"
#include "browsers/protected_sites.h"
#include "browsers/stores.h"
#include "browsers/webrtc.h"
#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "platform/fileop.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "registry/settings.h"
#include "sitedata/site_data_wipe.h"
#include "wipe/cookie_stages.h"
#include "wipe/status_line.h"
#include "wipe/url_cache_purge.h"

namespace wipe {
namespace {

constexpr auto kInformation = outcome::Box::kInformation;
// The window is told of the purge's progress no more often than this.
constexpr std::uint64_t kProgressEveryMs = 25;

// One Apply, from the click to its end: what its steps share.
struct Run {
  MainWindowState& window;
  tasks::Runner& steps;
  RouteCheck check;
  std::string proxy;
  proxyswitch::EarlierSettings earlier;
  std::string route_line;  // where the pages go, once checked
  Cleared cleared;
  std::optional<std::string> webrtc_note;  // for Apply's last message
};
using RunPtr = std::shared_ptr<Run>;

// The proxy box and its tip show what the system holds now.
void ShowProxyNow(MainWindowState& window) {
  const std::string proxy_now = settings::Read(settings::kInternetSettings, settings::kProxyServer);
  window.SetProxyTooltip(proxy_now);
  window.SetProxyText(proxy_now);
}

// Every way Apply ends: nothing is at risk any more, and the window records
// the end before it shows the last message.
void End(MainWindowState& window, std::optional<Message> last = std::nullopt) {
  window.CookiesAtRisk(false);
  window.ApplyEnded(last);
}

// The end of an Apply that went past the route check: the line says where
// the pages go and what was cleared.
void EndCleared(const RunPtr& run, std::optional<Message> last = std::nullopt) {
  run->window.ShowStatus(run->route_line + "\n" + ClearedLine(run->cleared));
  // What the WebRTC step found comes with the last message.
  if (const auto& note = run->webrtc_note)
    last = last ? Message{last->text + "\n\n" + *note, last->box} : Message{*note, kInformation};
  End(run->window, std::move(last));
}

// Tells the window of what the stage has deleted, now and then.
std::function<void(std::size_t)> ProgressTeller(MainWindowState& window, tasks::Runner& steps,
                                                Stage stage) {
  return [&window, &steps, stage,
          told_ms = std::optional<std::uint64_t>()](std::size_t deleted) mutable {
    const std::uint64_t now = platform::ui::Milliseconds();
    if (told_ms && now - *told_ms < kProgressEveryMs) return;
    told_ms = now;
    steps.Post([&window, stage, deleted] { window.WipeProgress(stage, deleted); });
  };
}

// The browsers' own stores, last: the protected sites are read from the jar
// only now, after the restore.
void WipeBrowserStores(const RunPtr& run, const cookies::GuardedFolder& folder) {
  MainWindowState& window = run->window;
  tasks::Runner& steps = run->steps;
  struct Outcome {
    browsers::BrowserWipeReport report;
    sitedata::SiteDataReport site_data;
    bool sites_read = true;
  };
  const auto outcome = std::make_shared<Outcome>();
  window.CookiesAtRisk(true);  // inside the stores' transactions
  window.WipeProgress(Stage::kBrowserStores, 0);
  steps.Run(
      [&window, &steps, folder, outcome] {
        std::vector<std::string> sites;
        try {
          sites = browsers::AllProtectedSites(folder);
        } catch (const std::runtime_error&) {
          // Unread is not "nothing protected": the user's sites would go.
          outcome->sites_read = false;
          return;
        }
        const auto stores = browsers::FindStores(browsers::ShellUserFolders());
        const browsers::ProtectedSites kept(sites);
        outcome->report = browsers::WipeBrowsers(
            stores, kept, ProgressTeller(window, steps, Stage::kBrowserStores));
        // Then every site's storage, with the same protected sites.
        outcome->site_data = sitedata::WipeSiteData(stores, kept);
      },
      [run, folder, outcome] {
        if (!outcome->sites_read)
          return EndCleared(run, Message{"The browsers' cookies were left alone: the list of the "
                                         "sites you protected, in the folder \"" +
                                             cookies::JarFolder(folder) + "\", could not be read.",
                                         kInformation});
        run->cleared.browsers = outcome->report.cleaned;
        for (const auto& browser : outcome->site_data.cleaned)
          if (std::find(run->cleared.browsers.begin(), run->cleared.browsers.end(), browser) ==
              run->cleared.browsers.end())
            run->cleared.browsers.push_back(browser);
        run->cleared.site_data = outcome->site_data.sites.size();
        std::optional<std::string> message = outcome->report.Message();
        if (const auto site_data = outcome->site_data.Message())
          message = message ? *message + "\n\n" + *site_data : *site_data;
        if (message) return EndCleared(run, Message{*message, kInformation});
        EndCleared(run);
      });
}

// A delete that was declined or failed still lets the restore run, and
// Apply then ends; only what the shell did is counted as cleared.
bool RunFileOperation(const platform::fileop::Record& record) {
  return platform::fileop::Run(record).Succeeded();
}

void Restore(const RunPtr& run) {
  MainWindowState& window = run->window;
  tasks::Runner& steps = run->steps;
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(window.CookiesFolder());
  if (!checked) return EndCleared(run);
  // A jar that leads elsewhere holds files that were never protected here.
  const cookies::GuardedFolder& folder = *checked.folder;
  if (cookies::JarIsLink(folder))
    return EndCleared(
        run, Message{"Your protected cookies were not copied back: the protected folder \"" +
                         cookies::JarFolder(folder) +
                         "\" is a link to another place. The browsers' cookies were left alone "
                         "too: the sites you protected are kept in that folder.",
                     kInformation});
  const auto record = CookieRestoreRecord(folder);
  if (!record) {
    window.CookiesAtRisk(false);
    return WipeBrowserStores(run, folder);
  }
  window.WipeProgress(Stage::kRestore, 0);
  // A restore that failed is the shell's to tell: its own error dialog.
  steps.Run([record = *record] { [[maybe_unused]] const bool restored = RunFileOperation(record); },
            [run, folder] {
              run->window.CookiesAtRisk(false);  // restored
              WipeBrowserStores(run, folder);
            });
}

void DeleteCookies(const RunPtr& run) {
  MainWindowState& window = run->window;
  tasks::Runner& steps = run->steps;
  // Never a pattern outside a real cookies folder: "Not Found\*.txt",
  // "\*.txt" or "C:\.\*.txt" would reach files that are not cookies.
  const std::string folder = window.CookiesFolder();
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(folder);
  if (!checked)
    return EndCleared(
        run, Message{"Your cookies were left alone: the cookies folder \"" + folder + "\" " +
                         *checked.problem +
                         ", so no cookie was deleted or restored, the browsers' cookies "
                         "included: the sites you protected are kept in that folder.",
                     kInformation});
  const auto record = CookieDeleteRecord(*checked.folder);
  if (!record) return Restore(run);
  // From the delete until the restore is done, the protected cookies are
  // out of the cookies folder.
  window.CookiesAtRisk(true);
  window.WipeProgress(Stage::kCookieFiles, 0);
  const auto deleted = std::make_shared<bool>(false);
  steps.Run([record = *record, deleted] { *deleted = RunFileOperation(record); },
            [run, deleted, files = record->from.size()] {
              if (*deleted) run->cleared.cookie_files = files;
              Restore(run);
            });
}

void Purge(const RunPtr& run) {
  MainWindowState& window = run->window;
  tasks::Runner& steps = run->steps;
  const auto report = std::make_shared<PurgeReport>();
  steps.Run(
      [&window, &steps, report] {
        registry::DeleteRegKey(settings::kTypedUrls.root, settings::kTypedUrls.subkey);
        auto tell = ProgressTeller(window, steps, Stage::kCacheEntries);
        *report = PurgeUrlCache(tell);
      },
      [run, report] {
        for (const PurgeNote& note : report->notes)
          run->window.Tell({note.Message(), outcome::Box::kPlain});
        run->cleared.cache_entries = report->entries_deleted;
        if (report->outcome == PurgeOutcome::kStop) return EndCleared(run);
        DeleteCookies(run);
      });
}

// Once the route is taken: WebRTC of the closed browsers kept to the proxy.
void KeepWebRtc(const RunPtr& run) {
  const auto report = std::make_shared<browsers::WebRtcReport>();
  run->steps.Run(
      [report] {
        *report = browsers::KeepWebRtcToProxy(browsers::FindStores(browsers::ShellUserFolders()));
      },
      [run, report] {
        run->webrtc_note = report->KeptMessage();
        Purge(run);
      });
}

// The route does not carry pages: the user takes the switch back, nothing
// deleted, or keeps it and Apply goes on.
void AskAboutRoute(const RunPtr& run, const routecheck::RouteReport& report) {
  const std::string earlier = run->earlier.had_record
                                  ? "Maskfold's earlier proxy " + run->earlier.record_proxy
                                  : "your own settings";
  const std::size_t answer = run->window.Ask(
      {"Maskfold switched to the proxy " + run->proxy +
           ", but your browsers' pages do not get through it:\n\n" +
           report.Problem().value_or("the check failed.") +
           "\n\nNothing has been deleted yet. Go Back puts " + earlier +
           " back and deletes nothing. Keep It keeps this proxy and goes on with Apply.",
       {"Go Back", "Keep It"}});
  if (answer != 0) return KeepWebRtc(run);
  const auto back = std::make_shared<proxyswitch::Outcome>();
  run->steps.Run([run, back] { *back = proxyswitch::GoBack(run->earlier); },
                 [run, back, earlier] {
                   ShowProxyNow(run->window);
                   run->window.ShowStatus(StatusAtStart());
                   if (!*back) return End(run->window, *back->Why());
                   End(run->window, Message{"Maskfold put " + earlier +
                                                " back. Nothing was deleted: your cookies, cache "
                                                "and typed addresses are as they were.",
                                            kInformation});
                 });
}

// Before anything is deleted: the pages must get through the new route.
void CheckRoute(const RunPtr& run) {
  run->window.ShowStatus(CheckingLine(run->proxy));
  const auto report = std::make_shared<routecheck::RouteReport>();
  run->steps.Run([run, report] { *report = run->check(); },
                 [run, report] {
                   run->route_line =
                       CheckedLine(run->proxy, *report, platform::process::LocalTimeNow());
                   run->window.ShowStatus(run->route_line);
                   if (!report->Works()) return AskAboutRoute(run, *report);
                   KeepWebRtc(run);
                 });
}

void Switch(const RunPtr& run) {
  const auto switched = std::make_shared<proxyswitch::Outcome>();
  run->steps.Run([run, switched] { *switched = proxyswitch::SwitchOn(run->proxy, &run->earlier); },
                 [run, switched] {
                   // Wiping the traces without moving the identity gains
                   // nothing and cannot be undone.
                   ShowProxyNow(run->window);
                   if (!*switched) return End(run->window, *switched->Why());
                   CheckRoute(run);
                 });
}

// A running browser keeps its cookies and writes them back: the user closes
// it first, goes on without it, or changes nothing.
void AskAboutOpenBrowsers(const RunPtr& run) {
  const auto open = std::make_shared<std::vector<std::string>>();
  run->steps.Run(
      [open] {
        *open = browsers::RunningBrowsers(browsers::FindStores(browsers::ShellUserFolders()));
      },
      [run, open] {
        if (open->empty()) return Switch(run);
        const std::string names = browsers::InWords(*open);
        const bool one = open->size() == 1;
        const std::size_t answer = run->window.Ask(
            {names + (one ? " is" : " are") +
                 " open. Maskfold cleans a browser's cookies and settings only while it is "
                 "closed: an open browser keeps them and writes them back.\n\nClose " +
                 names +
                 ", then choose Retry. Continue switches the proxy and cleans everything "
                 "else, leaving " +
                 (one ? "it" : "them") + " as " + (one ? "it is" : "they are") +
                 ". Cancel changes nothing.",
             {"Retry", "Continue", "Cancel"},
             2});
        if (answer == 0) return AskAboutOpenBrowsers(run);
        if (answer == 1) return Switch(run);
        End(run->window);
      });
}

}  // namespace

void Apply(MainWindowState& window, tasks::Runner& steps, RouteCheck check) {
  const proxyswitch::CheckedProxy checked = proxyswitch::CheckProxyText(window.ProxyText());
  if (checked.problem) return End(window, Message{*checked.problem, kInformation});
  AskAboutOpenBrowsers(
      std::make_shared<Run>(Run{window, steps, std::move(check), checked.proxy, {}, {}, {}, {}}));
}

std::string StatusAtStart() {
  if (const auto proxy = proxyswitch::ProgramProxyOn()) return NotCheckedLine(*proxy);
  return OwnSettingsLine();
}

}  // namespace wipe
