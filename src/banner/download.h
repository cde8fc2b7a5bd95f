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

// Fetches the URL through the transfer and stores the body. False, after one
// message, when the transfer or the write fails (a download cut by the
// deadline or the size too); false and silent when the transfer is busy with
// another request or the user stopped it.
bool DownloadFile(platform::transfer::Control& transfer, const std::string& url,
                  const std::string& folder);

}  // namespace banner
