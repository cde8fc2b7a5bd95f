#include "wipe/apply.h"

#include "platform/files.h"
#include "platform/transfer.h"
#include "registry/settings.h"

namespace wipe {

void Apply(MainWindowState& window) {
  registry::DeleteRegKey(settings::kTypedUrls.root, settings::kTypedUrls.subkey);
  settings::WriteDword(settings::kInternetSettings, settings::kProxyEnable, "1");
  settings::WriteText(settings::kInternetSettings, settings::kProxyServer, window.ProxyText());
  window.SetProxyTooltip(settings::Read(settings::kInternetSettings, settings::kProxyServer));
  // A browser left open re-reads its proxy only when told to.
  platform::transfer::NotifySettingsChanged();
}

void Exit() {
  settings::WriteDword(settings::kInternetSettings, settings::kProxyEnable, "0");
  settings::WriteText(settings::kInternetSettings, settings::kProxyServer, settings::kProxyNotSet);
  platform::transfer::NotifySettingsChanged();
  platform::files::EndProcess(0);
}

}  // namespace wipe
