// The floor of the start-up benchmark: a bare Win32 program that registers a
// class, creates and shows one window, then exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = ::DefWindowProcA;
  window_class.hInstance = instance;
  window_class.lpszClassName = "BareWindow";
  ::RegisterClassA(&window_class);
  const HWND window = ::CreateWindowExA(0, "BareWindow", "Bare", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                        200, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  // Long enough for the benchmark to see it shown.
  ::Sleep(500);
  return 0;
}
