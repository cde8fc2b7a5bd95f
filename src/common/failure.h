// The three ways the program meets a failure, written once:
// - untrapped: the default for every handler; a C++ exception reaches the
//   window procedure's guard, which shows one report and ends the process;
// - trapped: the caller handles it where it happens (a message, or going on
//   quietly with what it has);
// - ignore-and-continue: the failing step is passed over and the next one
//   runs. Only a platform call's status is passed over, where that is
//   decided, in hand and named; a step that throws is untrapped or trapped,
//   never passed over.
#pragma once

#include <exception>
#include <utility>

namespace failure {

// Trapped: the step's result, or, when the step fails, the result of the
// caller's own handler for that failure.
template <class Step, class Handler>
auto Trap(Step&& step, Handler&& on_failure) -> decltype(step()) {
  try {
    return std::forward<Step>(step)();
  } catch (...) {
  }
  return std::forward<Handler>(on_failure)();
}

// The untrapped-failure report: one message box, then the process ends.
// Defined by the window framework.
[[noreturn]] void ReportAndEnd(const char* what) noexcept;

// The guard around every handler the platform calls (window procedures,
// subclasses, the entry point): no failure crosses the platform's frames.
template <class Handler>
auto Untrapped(Handler&& handler) noexcept -> decltype(handler()) {
  try {
    return std::forward<Handler>(handler)();
  } catch (const std::exception& escaped) {
    ReportAndEnd(escaped.what());
  } catch (...) {
    ReportAndEnd("unknown failure");
  }
}

}  // namespace failure
