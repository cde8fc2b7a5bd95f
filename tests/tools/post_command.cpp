// Chooses a command in a running program's window, as a click would, and
// waits until the window it opens (or closes) is so:
//   post_command.exe main-shown | cookie-manager | cookie-manager-done | about |
//                    test-proxies | browser-cookies
// main-shown posts nothing: it waits for the main window to show. Exit code 0
// once done, 2 when the window did not come (or go) within 30 seconds.
// Used by the screenshot script to open the program's other windows.
#include <windows.h>

#include <string_view>

#include "common/identifiers.h"

namespace {
struct Command {
  std::string_view name;
  const char* window_class;  // where the command goes; nullptr: none
  int id;
  const char* shows;  // the window that is visible afterwards
  bool hides;         // ... or, when true, that is not
};
namespace wc = ids::window_class;
constexpr Command kCommands[] = {
    {"main-shown", nullptr, 0, wc::kMain, false},
    {"cookie-manager", wc::kMain, ids::menu::kCookieManager, wc::kCookieManager, false},
    {"cookie-manager-done", wc::kCookieManager, ids::cookie_manager::kDoneButton,
     wc::kCookieManager, true},
    {"about", wc::kMain, ids::menu::kAbout, wc::kAbout, false},
    {"test-proxies", wc::kMain, ids::menu::kTestProxies, wc::kProxyTest, false},
    {"browser-cookies", wc::kMain, ids::menu::kBrowserCookies, wc::kBrowserCookies, false},
};

bool Visible(const char* window_class) {
  const HWND window = ::FindWindowA(window_class, nullptr);
  return window && ::IsWindowVisible(window);
}

bool WaitFor(const char* window_class, bool visible) {
  for (int i = 0; i < 300; ++i, ::Sleep(100))
    if (Visible(window_class) == visible) return true;
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 87;
  for (const Command& command : kCommands) {
    if (command.name != argv[1]) continue;
    if (command.window_class) {
      if (!WaitFor(command.window_class, true)) return 2;
      if (!::PostMessageA(::FindWindowA(command.window_class, nullptr), WM_COMMAND,
                          MAKEWPARAM(command.id, 0), 0))
        return 1;
    }
    return WaitFor(command.shows, !command.hides) ? 0 : 2;
  }
  return 87;
}
