#include "platform/transfer.h"

#include <windows.h>
#include <wininet.h>

namespace platform::transfer {

void NotifySettingsChanged() {
  ::InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
  ::InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

}  // namespace platform::transfer
