#include <windows.h>

#include <string>

#include "common/failure.h"
#include "common/identifiers.h"
#include "proxyswitch/proxy_switch.h"
#include "ui/task_queue.h"

namespace failure {

void ReportAndEnd(const char* what) noexcept {
  // Nothing of a task goes on behind the report, which has a loop of its own.
  ui::TaskQueue::StopAll();
  // The program ends without Exit: its proxy must not outlive it.
  [[maybe_unused]] const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  std::string text = "Run-time error:\n\n";
  text += what ? what : "unknown failure";
  ::MessageBoxA(nullptr, text.c_str(), ids::kProgramTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ::ExitProcess(1);
}

}  // namespace failure
