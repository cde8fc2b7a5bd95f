#include "platform/win32/answering.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <thread>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace platform::win32 {
namespace {

// What the worker leaves for the thread that waits for it.
struct Outcome {
  UniqueHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::exception_ptr failure;
};

// Answers messages until the work is done (true), `give_up` says so or the
// time is over (false).
bool AnswerUntilDone(HANDLE done, const std::function<bool()>& give_up, DWORD timeout_ms) {
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  for (;;) {
    DWORD wait = INFINITE;
    if (timeout_ms != INFINITE) {
      const ULONGLONG now = ::GetTickCount64();
      wait = now < end ? static_cast<DWORD>(end - now) : 0;
    }
    const HANDLE waits[] = {done};
    const DWORD woken = ::MsgWaitForMultipleObjects(1, waits, FALSE, wait, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
    ui::ProcessPendingMessages();
    if (give_up && give_up()) return false;
  }
}

}  // namespace

void RunWhileAnswering(const std::function<void()>& work) {
  Outcome outcome;
  if (!outcome.done) return work();
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      outcome.failure = std::current_exception();
    }
    ::SetEvent(outcome.done.Get());
  });
  AnswerUntilDone(outcome.done.Get(), nullptr, INFINITE);
  worker.join();
  if (outcome.failure) std::rethrow_exception(outcome.failure);
}

bool RunWhileAnsweringUntil(std::function<void()> work, const std::function<bool()>& give_up,
                            unsigned timeout_ms) {
  // Shared: a worker given up on outlives this call.
  const auto outcome = std::make_shared<Outcome>();
  if (!outcome->done) {
    work();
    return true;
  }
  std::thread worker([outcome, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      outcome->failure = std::current_exception();
    }
    ::SetEvent(outcome->done.Get());
  });
  if (!AnswerUntilDone(outcome->done.Get(), give_up, timeout_ms)) {
    worker.detach();
    return false;
  }
  worker.join();
  if (outcome->failure) std::rethrow_exception(outcome->failure);
  return true;
}

}  // namespace platform::win32
