#include "windows/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "common/failure.h"
#include "common/identifiers.h"
#include "options/browser_options.h"
#include "pages/open_page.h"
#include "placement/always_on_top.h"
#include "placement/centering.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "registry/settings.h"
#include "ui/gif_view.h"
#include "ui/menu.h"
#include "ui/messages.h"
#include "ui/question_box.h"
#include "ui/resource.h"
#include "wipe/cookie_stages.h"

namespace windows {
namespace {
using namespace ids::main_window;
namespace menu = ids::menu;

constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;

// In tab order, which is also the order from the top down: the banner and
// the wipe's progress lie over their frame, so they come before it. The
// progress shows in the frame below the banner while a long Apply runs.
// The status line has room for its two parts, the route and what was
// cleared, at their longest for a proxy given by its address.
constexpr std::array<ui::ControlSpec, 9> kLayout{{
    {.id = kApplyButton,
     .window_class = WC_BUTTONA,
     .text = "&Apply",
     .style = kPushButton,
     .rect = {120, 4410, 855, 375}},
    {.id = kExitButton,
     .window_class = WC_BUTTONA,
     .text = "E&xit",
     .style = kPushButton,
     .rect = {1455, 4410, 855, 375}},
    // The height includes the drop-down list; the edit field keeps its own.
    {.id = kProxyBox,
     .window_class = WC_COMBOBOXA,
     .style = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
     .rect = {105, 1710, 2235, 2400}},
    {.id = kStatusLine,
     .window_class = WC_STATICA,
     .style = SS_LEFT | SS_NOPREFIX | SS_NOTIFY,  // notified: the tip shows over it
     .rect = {105, 2100, 2235, 2250}},
    {.id = kProxyLabel,
     .window_class = WC_STATICA,
     .text = "Current Proxy && Port",
     .style = SS_LEFT,
     .rect = {120, 1485, 2085, 255}},
    {.id = kBanner, .window_class = ids::window_class::kGifView, .rect = {150, 30, 1695, 705}},
    {.id = kWipeLabel,
     .window_class = WC_STATICA,
     .style = SS_LEFTNOWORDWRAP | SS_NOPREFIX,
     .rect = {210, 870, 2040, 255}},
    {.id = kWipeBar,
     .window_class = PROGRESS_CLASSA,
     .style = PBS_MARQUEE,
     .rect = {210, 1140, 2040, 195}},
    // Below everything it frames, and clipped by it: a group box paints its
    // whole inside, and would hide the wipe's progress.
    {.id = kBannerFrame,
     .window_class = WC_BUTTONA,
     .style = BS_GROUPBOX | WS_CLIPSIBLINGS,
     .rect = {135, -75, 2190, 1470}},
}};

// A long wipe's progress shows once it has run this long.
constexpr UINT kShowProgressAfterMs = 500;
constexpr UINT_PTR kProgressTimer = 1;

const std::vector<ui::MenuSpec> kMenus{
    {"&Options",
     {{menu::kClearTempOnExit, "Clear IE temp files on exit"},
      {menu::kFullScreen, "Keep IE in full-screen mode"},
      {menu::kAlwaysOnTop, "Always On Top"}}},
    {"&Tools",
     {{menu::kEditProxyList, "Edit Proxy List"},
      {menu::kCookieManager, "Cookie Manager"},
      {menu::kTestProxies, "Test Proxies"},
      {menu::kBrowserCookies, "Browser Cookies"}}},
    {"&Help", {{menu::kHelpContents, "Contents"}, {menu::kAbout, "About"}}},
};

// Apply and Exit are unavailable for the life of the object; both come back,
// and the focus with them, on every way out of Apply.
class CommandsDisabled {
 public:
  CommandsDisabled(HWND apply, HWND exit, bool& applying)
      : apply_(apply), exit_(exit), applying_(applying), focus_(::GetFocus()) {
    applying_ = true;
    ::EnableWindow(apply_, FALSE);
    ::EnableWindow(exit_, FALSE);
  }
  ~CommandsDisabled() {
    ::EnableWindow(apply_, TRUE);
    ::EnableWindow(exit_, TRUE);
    applying_ = false;
    // Disabling the focused button took the focus away: give it back, unless
    // the user has gone on to another control or program meanwhile.
    const HWND now = ::GetFocus();
    if (focus_ && ::IsWindow(focus_) && (!now || now == ::GetAncestor(apply_, GA_ROOT)))
      ::SetFocus(focus_);
  }
  CommandsDisabled(const CommandsDisabled&) = delete;
  CommandsDisabled& operator=(const CommandsDisabled&) = delete;

