#include "ui/tooltips.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace ui {
namespace {

// The tips alive now; the program has one thread, and only it touches this.
std::vector<Tooltips*>& Live() {
  static std::vector<Tooltips*> live;
  return live;
}

TOOLINFOA Tool(HWND window, UINT flags, UINT_PTR id, const std::string& text) {
  TOOLINFOA info{};
  info.cbSize = sizeof info;
  info.uFlags = flags;
  info.hwnd = window;
  info.uId = id;
  info.lpszText = const_cast<char*>(text.c_str());
  return info;
}

}  // namespace

Tooltips::Tooltips(HWND window) : window_(window) {
  tips_.Reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr));
  Live().push_back(this);
}

Tooltips::~Tooltips() { std::erase(Live(), this); }

void Tooltips::Add(HWND control, const std::string& text) {
  if (!tips_ || !control) return;  // tips are a help, not a function
  TOOLINFOA info = Tool(window_, TTF_IDISHWND, reinterpret_cast<UINT_PTR>(control), text);
  ::SendMessageA(tips_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::AddArea(UINT_PTR id, const RECT& area, const std::string& text) {
  if (!tips_) return;
  TOOLINFOA info = Tool(window_, 0, id, text);
  info.rect = area;
  ::SendMessageA(tips_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::SetText(HWND control, const std::string& text) {
  if (!tips_ || !control) return;
  TOOLINFOA info = Tool(window_, 0, reinterpret_cast<UINT_PTR>(control), text);
  ::SendMessageA(tips_.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::Relay(const MSG& message) {
  if (message.message < WM_MOUSEFIRST || message.message > WM_MOUSELAST) return;
  const HWND window = ::GetAncestor(message.hwnd, GA_ROOT);
  for (Tooltips* tips : Live())
    if (tips->window_ == window && tips->tips_)
      ::SendMessageA(tips->tips_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

}  // namespace ui
