#include "cookies/form2.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "cookies/jar.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "shell/form1.h"
#include "shell/ontop.h"
#include "shell/resource.h"

namespace cookies {
namespace {

enum ControlId : int {
  kFile1 = 1301,
  kLabel1,
  kFile2,
  kLabel2,
  kLabel3,
  kToolbar1,
  kCommand1,  // Empty Protected Cookies
  kCommand2,  // Done
};

constexpr char kStripClass[] = "MaskfoldStrip";
constexpr DWORD kListStyle =
    WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT;

// In tab order; the two buttons lie on the strip.
constexpr std::array<shell::ControlSpec, 8> kLayout{{
    {kFile1, WC_LISTBOXA, "", kListStyle, 120, 975, 3135, 3210},
    {kLabel1, WC_STATICA, "Double-click on a cookie to temporarily protect it.", SS_LEFT, 120, 4185,
     4275, 210},
    {kFile2, WC_LISTBOXA, "", kListStyle, 3360, 975, 3285, 3210},
    {kLabel2, WC_STATICA, "Protected Cookies", SS_LEFT, 3420, 735, 3210, 255},
    {kLabel3, WC_STATICA, "Unprotected Cookies", SS_LEFT, 165, 735, 3135, 210},
    {kToolbar1, kStripClass, "", 0, 0, 0, 6750, 585},
    {kCommand1, WC_BUTTONA, "Empty Protected Cookies", WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE,
     15, 15, 1380, 495, kToolbar1},
    {kCommand2, WC_BUTTONA, "Done", WS_TABSTOP | BS_PUSHBUTTON, 1455, 15, 1260, 495, kToolbar1},
}};

// The button strip: hands its buttons' clicks on to the window.
LRESULT CALLBACK StripProcedure(HWND strip, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND) return ::SendMessageA(::GetParent(strip), message, wparam, lparam);
  return ::DefWindowProcA(strip, message, wparam, lparam);
}

void RegisterStrip() {
  WNDCLASSEXA strip{};
  strip.cbSize = sizeof strip;
  strip.lpfnWndProc = &StripProcedure;
  strip.hInstance = ::GetModuleHandleA(nullptr);
  strip.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  strip.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  strip.lpszClassName = kStripClass;
  ::RegisterClassExA(&strip);
}

std::unique_ptr<Form2>& Instance() {
  static std::unique_ptr<Form2> instance;
  return instance;
}

std::string CookiesFolder() { return shell::Form1::Get().Label6Caption(); }

}  // namespace

void Form2::Open() {
  auto& instance = Instance();
  if (!instance || !instance->Handle()) {
    instance.reset();  // an unloaded window is built anew
    instance.reset(new Form2());
    instance->Load();
  }
  instance->Show();
  ::SetForegroundWindow(instance->Handle());
}

Form2::Form2() {
  RegisterStrip();
  const HINSTANCE module = ::GetModuleHandleA(nullptr);
  const shell::FrameSpec frame{
      "MaskfoldForm2",
      "Cookie Manager",
      WS_POPUP | WS_CAPTION | WS_SYSMENU,  // fixed single border
      0,
      6750,
      4545,
      ::LoadIconA(module, MAKEINTRESOURCEA(IDI_MASKFOLD)),
      nullptr,
  };
  // Owned by the main window: that keeps it out of the task bar with its
  // own icon.
  Create(frame, kLayout, shell::Form1::Get().Handle());
  bold_ = shell::MakeFont("MS Sans Serif", 8.25, Dpi(), true);
  for (int id : {kLabel1, kLabel2, kLabel3})
    ::SendMessageA(Control(id), WM_SETFONT, reinterpret_cast<WPARAM>(bold_.Get()), FALSE);
  tooltips_ = std::make_unique<shell::Tooltips>(Handle());
  tooltips_->Add(Control(kFile1), "Double-click to protect");
  tooltips_->Add(Control(kFile2), "These cookies are protected.");
}

void Form2::Load() {
  // 460 x 340 at 96 dpi, grown on finer screens so that nothing is cut.
  platform::ui::SetWindowPos(Id(), platform::ui::kInsertTopmost, 0, 0,
                             platform::ui::ScreenPixels(460), platform::ui::ScreenPixels(340), 0);
  shell::CenterForm(Id());
  Repaint();
  const bool cookies_there = RefreshFile1();
  const bool jar_there = RefreshFile2();
  // One message for what is missing; the window stays usable.
  if (!cookies_there)
    platform::ui::ShowMessage(
        "The cookies folder " + CookiesFolder() + " does not exist, so both lists are empty.",
        platform::ui::kStyleInformation);
  else if (!jar_there)
    platform::ui::ShowMessage("The protected cookies folder " + JarFolder(CookiesFolder()) +
                                  " does not exist, so its list is empty.",
                              platform::ui::kStyleInformation);
}

bool Form2::FillList(int list, const std::string& folder, const char* pattern) {
  const HWND box = Control(list);
  ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
  const auto attributes = platform::files::Attributes(folder);
  if (!attributes || !(*attributes & platform::files::kAttributeDirectory)) return false;
  // The platform's own directory listing: the names of the matching files.
  const std::string listing = folder + "\\" + pattern;
  ::SendMessageA(box, LB_DIR, DDL_READWRITE | DDL_READONLY | DDL_ARCHIVE,
                 reinterpret_cast<LPARAM>(listing.c_str()));
  return true;
}

bool Form2::RefreshFile1() { return FillList(kFile1, CookiesFolder(), "*.txt"); }

bool Form2::RefreshFile2() { return FillList(kFile2, JarFolder(CookiesFolder()), "*.*"); }

void Form2::Protect() {
  const HWND list = Control(kFile1);
  const auto selected = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  std::vector<char> name(
      static_cast<std::size_t>(::SendMessageA(list, LB_GETTEXTLEN, selected, 0)) + 1);
  ::SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(name.data()));
  cookies::Protect(CookiesFolder(), name.data());
  RefreshFile1();
  RefreshFile2();
}

void Form2::Empty() {
  if (EmptyJar(CookiesFolder())) {
    RefreshFile1();
    RefreshFile2();
    return;
  }
  Hide();
  platform::ui::ShowMessage(kNoCookiesText, platform::ui::kStyleInformationForeground,
                            kNoCookiesCaption);
  Show();
}

void Form2::Done() { Unload(); }

LRESULT Form2::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kCommand1:
          Empty();
          return 0;
        case kCommand2:
          Done();
          return 0;
        case kFile1:
          if (HIWORD(wparam) == LBN_DBLCLK) Protect();
          return 0;
        case IDOK:
          // Enter on the cookie list protects the selected cookie, as a
          // double-click does.
          if (::GetFocus() == Control(kFile1)) Protect();
          return 0;
      }
      break;
    case WM_CLOSE:
      Done();  // the close box does what Done does
      return 0;
    case WM_CTLCOLORSTATIC: {
      const auto label = reinterpret_cast<HWND>(lparam);
      COLORREF colour = RGB(0, 0, 0);
      if (label == Control(kLabel3)) colour = RGB(192, 0, 0);
      if (label == Control(kLabel2)) colour = RGB(0, 128, 0);
      const auto dc = reinterpret_cast<HDC>(wparam);
      ::SetTextColor(dc, colour);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return Window::OnMessage(message, wparam, lparam);
}

}  // namespace cookies
