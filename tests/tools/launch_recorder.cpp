// Stands in for Notepad and the browser in the tests: appends the file it
// was started from and the command line it was given, as "file|command
// line", to C:\launches.txt, one line each, and exits.
#include <windows.h>

#include <string>

int main() {
  HANDLE log = ::CreateFileA(R"(C:\launches.txt)", FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  // One write per line: two recorders never mix their lines.
  const std::string line = std::string(module) + "|" + ::GetCommandLineA() + "\r\n";
  DWORD written = 0;
  ::WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(log);
  return 0;
}
