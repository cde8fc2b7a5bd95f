// How a step says it ended, by layer. Each layer has one way, so that a
// type tells the reader what a failure carries and who shows it.
//
// - The platform layer (platform/) returns the platform's own status, in a
//   type named after how the call reports failure: Win32Error for a call
//   that returns its error code (the registry's, the shell's file
//   operation), LastError for one that fails with FALSE or a null handle and
//   leaves the code in the thread's last error (WinINet's per-connection
//   options).
//   The code is kept whole; the layer above decides what it means.
// - The logic returns an Outcome: done, or stopped with the Message for the
//   window (the step did not happen and the user must know why). A step
//   passed over (it did not happen, and going on loses nothing) keeps the
//   platform's status in hand, for a note, a test or a log. A run of
//   many steps (the proxy test, the browsers' stores) reports each step in
//   its own terms and says when a report could not be made.
// - The registry routines (registry/) report no failure: a read that fails
//   reads as "Not Found" (registry::kNotFound), which the routines' callers
//   and the settings they store compare against. New code reads through
//   registry's optional reads instead, and never compares against the text.
// - A C++ exception is a failure nobody planned for: it reaches the window
//   procedure's guard, which reports it and ends the program (failure.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace status {

// A call that returns its error code; 0 (ERROR_SUCCESS) is success. Made
// from the call's own result, as it comes.
struct Win32Error {
  constexpr Win32Error(std::uint32_t returned = 0) : code(returned) {}
  std::uint32_t code;
  constexpr bool Succeeded() const { return code == 0; }
  friend constexpr bool operator==(Win32Error, Win32Error) = default;
};

// A call that failed with FALSE or a null handle: GetLastError, taken at
// once; 0 when the call succeeded.
struct LastError {
  constexpr LastError(std::uint32_t taken = 0) : code(taken) {}
  std::uint32_t code;
  constexpr bool Succeeded() const { return code == 0; }
  friend constexpr bool operator==(LastError, LastError) = default;
};

}  // namespace status

namespace outcome {

// How a message box looks: the words, not the platform's style numbers.
enum class Box {
  kPlain,        // no icon: a note along the way
  kInformation,  // the information icon: what happened, or why not
};

struct Message {
  std::string text;
  Box box = Box::kInformation;
};

class Outcome {
 public:
  Outcome() = default;  // done
  static Outcome Done() { return Outcome(); }
  static Outcome Stopped(Message why) {
    Outcome stopped;
    stopped.why_ = std::move(why);
    return stopped;
  }

  explicit operator bool() const { return !why_; }  // done
  // What the window shows when the step stopped.
  const std::optional<Message>& Why() const { return why_; }

 private:
  std::optional<Message> why_;
};

}  // namespace outcome
