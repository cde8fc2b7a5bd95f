// The proxy list file "proxy.dat" beside the program: loaded into the main
// window's proxy box once, edited in the text editor.
#pragma once

#include <cstddef>
#include <string>

namespace proxylist {

// Where loaded entries go.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  // Told once, before the first entry, how many entries and bytes follow.
  virtual void Reserve(std::size_t entries, std::size_t bytes) = 0;
  virtual void Append(const std::string& entry) = 0;
};

std::string ProxyListPath();

enum class LoadOutcome {
  kLoaded,
  // Missing, unreadable, or the list took no more: nothing to tell the user.
  kNotRead,
  // Not text the program can read (see DecodeText): no entry is added, and
  // the user should be told to save the file again as UTF-8 or ANSI text.
  kNotText,
};

// Appends every item of the file, letting pending window messages run at the
// start and then every 25 ms or so. A failure ends the loading quietly;
// entries read so far stay.
LoadOutcome LoadProxyList(EntrySink& sink);

// Opens the file in the system folder's Notepad, detached, never a
// notepad.exe lying in the program's or the current folder. False when it
// could not be started.
bool EditProxyList();

}  // namespace proxylist
