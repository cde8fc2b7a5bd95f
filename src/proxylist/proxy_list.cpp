#include "proxylist/proxy_list.h"

#include <optional>
#include <vector>

#include "common/failure.h"
#include "common/identifiers.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "proxylist/decoding.h"
#include "proxylist/reader.h"

namespace proxylist {
namespace {
// Well inside the 50 ms a window may go without answering before it feels
// stuck.
constexpr std::uint64_t kBreathMs = 25;
}  // namespace

std::string ProxyListPath() {
  return platform::files::ApplicationFolder() + "\\" + std::string(ids::kProxyListFile);
}

LoadOutcome LoadProxyList(EntrySink& sink) {
  return failure::Trap(
      [&] {
        const std::optional<std::string> text = DecodeText(
            platform::files::ReadWholeFile(ProxyListPath()), platform::files::SystemCodePageToUtf8);
        if (!text) return LoadOutcome::kNotText;
        // The whole file is read and parsed first, so that the list can make
        // room for every entry at once.
        const std::vector<std::string> entries = ReadAll(*text);
        std::size_t bytes = 0;
        for (const auto& entry : entries) bytes += entry.size() + 1;
        sink.Reserve(entries.size(), bytes);
        // The window's messages run now and then, by the clock: between every
        // two entries they would cost far more than the entries themselves.
        std::uint64_t breathed = platform::ui::Milliseconds();
        platform::ui::ProcessPendingMessages();
        for (const auto& entry : entries) {
          if (platform::ui::Milliseconds() - breathed >= kBreathMs) {
            platform::ui::ProcessPendingMessages();
            breathed = platform::ui::Milliseconds();
          }
          sink.Append(entry);
        }
        return LoadOutcome::kLoaded;
      },
      // A missing or unreadable list is no reason to stop the window's load:
      // the loading ends quietly and the entries added so far stay.
      [] { return LoadOutcome::kNotRead; });
}

bool EditProxyList() {
  // By its full path: a notepad.exe put beside the program or into the
  // current folder is never the one started.
  const std::string system = platform::files::SystemFolder();
  if (system.empty()) return false;
  // Quoted, and without a command interpreter: a folder with blanks or "&"
  // in its name opens like any other.
  const std::string path = ProxyListPath();
  return platform::process::Launch(system + "\\notepad.exe", "\"" + path + "\"");
}

}  // namespace proxylist
