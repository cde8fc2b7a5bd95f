#include "wipe/apply.h"

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
#include "platform/ui.h"
#include "registry/settings.h"
#include "wipe/cookie_stages.h"
#include "wipe/url_cache_purge.h"

namespace wipe {
namespace {

constexpr auto kInformation = outcome::Box::kInformation;
// The window is told of the purge's progress no more often than this.
constexpr std::uint64_t kProgressEveryMs = 25;

// The proxy switched; false, with the window told why, when Apply must end
// here: wiping the traces without moving the identity gains nothing and
// cannot be undone.
bool Switched(MainWindowState& window, const proxyswitch::Outcome& switched) {
  const std::string proxy_now = settings::Read(settings::kInternetSettings, settings::kProxyServer);
  window.SetProxyTooltip(proxy_now);
  window.SetProxyText(proxy_now);
  return static_cast<bool>(switched);
}

// What the WebRTC step found that the user must hear of, for Apply's last
// message. The window thread's, as every step's report is.
std::optional<std::string> webrtc_note;

// Every way Apply ends: nothing is at risk any more, and the window records
// the end before it shows the last message.
void End(MainWindowState& window, std::optional<Message> last = std::nullopt) {
  window.CookiesAtRisk(false);
  if (const auto note = std::exchange(webrtc_note, std::nullopt))
    last = last ? Message{last->text + "\n\n" + *note, last->box} : Message{*note, kInformation};
  window.ApplyEnded(last);
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
void WipeBrowserStores(MainWindowState& window, tasks::Runner& steps,
                       const cookies::GuardedFolder& folder) {
  struct Outcome {
    browsers::BrowserWipeReport report;
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
        outcome->report = browsers::WipeBrowsers(
            browsers::FindStores(browsers::ShellUserFolders()), browsers::ProtectedSites(sites),
            ProgressTeller(window, steps, Stage::kBrowserStores));
      },
      [&window, folder, outcome] {
        if (!outcome->sites_read)
          return End(window, Message{"The browsers' cookies were left alone: the list of the sites "
                                     "you protected, in the folder \"" +
                                         cookies::JarFolder(folder) + "\", could not be read.",
                                     kInformation});
        if (const auto message = outcome->report.Message())
          return End(window, Message{*message, kInformation});
        End(window);
      });
}

// The results of the shell's operations are not looked at: a delete that
// was declined or failed still lets the restore run, and Apply then ends.
void RunFileOperation(const platform::fileop::Record& record) {
  [[maybe_unused]] const status::Win32Error result = platform::fileop::Run(record);
}

void Restore(MainWindowState& window, tasks::Runner& steps) {
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(window.CookiesFolder());
  if (!checked) return End(window);
  // A jar that leads elsewhere holds files that were never protected here.
  const cookies::GuardedFolder& folder = *checked.folder;
  if (cookies::JarIsLink(folder))
    return End(window,
               Message{"Your protected cookies were not copied back: the protected folder \"" +
                           cookies::JarFolder(folder) +
                           "\" is a link to another place. The browsers' cookies were left alone "
                           "too: the sites you protected are kept in that folder.",
                       kInformation});
  const auto record = CookieRestoreRecord(folder);
  if (!record) {
    window.CookiesAtRisk(false);
    return WipeBrowserStores(window, steps, folder);
  }
  window.WipeProgress(Stage::kRestore, 0);
  steps.Run([record = *record] { RunFileOperation(record); },
            [&window, &steps, folder] {
              window.CookiesAtRisk(false);  // restored
              WipeBrowserStores(window, steps, folder);
            });
}

void DeleteCookies(MainWindowState& window, tasks::Runner& steps) {
  // Never a pattern outside a real cookies folder: "Not Found\*.txt",
  // "\*.txt" or "C:\.\*.txt" would reach files that are not cookies.
  const std::string folder = window.CookiesFolder();
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(folder);
  if (!checked)
    return End(window, Message{"Your cookies were left alone: the cookies folder \"" + folder +
                                   "\" " + *checked.problem +
                                   ", so no cookie was deleted or restored, the browsers' cookies "
                                   "included: the sites you protected are kept in that folder.",
                               kInformation});
  const auto record = CookieDeleteRecord(*checked.folder);
  if (!record) return Restore(window, steps);
  // From the delete until the restore is done, the protected cookies are
  // out of the cookies folder.
  window.CookiesAtRisk(true);
  window.WipeProgress(Stage::kCookieFiles, 0);
  steps.Run([record = *record] { RunFileOperation(record); },
            [&window, &steps] { Restore(window, steps); });
}

void Purge(MainWindowState& window, tasks::Runner& steps) {
  const auto report = std::make_shared<PurgeReport>();
  steps.Run(
      [&window, &steps, report] {
        registry::DeleteRegKey(settings::kTypedUrls.root, settings::kTypedUrls.subkey);
        auto tell = ProgressTeller(window, steps, Stage::kCacheEntries);
        *report = PurgeUrlCache(tell);
      },
      [&window, &steps, report] {
        for (const PurgeNote& note : report->notes)
          window.Tell({note.Message(), outcome::Box::kPlain});
        if (report->outcome == PurgeOutcome::kStop) return End(window);
        DeleteCookies(window, steps);
      });
}

// Once the proxy is on: WebRTC of the closed browsers kept to it.
void KeepWebRtc(MainWindowState& window, tasks::Runner& steps) {
  const auto report = std::make_shared<browsers::WebRtcReport>();
  steps.Run(
      [report] {
        *report = browsers::KeepWebRtcToProxy(browsers::FindStores(browsers::ShellUserFolders()));
      },
      [&window, &steps, report] {
        webrtc_note = report->KeptMessage();
        Purge(window, steps);
      });
}

}  // namespace

void Apply(MainWindowState& window, tasks::Runner& steps) {
  const proxyswitch::CheckedProxy checked = proxyswitch::CheckProxyText(window.ProxyText());
  if (checked.problem) return End(window, Message{*checked.problem, kInformation});
  const auto switched = std::make_shared<proxyswitch::Outcome>();
  steps.Run([proxy = checked.proxy, switched] { *switched = proxyswitch::SwitchOn(proxy); },
            [&window, &steps, switched] {
              if (!Switched(window, *switched)) return End(window, *switched->Why());
              KeepWebRtc(window, steps);
            });
}

}  // namespace wipe
