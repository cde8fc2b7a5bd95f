// The proxy list file's bytes as UTF-8, the text the program's windows and
// the registry take (the process's code page is UTF-8).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace proxylist {

// Turns 8-bit text in the system's code page into UTF-8; nothing when a byte
// means nothing there.
using LegacyDecoder = std::optional<std::string> (*)(std::string_view);

// The file's text in UTF-8, or nothing when it is not text the program can
// read:
// - a UTF-8 byte-order mark is dropped, and the rest must be UTF-8;
// - UTF-16 with its byte-order mark (little- or big-endian) is converted;
//   an odd number of bytes or a surrogate without its pair is refused;
// - without a mark, UTF-8 is taken as it is, and anything else as the
//   system's 8-bit code page, as Notepad's "ANSI" wrote it;
// - a NUL character in the text is refused: UTF-16 without its mark, UTF-32
//   or a file that is not text at all.
std::optional<std::string> DecodeText(std::string_view bytes, LegacyDecoder legacy);

}  // namespace proxylist
