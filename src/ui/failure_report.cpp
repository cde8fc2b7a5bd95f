#include <windows.h>

#include <string>

#include "common/failure.h"
#include "common/identifiers.h"
#include "ui/failure_report.h"
#include "ui/task_queue.h"

namespace ui {
namespace {
void (*failure_shutdown)() noexcept = nullptr;
}  // namespace

void SetFailureShutdown(void (*shutdown)() noexcept) { failure_shutdown = shutdown; }

}  // namespace ui

namespace failure {

void ReportAndEnd(const char* what) noexcept {
  // The program's end, as Exit's, before the report, which has a loop of its
  // own: nothing of a task goes on behind it, and the proxy does not outlive
  // the program.
  if (ui::failure_shutdown)
    ui::failure_shutdown();
  else
    ui::TaskQueue::StopAll();
  std::string text = "Run-time error:\n\n";
  text += what ? what : "unknown failure";
  ::MessageBoxA(nullptr, text.c_str(), ids::kProgramTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ::ExitProcess(1);
}

}  // namespace failure
