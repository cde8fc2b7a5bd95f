// Stands in for Notepad and the browser in the tests: appends the command
// line it was started with to C:\launches.txt, one line each, and exits.
#include <windows.h>

#include <cstdio>

int main() {
  HANDLE log = ::CreateFileA(R"(C:\launches.txt)", FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  const char* line = ::GetCommandLineA();
  DWORD written = 0;
  ::WriteFile(log, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
  ::WriteFile(log, "\r\n", 2, &written, nullptr);
  ::CloseHandle(log);
  return 0;
}
