// The report of an untrapped failure: one message box, then the process ends.
#pragma once

#include <exception>

namespace shell {

[[noreturn]] void ReportFatal(const char* what) noexcept;

// Runs a handler; a failure escaping it ends the program with the report.
template <class Handler>
auto Untrapped(Handler&& handler) noexcept -> decltype(handler()) {
  try {
    return handler();
  } catch (const std::exception& failure) {
    ReportFatal(failure.what());
  } catch (...) {
    ReportFatal("unknown failure");
  }
}

}  // namespace shell