 private:
  HWND apply_, exit_;
  bool& applying_;
  HWND focus_;
};

// The shell's dialogs during Apply have no owner: a topmost window of the
// program would cover them. The program's topmost windows leave the topmost
// band for the life of the object and go back to it afterwards, the main
// window only if "Always On Top" is still ticked.
class TopmostSuspended {
 public:
  explicit TopmostSuspended(HWND main) : main_(main) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&windows_));
    // Owners before the windows they own, which the window system lists
    // first.
    std::reverse(windows_.begin(), windows_.end());
    for (HWND window : windows_) Place(window, HWND_NOTOPMOST);
  }
  ~TopmostSuspended() {
    for (HWND window : windows_) {
      if (!::IsWindow(window)) continue;
      if (window == main_ &&
          !platform::ui::MenuTicked(reinterpret_cast<platform::ui::WindowId>(main_),
                                    menu::kAlwaysOnTop))
        continue;
      Place(window, HWND_TOPMOST);
    }
  }
  TopmostSuspended(const TopmostSuspended&) = delete;
  TopmostSuspended& operator=(const TopmostSuspended&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM windows) {
    if (ui::Window::IsProgramWindow(window) &&
        (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST))
      reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
  }
  static void Place(HWND window, HWND band) {
    ::SetWindowPos(window, band, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  HWND main_;
  std::vector<HWND> windows_;
};

}  // namespace

// While it lives, a log-off or shut-down is asked to wait, with the reason
// shown to the user.
class MainWindow::ShutdownBlocked {
 public:
  explicit ShutdownBlocked(HWND window) : window_(window) {
    ::ShutdownBlockReasonCreate(window_, L"Maskfold is restoring your protected cookies");
  }
  ~ShutdownBlocked() { ::ShutdownBlockReasonDestroy(window_); }
  ShutdownBlocked(const ShutdownBlocked&) = delete;
  ShutdownBlocked& operator=(const ShutdownBlocked&) = delete;

 private:
  HWND window_;
};

namespace {

std::string InApplicationFolder(std::string_view name) {
  return platform::files::ApplicationFolder() + "\\" + std::string(name);
}

}  // namespace

// What holds while Apply runs, undone on every way out of it.
struct MainWindow::ApplyUnderway {
  ApplyUnderway(MainWindow& window)
      : commands(window.Control(kApplyButton), window.Control(kExitButton), window.applying_),
        dialogs_visible(window.Handle()) {}
  CommandsDisabled commands;
  TopmostSuspended dialogs_visible;
};

MainWindow::MainWindow(OtherWindows& other_windows) : other_windows_(other_windows) {
  const ui::FrameSpec frame{
      ids::window_class::kMain,
      ids::kProgramTitle,
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
      0,
      2445,
      4905,
      ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MASKFOLD)),
  };
  Create(frame, kLayout, nullptr, ui::BuildMenuBar(kMenus));
  for (int id : {kExitButton, kApplyButton})
    ::SetWindowSubclass(Control(id), &MainWindow::ButtonSubclass, 0,
                        reinterpret_cast<DWORD_PTR>(this));
  ShowWipeProgress(false);
}

MainWindow::~MainWindow() = default;

