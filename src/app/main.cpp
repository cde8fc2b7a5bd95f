// Entry point: builds the program and runs it.
//
// Command line: maskfold.exe [--banner-url=URL]  fetch the banner from URL
#include <windows.h>

#include <commctrl.h>

#include "app/application.h"
#include "common/failure.h"
#include "startup/startup_order.h"
#include "ui/button_strip.h"
#include "ui/gif_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return failure::Untrapped([] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const ui::GdiplusSession gdiplus;
    ui::RegisterGifView();
    ui::RegisterButtonStrip();
    app::Application application;
    return application.Run(startup::BannerUrl(::GetCommandLineA()));
  });
}
