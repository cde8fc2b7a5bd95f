#include "wipe/apply.h"

#include "common/failure.h"
#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "platform/fileop.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "proxyswitch/proxy_switch.h"
#include "registry/settings.h"
#include "wipe/cookie_stages.h"
#include "wipe/url_cache_purge.h"

namespace wipe {
namespace {

void TellCookiesLeftAlone(const std::string& folder, const std::string& problem) {
  platform::ui::ShowMessage("Your cookies were left alone: the cookies folder \"" + folder + "\" " +
                                problem + ", so no cookie was deleted or restored.",
                            platform::ui::kStyleInformation);
}

}  // namespace

void Apply(MainWindowState& window) {
  const proxyswitch::CheckedProxy checked_proxy = proxyswitch::CheckProxyText(window.ProxyText());
  if (checked_proxy.problem) {
    platform::ui::ShowMessage(*checked_proxy.problem, platform::ui::kStyleInformation);
    return;
  }
  // Wiping the traces without moving the identity gains nothing and cannot
  // be undone: the switch comes first, and the wipe only once it took.
  const proxyswitch::Outcome switched = proxyswitch::SwitchOn(checked_proxy.proxy);
  const std::string proxy_now = settings::Read(settings::kInternetSettings, settings::kProxyServer);
  window.SetProxyTooltip(proxy_now);
  window.SetProxyText(proxy_now);
  if (!switched) {
    platform::ui::ShowMessage(*switched.problem, platform::ui::kStyleInformation);
    return;
  }
  registry::DeleteRegKey(settings::kTypedUrls.root, settings::kTypedUrls.subkey);
  const std::string cookies_folder = window.CookiesFolder();

  // From the cache purge on, a step that fails is passed over and the next
  // one runs.
  PurgeOutcome purge = PurgeOutcome::kGoOn;
  failure::PassOver(
      [&] { purge = PurgeUrlCache([&](std::size_t deleted) { window.WipeProgress(deleted); }); });
  if (purge == PurgeOutcome::kStop) return;

  // Never a pattern outside a real cookies folder: "Not Found\*.txt",
  // "\*.txt" or "C:\.\*.txt" would reach files that are not cookies.
  const cookies::FolderCheck checked =
      failure::Trap([&] { return cookies::CheckCookiesFolder(cookies_folder); },
                    [] {
                      return cookies::FolderCheck{{}, "could not be checked"};
                    });
  if (!checked) {
    failure::PassOver([&] { TellCookiesLeftAlone(cookies_folder, *checked.problem); });
    return;
  }
  failure::PassOver([&] {
    if (const auto record = CookieDeleteRecord(checked.folder)) platform::fileop::Run(*record);
  });
  failure::PassOver([&] {
    const cookies::FolderCheck again = cookies::CheckCookiesFolder(window.CookiesFolder());
    if (!again) return;
    // A jar that leads elsewhere holds files that were never protected here.
    if (cookies::JarIsLink(again.folder)) {
      platform::ui::ShowMessage(
          "Your protected cookies were not copied back: the protected "
          "folder \"" +
              cookies::JarFolder(again.folder) + "\" is a link to another place.",
          platform::ui::kStyleInformation);
      return;
    }
    if (const auto record = CookieRestoreRecord(again.folder)) platform::fileop::Run(*record);
  });
}

void TurnProxyOff() {
  failure::PassOver([] { proxyswitch::SwitchOff(); });
}

void Exit() {
  // Exit ends the process whatever happens; what it could not undo is told.
  const proxyswitch::Outcome off =
      failure::Trap([] { return proxyswitch::SwitchOff(); },
                    [] { return proxyswitch::NotTurnedOff("the settings could not be written"); });
  if (!off)
    failure::PassOver(
        [&] { platform::ui::ShowMessage(*off.problem, platform::ui::kStyleInformation); });
  platform::process::EndProcess(0);
}

}  // namespace wipe
