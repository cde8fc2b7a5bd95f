// Fetches a URL as raw bytes and stores them in a folder under the name the
// URL's last path segment gives.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/transfer.h"

namespace banner {

// However slowly a server sends, a download ends this long after its
// request, and a body larger than this is refused: start-up waits on it.
inline constexpr unsigned kDeadlineMs = 15000;
inline constexpr std::size_t kMostBytes = 1024 * 1024;

// The file name a URL gives: the text after its last "/", without a query
// or fragment. Nothing when that name could reach outside the folder or
// name a device: empty, ".", "..", holding "\" or ":", or CON, NUL, COM1...
std::optional<std::string> FileNameFromUrl(std::string_view url);

// What a download came to: the body stored; a failed transfer or write (a
// download cut by the deadline or the size too), which the user is told in
// kFailureMessage; or nothing to tell: the transfer was busy with another
// request, or the user stopped it.
enum class Stored { kStored, kFailed, kBusy, kStopped };
inline constexpr std::string_view kFailureMessage =
    "An error has occured in the file transfer or write.  Please try again later.";

// Fetches the URL through the transfer and stores the body. Blocks for the
// length of the download: run it off a window's thread.
Stored DownloadFile(platform::transfer::Control& transfer, const std::string& url,
                    const std::string& folder);

}  // namespace banner
