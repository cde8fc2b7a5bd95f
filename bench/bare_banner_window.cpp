// The memory floor of the start-up benchmark: the platform work of
// Maskfold's start-up and nothing else. A program with the same manifest
// (themed common controls) shows one window with a button, downloads the
// banner with WinINet on a thread of its own, decodes it with GDI+ and draws
// it, then waits to be measured.
//   bare_banner_window.exe URL
#include <windows.h>

#include <objidl.h>
#include <shlwapi.h>
#include <wininet.h>

#include <gdiplus.h>

#include <string>
#include <thread>

namespace {

std::string Download(const char* url) {
  std::string body;
  const HINTERNET session =
      ::InternetOpenA("Bare", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  const HINTERNET request =
      ::InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI, 0);
  char buffer[4096];
  DWORD read = 0;
  while (request && ::InternetReadFile(request, buffer, sizeof buffer, &read) && read)
    body.append(buffer, read);
  if (request) ::InternetCloseHandle(request);
  ::InternetCloseHandle(session);
  return body;
}

Gdiplus::GpImage* banner = nullptr;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT && banner) {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window, &paint);
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics);
    Gdiplus::DllExports::GdipDrawImageRectI(graphics, banner, 0, 40, 113, 47);
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR url, int) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = "BareBannerWindow";
  ::RegisterClassA(&window_class);
  const HWND window = ::CreateWindowExA(0, "BareBannerWindow", "Bare", WS_OVERLAPPEDWINDOW, 0, 0,
                                        200, 200, nullptr, nullptr, instance, nullptr);
  ::CreateWindowExA(0, "BUTTON", "Button", WS_CHILD | WS_VISIBLE, 0, 0, 80, 30, window, nullptr,
                    instance, nullptr);
  ::ShowWindow(window, SW_SHOW);

  std::string bytes;
  std::thread([&] { bytes = Download(url); }).join();
  ULONG_PTR token = 0;
  const Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<UINT>(bytes.size()));
  if (stream) Gdiplus::DllExports::GdipLoadImageFromStream(stream, &banner);
  ::InvalidateRect(window, nullptr, TRUE);

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
