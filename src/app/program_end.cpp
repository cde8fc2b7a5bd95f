#include "app/program_end.h"

#include <windows.h>

#include <utility>

#include "browsers/webrtc.h"
#include "platform/ui.h"
#include "proxyswitch/proxy_switch.h"
#include "proxytest/probe_run.h"
#include "ui/task_queue.h"

namespace app {
namespace {
bool ended = false;  // the window thread's: the end runs once
}  // namespace

std::optional<std::string> TurnEverythingOff() {
  proxytest::CloseEveryProbe();
  const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  // Once the proxy is off: WebRTC kept to it until then.
  const auto webrtc = browsers::PutBackWebRtc().PutBackMessage();
  if (off) return webrtc;
  return off.Why()->text + (webrtc ? "\n\n" + *webrtc : "");
}

std::optional<std::string> PutRightAfterLostRun() {
  const auto proxy = proxyswitch::LostRunProxy();
  if (!proxy) {
    // No proxy of Maskfold's is on, yet an earlier run may have left WebRTC
    // kept to it (its browser was open at the end). A browser still open
    // keeps it for a later start, without a word: the user heard at Exit.
    browsers::WebRtcReport leftover = browsers::PutBackWebRtc();
    leftover.left_open.clear();
    return leftover.PutBackMessage();
  }
  if (auto problem = TurnEverythingOff()) return problem;
  return proxyswitch::PutBackMessage(*proxy);
}

void EndProgram(Ending ending) {
  if (std::exchange(ended, true)) return;
  // No step of a task runs on, or reports to a window that is going.
  ui::TaskQueue::StopAll();
  const auto problem = TurnEverythingOff();
  if (problem && ending == Ending::kByUser)
    platform::ui::ShowMessage(*problem, platform::ui::kStyleInformation);
  ::PostQuitMessage(0);
}

void ShutDownForFailure() noexcept {
  ui::TaskQueue::StopAll();
  try {
    [[maybe_unused]] const auto problem = TurnEverythingOff();  // the report says enough
  } catch (...) {
    // The report comes all the same.
  }
}

}  // namespace app
