// WinINet: the browser's connection settings and HTTP transfers.
#pragma once

namespace platform::transfer {

// Tells WinINet that the proxy settings in the registry changed, so that a
// browser that stays open takes them up at once.
void NotifySettingsChanged();

}  // namespace platform::transfer
