// Threads that nobody waits for.
#pragma once

#include <functional>

namespace platform::threads {

// Runs `work` on a new thread of its own that is never joined. Throws
// std::system_error when no thread can be started; `work` must not throw.
void StartDetached(std::function<void()> work);

}  // namespace platform::threads
