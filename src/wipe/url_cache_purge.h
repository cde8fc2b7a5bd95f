// Empties the browser's URL cache: every cache group with its entries, then
// every content entry that is left. Failures are told in message boxes.
#pragma once

namespace wipe {

enum class PurgeOutcome { kGoOn, kStop };

PurgeOutcome PurgeUrlCache();

}  // namespace wipe
