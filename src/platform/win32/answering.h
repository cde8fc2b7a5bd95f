// Blocking work run so that the calling thread's windows keep answering.
#pragma once

#include <functional>

namespace platform::win32 {

// Runs `work` on a thread of its own while this thread goes on with its
// windows' messages (painting, moving, messages from other programs), and
// returns when the work is done; what `work` throws is thrown here. Where
// no thread can be waited for, the work runs here instead.
void RunWhileAnswering(const std::function<void()>& work);

// The same, but this thread stops waiting when `give_up` (asked after each
// batch of messages) says so or `timeout_ms` has passed, and then returns
// false. The work then goes on alone until it ends: it must own what it
// uses (copies, shared pointers), and what it throws then is lost.
bool RunWhileAnsweringUntil(std::function<void()> work, const std::function<bool()>& give_up,
                            unsigned timeout_ms);

}  // namespace platform::win32
