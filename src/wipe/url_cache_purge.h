// Empties the browser's URL cache: every cache group with its entries, then
// every content entry that is left. Failures are told in message boxes.
#pragma once

#include <cstddef>
#include <functional>

namespace wipe {

enum class PurgeOutcome { kGoOn, kStop };

// Told the number of content entries deleted so far, after each one.
using PurgeProgress = std::function<void(std::size_t deleted)>;

PurgeOutcome PurgeUrlCache(const PurgeProgress& progress = {});

}  // namespace wipe
