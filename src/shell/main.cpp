// Entry point: the main window is loaded on first touch, shown, and drives
// the program from then on.
#include <windows.h>

#include <commctrl.h>

#include "shell/fatal.h"
#include "shell/form1.h"

namespace {

int RunMessageLoop() {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab, the access keys and Enter work in the program's own windows as in
    // a dialog.
    const HWND active = ::GetActiveWindow();
    if (shell::Window::IsProgramWindow(active) && ::IsDialogMessageA(active, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return shell::Untrapped([] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    shell::Form1& main_window = shell::Form1::Get();
    main_window.Show();
    return RunMessageLoop();
  });
}
