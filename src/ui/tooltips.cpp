#include "ui/tooltips.h"

#include <commctrl.h>

namespace ui {

Tooltips::Tooltips(HWND window) : window_(window) {
  tips_.Reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

namespace {
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

void Tooltips::Add(HWND control, const std::string& text) {
  if (!tips_ || !control) return;  // tips are a help, not a function
  TOOLINFOA info =
      Tool(window_, TTF_IDISHWND | TTF_SUBCLASS, reinterpret_cast<UINT_PTR>(control), text);
  ::SendMessageA(tips_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::AddArea(UINT_PTR id, const RECT& area, const std::string& text) {
  if (!tips_) return;
  TOOLINFOA info = Tool(window_, TTF_SUBCLASS, id, text);
  info.rect = area;
  ::SendMessageA(tips_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::SetText(HWND control, const std::string& text) {
  if (!tips_ || !control) return;
  TOOLINFOA info = Tool(window_, 0, reinterpret_cast<UINT_PTR>(control), text);
  ::SendMessageA(tips_.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace ui
