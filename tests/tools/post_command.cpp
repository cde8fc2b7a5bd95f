// Chooses a command in a running program's window, as a click would:
//   post_command.exe cookie-manager | cookie-manager-done | about | test-proxies |
//                    browser-cookies
// Used by the screenshot script to open the program's other windows.
#include <windows.h>

#include <string_view>

#include "common/identifiers.h"

namespace {
struct Command {
  std::string_view name;
  const char* window_class;
  int id;
};
constexpr Command kCommands[] = {
    {"cookie-manager", ids::window_class::kMain, ids::menu::kCookieManager},
    {"cookie-manager-done", ids::window_class::kCookieManager, ids::cookie_manager::kDoneButton},
    {"about", ids::window_class::kMain, ids::menu::kAbout},
    {"test-proxies", ids::window_class::kMain, ids::menu::kTestProxies},
    {"browser-cookies", ids::window_class::kMain, ids::menu::kBrowserCookies},
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 87;
  for (const Command& command : kCommands) {
    if (command.name != argv[1]) continue;
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i, ::Sleep(100))
      window = ::FindWindowA(command.window_class, nullptr);
    if (!window) return 2;
    return ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(command.id, 0), 0) ? 0 : 1;
  }
  return 87;
}