void MainWindow::Load() {
  placement::CenterWindow(Id());
  ReloadBanner();
  LoadHandCursor();
  pointer_ = ui::Pointer::kDefault;
  const std::string proxy = settings::Read(settings::kInternetSettings, settings::kProxyServer);
  SetProxyTooltip(proxy);
  ::SetWindowTextA(Control(kProxyBox), proxy.c_str());
  const proxylist::LoadOutcome list = proxylist::LoadProxyList(*this);
  ::SendMessageA(Control(kProxyBox), WM_SETREDRAW, TRUE, 0);
  if (list == proxylist::LoadOutcome::kNotText)
    platform::ui::ShowMessage(
        "The proxy list " + proxylist::ProxyListPath() +
            " cannot be read: it is not saved in a text encoding Maskfold knows, so the list of "
            "proxies is empty.\n\nSave the file as UTF-8 or ANSI text (in Notepad: File, Save As, "
            "Encoding) and start Maskfold again.",
        platform::ui::kStyleInformation);
  cookies_folder_ = wipe::CookiesFolderFromRegistry(
      settings::Read(settings::kCookiesPath, settings::kCookiesDirectory));
  options::SetInitialTicks(Id());
  CreateTooltips();
  ShowStatus(wipe::StatusAtStart());
}

void MainWindow::ReloadBanner() {
  ui::ShowGifFile(Control(kBanner), InApplicationFolder(ids::kBannerFile));
}

void MainWindow::LoadHandCursor() {
  const std::string path = InApplicationFolder(ids::kHandCursorFile);
  hand_from_file_.Reset(::LoadCursorFromFileA(path.c_str()));
  // A missing or broken hand.cur must not stop the program: the system's own
  // hand serves instead.
  hand_ = hand_from_file_ ? hand_from_file_.Get() : ::LoadCursorA(nullptr, IDC_HAND);
}

void MainWindow::CreateTooltips() {
  tooltips_ = std::make_unique<ui::Tooltips>(Handle());
  for (HWND tool : ProxyBoxParts()) tooltips_->Add(tool, proxy_tooltip_);
  tooltips_->AddArea(kBannerFrame, ControlRect(kBannerFrame), "Click Here");
  tooltips_->Add(Control(kStatusLine), status_line_);
}

// The combo box and its edit field: the tip shows over both.
std::array<HWND, 2> MainWindow::ProxyBoxParts() const {
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  ::GetComboBoxInfo(Control(kProxyBox), &combo);
  return {Control(kProxyBox), combo.hwndItem};
}

void MainWindow::Reserve(std::size_t entries, std::size_t bytes) {
  ::SendMessageA(Control(kProxyBox), CB_INITSTORAGE, entries, static_cast<LPARAM>(bytes));
  ::SendMessageA(Control(kProxyBox), WM_SETREDRAW, FALSE, 0);
}

