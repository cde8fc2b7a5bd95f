#include "shell/form1.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

#include "banner/gif_view.h"
#include "cookies/form2.h"
#include "platform/files.h"
#include "registry/settings.h"
#include "shell/form3.h"
#include "shell/links.h"
#include "shell/menu_ids.h"
#include "shell/ontop.h"
#include "shell/open_page.h"
#include "shell/options.h"
#include "shell/resource.h"
#include "wipe/cookie_stages.h"

namespace shell {
namespace {

enum ControlId : int {
  kCommand2 = 1001,  // Apply
  kCommand1,         // Exit
  kCombo1,
  kLabel1,
  kGif89a1,
  kFrame1,
  kLabel6,
};

// In tab order; the banner lies over the frame, so it comes first.
constexpr std::array<ControlSpec, 7> kLayout{{
    {kCommand2, WC_BUTTONA, "&Apply", WS_TABSTOP | BS_PUSHBUTTON, 120, 2145, 855, 375},
    {kCommand1, WC_BUTTONA, "E&xit", WS_TABSTOP | BS_PUSHBUTTON, 1455, 2145, 855, 375},
    // The height includes the drop-down list; the edit field keeps its own.
    {kCombo1, WC_COMBOBOXA, "Combo1", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 105,
     1710, 2235, 2400},
    {kLabel1, WC_STATICA, "Current Proxy && Port", SS_LEFT, 120, 1485, 2085, 255},
    {kGif89a1, banner::kGifViewClass, "", 0, 150, 30, 1695, 705},
    {kFrame1, WC_BUTTONA, "", BS_GROUPBOX, 135, -75, 2190, 1470},
    // Below the visible client area: holds the cookies folder path, never seen.
    {kLabel6, WC_STATICA, "Label6", SS_LEFT | SS_NOPREFIX, 1725, 3480, 4080, 300},
}};

struct MenuItemSpec {
  int id;
  const char* caption;
};
struct MenuSpec {
  const char* caption;
  std::vector<MenuItemSpec> items;
};

const std::array<MenuSpec, 3> kMenus{{
    {"&Options",
     {{menu::kHistory, "Clear IE temp files on exit"},
      {menu::kKiosk, "Keep IE in full-screen mode"},
      {menu::kOntop, "Always On Top"}}},
    {"&Tools", {{menu::kEdit, "Edit Proxy List"}, {menu::kProtect, "Cookie Manager"}}},
    {"&Help", {{menu::kContents, "Contents"}, {menu::kAbout, "About"}}},
}};

HMENU BuildMenuBar() {
  const HMENU bar = ::CreateMenu();
  for (const MenuSpec& menu_entry : kMenus) {
    const HMENU popup = ::CreatePopupMenu();
    for (const MenuItemSpec& item : menu_entry.items)
      ::AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), menu_entry.caption);
  }
  return bar;
}

std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool Contains(const RECT& rect, POINT point) { return ::PtInRect(&rect, point) != FALSE; }

}  // namespace

Form1& Form1::Get() {
  static std::unique_ptr<Form1> instance;
  if (!instance) {
    instance.reset(new Form1());
    instance->Load();
  }
  return *instance;
}

Form1::Form1() {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  const FrameSpec frame{
      "MaskfoldForm1",
      "Maskfold",
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
      0,
      2445,
      2640,
      ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_MASKFOLD)),
      BuildMenuBar(),
  };
  Create(frame, kLayout);
  for (int id : {kCommand1, kCommand2})
    ::SetWindowSubclass(Control(id), &Form1::ButtonSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
}

void Form1::Load() {
  CenterForm(Id());
  ReloadBanner();
  LoadHandCursor();
  pointer_setting_ = 0;
  SetProxyTooltip(settings::Read(settings::kInternetSettings, settings::kProxyServer));
  ::SetWindowTextA(Control(kCombo1),
                   settings::Read(settings::kInternetSettings, settings::kProxyServer).c_str());
  proxylist::LoadProxyList(*this);
  ::SendMessageA(Control(kCombo1), WM_SETREDRAW, TRUE, 0);
  ::SetWindowTextA(Control(kLabel6),
                   wipe::CookiesFolderFromRegistry(
                       settings::Read(settings::kCookiesPath, settings::kCookiesDirectory))
                       .c_str());
  SetInitialOptionTicks(Id());
  // Tooltips watch their controls' messages: adding them after the proxy
  // list spares every one of its entries that detour.
  CreateTooltips();
}

void Form1::ReloadBanner() {
  banner::ShowGifFile(Control(kGif89a1), platform::files::ApplicationFolder() + "\\cache.gif");
}

void Form1::LoadHandCursor() {
  const std::string path = platform::files::ApplicationFolder() + "\\hand.cur";
  hand_from_file_.Reset(::LoadCursorFromFileA(path.c_str()));
  // A missing or broken hand.cur must not stop the program: the system's own
  // hand serves instead.
  hand_ = hand_from_file_ ? hand_from_file_.Get() : ::LoadCursorA(nullptr, IDC_HAND);
}

