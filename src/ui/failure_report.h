// The untrapped-failure report (failure::ReportAndEnd): before its box, it
// runs what the application gave it to end the program's work.
#pragma once

namespace ui {

// Set once, at the start of the program.
void SetFailureShutdown(void (*shutdown)() noexcept);

}  // namespace ui
