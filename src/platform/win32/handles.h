// Move-only owners for the platform's handles: each closes its handle once,
// with the function that kind of handle needs.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

namespace platform::win32 {

template <class Handle, auto Close, Handle Null = Handle{}>
class Unique {
 public:
  Unique() = default;
  explicit Unique(Handle handle) : handle_(handle) {}
  Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Null)) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Null));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Null; }
  void Reset(Handle handle = Null) {
    if (handle_ != Null) Close(handle_);
    handle_ = handle;
  }
  Handle Release() { return std::exchange(handle_, Null); }

 private:
  Handle handle_ = Null;
};

inline void CloseKernelHandle(HANDLE handle) { ::CloseHandle(handle); }
inline void CloseFind(HANDLE search) { ::FindClose(search); }
inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void DestroyCursorHandle(HCURSOR cursor) { ::DestroyCursor(cursor); }
inline void DestroyWindowHandle(HWND window) { ::DestroyWindow(window); }
inline void DestroyMenuHandle(HMENU menu) { ::DestroyMenu(menu); }
inline void DeleteDcHandle(HDC dc) { ::DeleteDC(dc); }
inline void CloseKey(HKEY key) { ::RegCloseKey(key); }
// WinINet is loaded when first used: wininet_calls.cpp closes through it.
void CloseUrlCacheFind(HANDLE find);

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
// A file search. FindFirstFile reports failure as INVALID_HANDLE_VALUE: take
// its result through FoundOrNull.
using UniqueFind = Unique<HANDLE, CloseFind>;
inline HANDLE FoundOrNull(HANDLE search) {
  return search == INVALID_HANDLE_VALUE ? nullptr : search;
}
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueDc = Unique<HDC, DeleteDcHandle>;  // a memory device context
using UniqueCursor = Unique<HCURSOR, DestroyCursorHandle>;
using UniqueWindow = Unique<HWND, DestroyWindowHandle>;
// A menu until a window takes it: the window then destroys it with itself.
using UniqueMenu = Unique<HMENU, DestroyMenuHandle>;
// An opened registry key (never a predefined root, which is not closed).
using UniqueKey = Unique<HKEY, CloseKey>;
// A URL cache enumeration (FindFirstUrlCacheEntry), closed with
// FindCloseUrlCache.
using UniqueUrlCacheFind = Unique<HANDLE, CloseUrlCacheFind>;

// COM on the calling thread, in the given model, for the life of the object;
// ended only when this object started it.
class ComScope {
 public:
  explicit ComScope(DWORD model) : started_(SUCCEEDED(::CoInitializeEx(nullptr, model))) {}
  ~ComScope() {
    if (started_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool started_;
};

// A window's painting, from BeginPaint to EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A window's device context (the screen's for no window), released on scope
// exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window = nullptr) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context; the one it replaced comes back
// on scope exit.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (old_) ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The screen's real resolution in dots per inch (the process is DPI aware).
inline int ScreenDpi() {
  WindowDc dc;
  const int dpi = dc.Get() ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace platform::win32
