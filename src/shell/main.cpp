// Entry point: the splash window's load starts the program; the main window
// drives it from then on.
//
// Command line: maskfold.exe [--banner-url=URL]  fetch the banner from URL
#include <windows.h>

#include <commctrl.h>

#include "banner/gif_view.h"
#include "shell/fatal.h"
#include "shell/splash.h"
#include "shell/startup.h"

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
    const banner::GdiplusSession gdiplus;
    banner::RegisterGifView();
    shell::FrmSplash::Load(shell::BannerUrl(::GetCommandLineA()));
    return RunMessageLoop();
  });
}
