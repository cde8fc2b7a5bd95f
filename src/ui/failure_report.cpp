#include <windows.h>

#include <string>

#include "common/failure.h"
#include "common/identifiers.h"

namespace failure {

void ReportAndEnd(const char* what) noexcept {
  std::string text = "Run-time error:\n\n";
  text += what ? what : "unknown failure";
  ::MessageBoxA(nullptr, text.c_str(), ids::kProgramTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ::ExitProcess(1);
}

}  // namespace failure
