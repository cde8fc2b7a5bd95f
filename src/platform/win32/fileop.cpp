#include "platform/fileop.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <thread>

#include "platform/ui.h"
#include "platform/win32/handles.h"
#include "platform/win32/shell_calls.h"

namespace platform::fileop {
namespace {
// The platform takes lists of names, each list ended by a second NUL.
std::string NameList(const std::string& name) { return name + '\0' + '\0'; }
}  // namespace

int Run(const Record& record) {
  const std::string from = NameList(record.from);
  const std::string to = record.to ? NameList(*record.to) : std::string();
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = reinterpret_cast<HWND>(record.owner);
  operation.wFunc = record.function;
  operation.pFrom = from.c_str();
  operation.pTo = record.to ? to.c_str() : nullptr;
  operation.fFlags = static_cast<FILEOP_FLAGS>(record.flags);

  // The operation runs on a thread of its own, and this one goes on with its
  // windows' messages meanwhile: moving thousands of files to the recycle
  // bin must not leave a window that does not answer.
  const win32::UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  // Loaded here: a failure to load is thrown on the caller's thread.
  const auto operate = win32::Shell().SHFileOperationA;
  if (!done) return operate(&operation);
  int result = 0;
  std::thread worker([&] {
    // The shell's copy engine and its dialogs want COM on their thread.
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    result = operate(&operation);
    if (com) ::CoUninitialize();
    ::SetEvent(done.Get());
  });
  const HANDLE waits[] = {done.Get()};
  while (::MsgWaitForMultipleObjects(1, waits, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    ui::ProcessPendingMessages();
  worker.join();
  return result;
}

}  // namespace platform::fileop
