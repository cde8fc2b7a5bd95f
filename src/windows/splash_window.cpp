#include "windows/splash_window.h"

#include <commctrl.h>

#include <array>
#include <string>
#include <utility>

#include "common/identifiers.h"
#include "placement/centering.h"
#include "ui/picture_view.h"
#include "ui/resource.h"

namespace windows {
namespace {
using namespace ids::splash_window;

constexpr ui::FontStyle kDotFont{.points = 18, .bold = true};

// A red dot lying in the picture.
constexpr ui::ControlSpec Dot(int id, int left) {
  return {.id = id,
          .window_class = WC_STATICA,
          .text = ".",
          .style = SS_LEFT,
          .rect = {left, 1845, 150, 405},
          .parent = kPicture,
          .font = kDotFont};
}

// The picture fills the window; three red dots lie in it, in a row.
constexpr std::array<ui::ControlSpec, 4> kLayout{{
    {.id = kPicture,
     .window_class = ids::window_class::kPictureView,
     .rect = {-30, -45, 2895, 4260}},
    Dot(kFirstDot + 0, 2100),
    Dot(kFirstDot + 2, 2205),
    Dot(kFirstDot + 1, 2310),
}};

// The download ends at its own deadline; this one, a little later, is for a
// call that WinINet does not let go of while the server says nothing.
constexpr UINT_PTR kDeadlineTimer = 1;
constexpr unsigned kDeadlineGraceMs = 1000;

}  // namespace

SplashWindow::SplashWindow() {
  const ui::FrameSpec frame{
      ids::window_class::kSplash,
      "",
      WS_POPUP | WS_DLGFRAME,  // no caption, fixed dialog border
      WS_EX_TOOLWINDOW,        // not in the task bar
      2850,
      4170,
      nullptr,
  };
  Create(frame, kLayout);
  // A bitmap drawn with GDI: the splash needs no image decoder.
  picture_.Reset(static_cast<HBITMAP>(::LoadImageA(
      ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0)));
  ui::ShowBitmap(Control(kPicture), picture_.Get());
  placement::CenterWindow(Id());
}

SplashWindow::~SplashWindow() = default;

void SplashWindow::Download(startup::Steps::DownloadWork download,
                            std::function<void(banner::Stored)> then) {
  then_ = std::move(then);
  const auto stored = std::make_shared<banner::Stored>(banner::Stored::kFailed);
  Tasks().Run([transfer = transfer_, download = std::move(download),
               stored] { *stored = download(*transfer); },
              [this, stored] { Finish(*stored); });
  ::SetTimer(Handle(), kDeadlineTimer, banner::kDeadlineMs + kDeadlineGraceMs, nullptr);
}

// Once: the first of the download's report, the deadline and the close.
void SplashWindow::Finish(banner::Stored stored) {
  if (!then_) return;
  ::KillTimer(Handle(), kDeadlineTimer);
  std::exchange(then_, nullptr)(stored);
}

LRESULT SplashWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CTLCOLORSTATIC) {
    // Red dots on the picture, with no background of their own.
    const auto dc = reinterpret_cast<HDC>(wparam);
    ::SetTextColor(dc, RGB(255, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  switch (message) {
    case WM_TIMER:
      if (wparam != kDeadlineTimer) break;
      transfer_->Cancel();
      Finish(banner::Stored::kFailed);
      return 0;
    case WM_CLOSE:
      // Closed while the banner downloads: the user will not wait for it,
      // and start-up goes on to the main window at once, with the old
      // banner. Start-up closes the window itself.
      transfer_->Cancel();
      Finish(banner::Stored::kStopped);
      return 0;
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace windows
