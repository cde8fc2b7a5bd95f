// Waits until it is ended: the tests run it under a browser's program name
// ("chrome.exe") so that the browser looks open.
#include <windows.h>

int main() {
  ::Sleep(INFINITE);
  return 0;
}
