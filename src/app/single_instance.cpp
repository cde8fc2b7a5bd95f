#include "app/single_instance.h"

#include <windows.h>

#include "common/identifiers.h"

namespace app {
namespace {
// Per session ("Local\"): another user's Maskfold switches another user's proxy.
constexpr char kMutexName[] = "Local\\Maskfold.Running";
}  // namespace

SingleInstance::SingleInstance() : mutex_(::CreateMutexA(nullptr, FALSE, kMutexName)) {
  // A mutex that could not be made at all does not keep the user from
  // the program.
  first_ = !mutex_ || ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void BringRunningToFront() {
  for (const char* window_class : {ids::window_class::kMain, ids::window_class::kSplash}) {
    const HWND window = ::FindWindowA(window_class, nullptr);
    if (!window || !::IsWindowVisible(window)) continue;
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    return;
  }
}

}  // namespace app
