#include "proxylist/proxy_list.h"

#include "platform/files.h"
#include "platform/ui.h"
#include "proxylist/reader.h"

namespace proxylist {

std::string ProxyListPath() { return platform::files::ApplicationFolder() + "\\proxy.dat"; }

void LoadProxyList(EntrySink& sink) {
  try {
    const std::string bytes = platform::files::ReadWholeFile(ProxyListPath());
    Reader reader(bytes);
    while (!reader.AtEnd()) {
      const std::string entry = reader.Next();
      platform::ui::ProcessPendingMessages();
      sink.Append(entry);
    }
  } catch (...) {
    // A missing or unreadable list is no reason to stop the window's load.
  }
}

void EditProxyList() {
  // Quoted, and without a command interpreter: a folder with blanks or "&"
  // in its name opens like any other.
  const std::string path = ProxyListPath();
  if (!platform::files::Launch("notepad.exe", "\"" + path + "\""))
    platform::ui::ShowMessage("Notepad could not be started to edit the proxy list " + path + ".",
                              platform::ui::kStyleInformation);
}

}  // namespace proxylist
