// Chooses a menu command in a running program's window, as a click would:
//   post_command.exe WINDOW-CLASS COMMAND-ID
// Used by the screenshot script to open the program's other windows.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 87;
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i, ::Sleep(100)) window = ::FindWindowA(argv[1], nullptr);
  if (!window) return 2;
  return ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), 0), 0) ? 0 : 1;
}
