#include "shell/fatal.h"

#include <windows.h>

#include <string>

namespace shell {

void ReportFatal(const char* what) noexcept {
  std::string text = "Run-time error:\n\n";
  text += what ? what : "unknown failure";
  ::MessageBoxA(nullptr, text.c_str(), "Maskfold", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ::ExitProcess(1);
}

}  // namespace shell