void MainWindow::Append(const std::string& entry) {
  const LRESULT index =
      ::SendMessageA(Control(kProxyBox), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  if (index == CB_ERR || index == CB_ERRSPACE) throw std::runtime_error("the proxy list is full");
}

std::string MainWindow::ProxyText() const { return ui::WindowText(Control(kProxyBox)); }

std::vector<std::string> MainWindow::ProxyListItems() const {
  const HWND box = Control(kProxyBox);
  const LRESULT count = ::SendMessageA(box, CB_GETCOUNT, 0, 0);
  std::vector<std::string> items;
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageA(box, CB_GETLBTEXTLEN, i, 0);
    if (length == CB_ERR) continue;
    std::string item(static_cast<std::size_t>(length) + 1, '\0');
    item.resize(static_cast<std::size_t>(
        ::SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    items.push_back(std::move(item));
  }
  return items;
}

void MainWindow::SetProxyText(const std::string& text) {
  ::SetWindowTextA(Control(kProxyBox), text.c_str());
}

void MainWindow::SetProxyTooltip(const std::string& text) {
  proxy_tooltip_ = text;
  if (!tooltips_) return;  // the load adds the tips with this text
  for (HWND tool : ProxyBoxParts()) tooltips_->SetText(tool, text);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(ui::MousePoint(lparam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (banner_frame_click_.Clicked(Control(kBannerFrame), message, wparam, lparam))
        OnBannerFrameClicked();
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(lparam)) return TRUE;
      break;
    case WM_ACTIVATE:
      banner_frame_click_.Clicked(Control(kBannerFrame), message, wparam, lparam);
      OnActivate(wparam, lparam);
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_CLOSE:
      OnCloseRequested();
      return 0;
    case WM_TIMER:
      if (wparam != kProgressTimer) break;
      ::KillTimer(Handle(), kProgressTimer);
      if (applying_) ShowWipeProgress(true);
      return 0;
    case WM_QUERYENDSESSION:
      // Ending while the protected cookies are out of the cookies folder, or
      // inside a store's transaction, would lose cookies: the session waits
      // then, and only then.
      return cookies_at_risk_ ? FALSE : TRUE;
    case WM_ENDSESSION:
      // Log off, restart or shut down: the session ends whatever runs and
      // may end the process once this returns, so the proxy goes off now,
      // as Exit turns it off. Cookies at risk made the session wait first;
      // a run cut short all the same is put right at the next start.
      if (!wparam) return 0;
      session_ending_ = true;
      other_windows_.EndProgram(false);
      return 0;
  }
  return Window::OnMessage(message, wparam, lparam);
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kApplyButton:
      OnApplyClicked();
      break;
    case kExitButton:
      if (!applying_) other_windows_.EndProgram(true);
      break;
    case menu::kClearTempOnExit:
      options::ToggleClearTempOnExit(Id());
      break;
    case menu::kFullScreen:
      options::ToggleFullScreen(Id());
      break;
    case menu::kAlwaysOnTop:
      placement::ToggleAlwaysOnTop(Id());
      break;
    case menu::kCookieManager:
      other_windows_.OpenCookieManager();
      break;
    case menu::kTestProxies:
      other_windows_.OpenProxyTest();
      break;
    case menu::kBrowserCookies:
      other_windows_.OpenBrowserCookies();
      break;
    case menu::kEditProxyList:
      if (!proxylist::EditProxyList())
        platform::ui::ShowMessage("Notepad could not be started to edit the proxy list " +
                                      proxylist::ProxyListPath() + ".",
                                  platform::ui::kStyleInformation);
      break;
    case menu::kHelpContents:
      ui::ShowIfAny(pages::OpenPage(ids::kHelpPage));
      break;
    case menu::kAbout:
      other_windows_.ShowAbout();
      break;
    default:
      break;
  }
}

void MainWindow::OnApplyClicked() {
  if (applying_) return;
  underway_ = std::make_unique<ApplyUnderway>(*this);
  other_windows_.CookiesChanging(true);
  progress_text_.clear();
  // A long Apply shows its progress, whichever stage it is in then.
  ::SetTimer(Handle(), kProgressTimer, kShowProgressAfterMs, nullptr);
  wipe::Apply(*this, Tasks());
}

void MainWindow::CookiesAtRisk(bool at_risk) {
  if (!at_risk)
    cookies_at_risk_.reset();
  else if (!cookies_at_risk_)
    cookies_at_risk_ = std::make_unique<ShutdownBlocked>(Handle());
}

void MainWindow::ApplyEnded(const std::optional<wipe::Message>& last) {
  ::KillTimer(Handle(), kProgressTimer);
  ShowWipeProgress(false);  // before the buttons come back
  underway_.reset();
  other_windows_.CookiesChanging(false);
  // Nobody is left to read it when the session ends.
  if (last && !session_ending_) Tell(*last);
  if (close_requested_) other_windows_.EndProgram(true);
}

void MainWindow::Tell(const wipe::Message& message) { platform::ui::ShowMessage(message); }

std::size_t MainWindow::Ask(const wipe::Question& question) {
  return ui::AskQuestion(Handle(), ids::kProgramTitle, question.text, question.choices,
                         question.if_closed);
}

void MainWindow::ShowStatus(const std::string& line) {
  status_line_ = line;
  ::SetWindowTextA(Control(kStatusLine), line.c_str());
  // A proxy named at length may run past the line: the tip holds it whole.
  if (tooltips_) tooltips_->SetText(Control(kStatusLine), line);
}

// Short enough for the label at every count Apply reaches.
void MainWindow::WipeProgress(wipe::Stage stage, std::size_t deleted) {
  const std::string count = std::to_string(deleted);
  switch (stage) {
    case wipe::Stage::kCacheEntries:
      progress_text_ = "Cache: " + count + " deleted";
      break;
    case wipe::Stage::kCookieFiles:
      progress_text_ = "Deleting cookie files";
      break;
    case wipe::Stage::kRestore:
      progress_text_ = "Restoring cookies";
      break;
    case wipe::Stage::kBrowserStores:
      progress_text_ = "Browsers: " + count + " deleted";
      break;
  }
  if (progress_shown_) ::SetWindowTextA(Control(kWipeLabel), progress_text_.c_str());
  ::SetWindowTextA(Control(kStatusLine), (status_line_ + "\n" + progress_text_).c_str());
}

void MainWindow::ShowWipeProgress(bool shown) {
  progress_shown_ = shown;
  ::SendMessageA(Control(kWipeBar), PBM_SETMARQUEE, shown, 30);
  ::SetWindowTextA(Control(kWipeLabel), shown ? progress_text_.c_str() : "");
  for (int id : {kWipeLabel, kWipeBar}) ::ShowWindow(Control(id), shown ? SW_SHOW : SW_HIDE);
}

void MainWindow::OnCloseRequested() {
  // The close box and Alt+F4 end the program as Exit does, so the proxy is
  // never left on behind the user's back; during Apply, once it is done.
  if (applying_)
    close_requested_ = true;
  else
    other_windows_.EndProgram(true);
}

void MainWindow::OnMouseMove(POINT point) {
  // Labels and the frame let the mouse through, so the window sees it here.
  if (ControlContains(kProxyLabel, point))
    pointer_ = ui::Pointer::kDefault;
  else if (ControlContains(kBannerFrame, point))
    pointer_ = ui::Pointer::kHand;
}

void MainWindow::OnBannerFrameClicked() { ui::ShowIfAny(pages::OpenPage(ids::kClickThroughPage)); }

bool MainWindow::OnSetCursor(LPARAM lparam) {
  if (pointer_ != ui::Pointer::kHand || LOWORD(lparam) != HTCLIENT) return false;
  ::SetCursor(hand_);
  return true;
}

void MainWindow::OnActivate(WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    focus_ = ::GetFocus();
    return;
  }
  // Only the first showing and a return from another window of the program
  // count; coming back from another application does not.
  const bool from_program = !activated_before_ || IsProgramWindow(reinterpret_cast<HWND>(lparam));
  activated_before_ = true;
  if (from_program) ReloadBanner();
  ::SetFocus(focus_ && ::IsChild(Handle(), focus_) ? focus_ : Control(kApplyButton));
}

LRESULT MainWindow::DefaultButtonId() const {
  // Enter clicks the button that has the focus, and nothing elsewhere.
  const HWND focus = ::GetFocus();
  for (int id : {kExitButton, kApplyButton})
    if (focus == Control(id)) return MAKELRESULT(id, DC_HASDEFID);
  return 0;
}

LRESULT CALLBACK MainWindow::ButtonSubclass(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR self) {
  return failure::Untrapped([&] {
    // The buttons take the mouse for themselves: over them the pointer is
    // the default one again.
    if (message == WM_MOUSEMOVE)
      reinterpret_cast<MainWindow*>(self)->pointer_ = ui::Pointer::kDefault;
    // The subclass goes before its button does.
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(button, &MainWindow::ButtonSubclass, id);
    return ::DefSubclassProc(button, message, wparam, lparam);
  });
}

}  // namespace windows
