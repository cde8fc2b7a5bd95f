// Blocking work run so that the calling thread's windows keep answering.
#pragma once

#include <functional>

namespace platform::win32 {

// Runs `work` on a thread of its own while this thread goes on with its
// windows' messages (painting, moving, messages from other programs), and
// returns when the work is done; what `work` throws is thrown here. Where
// no thread can be waited for, the work runs here instead.
void RunWhileAnswering(const std::function<void()>& work);

}  // namespace platform::win32