void Form1::CreateTooltips() {
  tooltips_ = std::make_unique<Tooltips>(Handle());
  for (HWND tool : ComboParts()) tooltips_->Add(tool, proxy_tooltip_);
  tooltips_->AddArea(kFrame1, ControlRect(kFrame1), "Click Here");
}

// The combo box and its edit field: the tip shows over both.
std::array<HWND, 2> Form1::ComboParts() const {
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  ::GetComboBoxInfo(Control(kCombo1), &combo);
  return {Control(kCombo1), combo.hwndItem};
}

std::string Form1::Label6Caption() const { return WindowText(Control(kLabel6)); }

void Form1::Reserve(std::size_t entries, std::size_t bytes) {
  ::SendMessageA(Control(kCombo1), CB_INITSTORAGE, entries, static_cast<LPARAM>(bytes));
  ::SendMessageA(Control(kCombo1), WM_SETREDRAW, FALSE, 0);
}

void Form1::Append(const std::string& entry) {
  const LRESULT index =
      ::SendMessageA(Control(kCombo1), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  if (index == CB_ERR || index == CB_ERRSPACE) throw std::runtime_error("the proxy list is full");
}

std::string Form1::ProxyText() const { return WindowText(Control(kCombo1)); }

void Form1::SetProxyTooltip(const std::string& text) {
  proxy_tooltip_ = text;
  if (!tooltips_) return;  // the load adds the tips with this text
  for (HWND tool : ComboParts()) tooltips_->SetText(tool, text);
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_LBUTTONDOWN:
      pressed_on_frame_ = Contains(ControlRect(kFrame1), {static_cast<short>(LOWORD(lparam)),
                                                          static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_LBUTTONUP: {
      const bool click =
          pressed_on_frame_ && Contains(ControlRect(kFrame1), {static_cast<short>(LOWORD(lparam)),
                                                               static_cast<short>(HIWORD(lparam))});
      pressed_on_frame_ = false;
      if (click) OpenPage(links::kClickThroughPage);
      return 0;
    }
    case WM_SETCURSOR:
      if (OnSetCursor(lparam)) return TRUE;
      break;
    case WM_ACTIVATE:
      OnActivate(wparam, lparam);
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_CLOSE:
      // The close box and Alt+F4 end the program as Exit does, so the proxy
      // is never left on behind the user's back.
      wipe::Exit();
  }
  return Window::OnMessage(message, wparam, lparam);
}

void Form1::OnCommand(int id) {
  switch (id) {
    case kCommand2:
      wipe::Apply(*this);
      break;
    case kCommand1:
      wipe::Exit();
    case menu::kHistory:
      ToggleHistory(Id());
      break;
    case menu::kKiosk:
      ToggleKiosk(Id());
      break;
    case menu::kOntop:
      ToggleAlwaysOnTop(Id(), menu::kOntop);
      break;
    case menu::kProtect:
      cookies::Form2::Open();
      break;
    case menu::kEdit:
      proxylist::EditProxyList();
      break;
    case menu::kContents:
      OpenPage(links::kHelpPage);
      break;
    case menu::kAbout:
      Form3::Get().Show();
      break;
    default:
      break;
  }
}

void Form1::OnMouseMove(POINT point) {
  // Labels and the frame let the mouse through, so the window sees it here.
  if (Contains(ControlRect(kLabel1), point))
    pointer_setting_ = 0;
  else if (Contains(ControlRect(kFrame1), point))
    pointer_setting_ = 99;
}

bool Form1::OnSetCursor(LPARAM lparam) {
  if (pointer_setting_ != 99 || LOWORD(lparam) != HTCLIENT) return false;
  ::SetCursor(hand_);
  return true;
}

void Form1::OnActivate(WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    focus_ = ::GetFocus();
    return;
  }
  // Only the first showing and a return from another window of the program
  // count; coming back from another application does not.
  const bool from_program = !activated_before_ || IsProgramWindow(reinterpret_cast<HWND>(lparam));
  activated_before_ = true;
  if (from_program) ReloadBanner();
  ::SetFocus(focus_ && ::IsChild(Handle(), focus_) ? focus_ : Control(kCommand2));
}

LRESULT Form1::DefaultButtonId() const {
  // Enter clicks the button that has the focus, and nothing elsewhere.
  const HWND focus = ::GetFocus();
  for (int id : {kCommand1, kCommand2})
    if (focus == Control(id)) return MAKELRESULT(id, DC_HASDEFID);
  return 0;
}

LRESULT CALLBACK Form1::ButtonSubclass(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR self) {
  if (message == WM_MOUSEMOVE) reinterpret_cast<Form1*>(self)->pointer_setting_ = 0;
  return ::DefSubclassProc(button, message, wparam, lparam);
}

}  // namespace shell
