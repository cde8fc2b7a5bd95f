#include "shell/splash.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>

#include "banner/gif_view.h"
#include "platform/ui.h"
#include "shell/form1.h"
#include "shell/ontop.h"
#include "shell/resource.h"

namespace shell {
namespace {

enum ControlId : int { kLabel1First = 1201, kPicture1 = 1210 };
constexpr DWORD kSettleMs = 150;
constexpr DWORD kQuietMs = 15;

// The picture fills the window; three red dots lie in it, in a row.
constexpr std::array<ControlSpec, 4> kLayout{{
    {kPicture1, banner::kGifViewClass, "", 0, -30, -45, 2895, 4260},
    {kLabel1First + 0, WC_STATICA, ".", SS_LEFT, 2100, 1845, 150, 405, kPicture1},
    {kLabel1First + 2, WC_STATICA, ".", SS_LEFT, 2205, 1845, 150, 405, kPicture1},
    {kLabel1First + 1, WC_STATICA, ".", SS_LEFT, 2310, 1845, 150, 405, kPicture1},
}};

std::string SplashImage() {
  const HMODULE module = ::GetModuleHandleA(nullptr);
  const HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_SPLASH), RT_RCDATA);
  const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::string(static_cast<const char*>(bytes), ::SizeofResource(module, found));
}

}  // namespace

void FrmSplash::Load(const std::string& banner_url) {
  FrmSplash splash;
  RunStartup(splash, banner_url);
}

FrmSplash::FrmSplash() {
  const FrameSpec frame{
      "MaskfoldSplash",
      "",
      WS_POPUP | WS_DLGFRAME,  // no caption, fixed dialog border
      WS_EX_TOOLWINDOW,        // not in the task bar
      2850,
      4170,
      nullptr,
      nullptr,
  };
  Create(frame, kLayout);
  dot_font_ = MakeFont("MS Sans Serif", 18, Dpi(), true);
  for (int i = 0; i < 3; ++i)
    ::SendMessageA(::GetDlgItem(Control(kPicture1), kLabel1First + i), WM_SETFONT,
                   reinterpret_cast<WPARAM>(dot_font_.Get()), FALSE);
  banner::ShowGifBytes(Control(kPicture1), SplashImage());
  CenterForm(Id());
}

LRESULT FrmSplash::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CTLCOLORSTATIC) {
    // Red dots on the picture, with no background of their own.
    const auto dc = reinterpret_cast<HDC>(wparam);
    ::SetTextColor(dc, RGB(255, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  return Window::OnMessage(message, wparam, lparam);
}

std::string FrmSplash::CookiesFolder() { return Form1::Get().Label6Caption(); }

void FrmSplash::ShowSplash() {
  Show();
  Repaint();
  // The download that follows blocks the thread. Where the display draws a
  // new window only when asked back (X11 under Wine), let those requests in
  // first, until the queue stays quiet, so that the splash is drawn and not a
  // blank box.
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < kSettleMs &&
         ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kQuietMs, QS_ALLINPUT) != WAIT_TIMEOUT)
    platform::ui::ProcessPendingMessages();
}

void FrmSplash::ShowMain() { Form1::Get().Show(); }

void FrmSplash::UnloadSplash() { Unload(); }

}  // namespace shell
