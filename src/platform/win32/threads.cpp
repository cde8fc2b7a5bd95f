#include "platform/threads.h"

#include <windows.h>

#include <process.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <utility>

namespace platform::threads {
namespace {

unsigned __stdcall Start(void* work) {
  const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(work));
  (*owned)();
  return 0;
}

}  // namespace

// Not std::thread's detach: with this toolchain's thread library a thread
// detached at once now and then never runs (under Wine, 1 or 2 of 3,000),
// and a step of Apply waiting on it waits for ever.
void StartDetached(std::function<void()> work) {
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  const auto thread = ::_beginthreadex(nullptr, 0, &Start, owned.get(), 0, nullptr);
  if (thread == 0) throw std::system_error(errno, std::generic_category(), "no thread started");
  owned.release();  // the thread's now
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));
}

}  // namespace platform::threads
