// The program's one end. Exit, the close box, the session's end, --off and
// the untrapped-failure report all come here, so that the proxy is never
// left on behind the user's back and the process ends from main.
#pragma once

#include <optional>
#include <string>

namespace app {

// Closes the proxy test's connections, then turns the proxy off (the
// settings the record holds put back) and puts the browsers' WebRTC
// settings back. The problem when the proxy stays on, with how to turn it
// off by hand, or when a WebRTC setting is not back (its browser open, or
// its file not writable).
std::optional<std::string> TurnEverythingOff();

// At start, before anything shows the proxy: a run that ended without Exit
// may have left its proxy on, which goes off the one way; without one, the
// WebRTC settings an earlier run could not put back are put back now. The
// message to show once, or nothing.
std::optional<std::string> PutRightAfterLostRun();

// How the program ends: asked by the user, who is told of a proxy left on,
// or by the session's end, when a message box would hold the session.
enum class Ending { kByUser, kBySession };

// TurnEverythingOff once, the task queues stopped, then the one message
// loop left, so that Application::Run returns and main ends the process.
void EndProgram(Ending ending);

// For the untrapped-failure report: everything off and the queues stopped,
// whatever throws; the report then ends the process itself.
void ShutDownForFailure() noexcept;

}  // namespace app
