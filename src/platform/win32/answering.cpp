#include "platform/win32/answering.h"

#include <windows.h>

#include <exception>
#include <thread>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

void RunWhileAnswering(const std::function<void()>& work) {
  const UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!done) return work();
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    ::SetEvent(done.Get());
  });
  const HANDLE waits[] = {done.Get()};
  while (::MsgWaitForMultipleObjects(1, waits, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    ui::ProcessPendingMessages();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace platform::win32
