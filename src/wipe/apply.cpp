#include "wipe/apply.h"

#include <memory>
#include <optional>

#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "platform/fileop.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "registry/settings.h"
#include "wipe/cookie_stages.h"
#include "wipe/url_cache_purge.h"

namespace wipe {
namespace {

constexpr int kInformation = platform::ui::kStyleInformation;
// The window is told of the purge's progress no more often than this.
constexpr std::uint64_t kProgressEveryMs = 25;

// The proxy switched; false, with the window told why, when Apply must end
// here: wiping the traces without moving the identity gains nothing and
// cannot be undone.
bool Switched(MainWindowState& window, const proxyswitch::Outcome& switched) {
  const std::string proxy_now = settings::Read(settings::kInternetSettings, settings::kProxyServer);
  window.SetProxyTooltip(proxy_now);
  window.SetProxyText(proxy_now);
  if (!switched) {
    window.Tell({*switched.problem, kInformation});
    return false;
  }
  return true;
}

// The results of the shell's operations are not looked at: a delete that
// was declined or failed still lets the restore run, and Apply then ends.
void RunFileOperation(const platform::fileop::Record& record) {
  [[maybe_unused]] const int result = platform::fileop::Run(record);
}

void Restore(MainWindowState& window, tasks::Runner& steps) {
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(window.CookiesFolder());
  if (!checked) return window.ApplyEnded();
  // A jar that leads elsewhere holds files that were never protected here.
  if (cookies::JarIsLink(checked.folder)) {
    window.Tell({"Your protected cookies were not copied back: the protected folder \"" +
                     cookies::JarFolder(checked.folder) + "\" is a link to another place.",
                 kInformation});
    return window.ApplyEnded();
  }
  const auto record = CookieRestoreRecord(checked.folder);
  if (!record) return window.ApplyEnded();
  steps.Run([record = *record] { RunFileOperation(record); }, [&window] { window.ApplyEnded(); });
}

void DeleteCookies(MainWindowState& window, tasks::Runner& steps) {
  // Never a pattern outside a real cookies folder: "Not Found\*.txt",
  // "\*.txt" or "C:\.\*.txt" would reach files that are not cookies.
  const std::string folder = window.CookiesFolder();
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(folder);
  if (!checked) {
    window.Tell({"Your cookies were left alone: the cookies folder \"" + folder + "\" " +
                     *checked.problem + ", so no cookie was deleted or restored.",
                 kInformation});
    return window.ApplyEnded();
  }
  const auto record = CookieDeleteRecord(checked.folder);
  if (!record) return Restore(window, steps);
  steps.Run([record = *record] { RunFileOperation(record); },
            [&window, &steps] { Restore(window, steps); });
}

void Purge(MainWindowState& window, tasks::Runner& steps) {
  const auto report = std::make_shared<PurgeReport>();
  steps.Run(
      [&window, &steps, report] {
        registry::DeleteRegKey(settings::kTypedUrls.root, settings::kTypedUrls.subkey);
        std::optional<std::uint64_t> told_ms;
        *report = PurgeUrlCache([&](std::size_t deleted) {
          const std::uint64_t now = platform::ui::Milliseconds();
          if (told_ms && now - *told_ms < kProgressEveryMs) return;
          told_ms = now;
          steps.Post([&window, deleted] { window.WipeProgress(deleted); });
        });
      },
      [&window, &steps, report] {
        for (const PurgeNote& note : report->notes)
          window.Tell({note.Message(), platform::ui::kStylePlain});
        if (report->outcome == PurgeOutcome::kStop) return window.ApplyEnded();
        DeleteCookies(window, steps);
      });
}

}  // namespace

void Apply(MainWindowState& window, tasks::Runner& steps) {
  const proxyswitch::CheckedProxy checked = proxyswitch::CheckProxyText(window.ProxyText());
  if (checked.problem) {
    window.Tell({*checked.problem, kInformation});
    return window.ApplyEnded();
  }
  const auto switched = std::make_shared<proxyswitch::Outcome>();
  steps.Run([proxy = checked.proxy, switched] { *switched = proxyswitch::SwitchOn(proxy); },
            [&window, &steps, switched] {
              if (!Switched(window, *switched)) return window.ApplyEnded();
              Purge(window, steps);
            });
}

void Exit(MainWindowState& window) {
  const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  if (!off) window.Tell({*off.problem, kInformation});
  platform::process::EndProcess(0);
}

}  // namespace wipe
