// Entry point: builds the program and runs it.
//
// Command line: maskfold.exe [--banner-url=URL]  fetch the banner from URL
//               maskfold.exe --off   turn the proxy off, no window; exit code 0
//                                    when it is off afterwards, 1 otherwise
// A second start while Maskfold runs brings the running window to the front
// and ends; --off still does its work.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/application.h"
#include "app/program_end.h"
#include "app/single_instance.h"
#include "common/failure.h"
#include "platform/win32/handles.h"
#include "proxyswitch/proxy_switch.h"
#include "startup/startup_order.h"
#include "ui/button_strip.h"
#include "ui/failure_report.h"
#include "ui/gif_view.h"
#include "ui/picture_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ui::SetFailureShutdown(&app::ShutDownForFailure);
  return failure::Untrapped([] {
    if (proxyswitch::IsOffCommand(::GetCommandLineA())) return app::TurnEverythingOff() ? 1 : 0;
    const app::SingleInstance instance;
    if (!instance.First()) {
      app::BringRunningToFront();
      return 0;
    }
    // COM on this thread for the life of the program: ShellExecute may hand
    // a launch to a shell extension, which needs it.
    const platform::win32::ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ui::RegisterGifView();
    ui::RegisterPictureView();
    ui::RegisterButtonStrip();
    app::Application application;
    // Every way the program ends leaves this loop, the proxy off by then.
    return application.Run(startup::BannerUrl(::GetCommandLineA()));
  });
}
