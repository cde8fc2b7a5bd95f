// Empties the browser's URL cache: every cache group with its entries, then
// every content entry that is left. What failed is reported for the window
// to tell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wipe {

enum class PurgeOutcome { kGoOn, kStop };

// Told the number of content entries deleted so far, after each one.
using PurgeProgress = std::function<void(std::size_t deleted)>;

// A failure met on the way: the message's text, then the platform's code.
struct PurgeNote {
  std::string_view text;
  std::int32_t code;
  std::string Message() const { return std::string(text) + std::to_string(code); }
};

struct PurgeReport {
  PurgeOutcome outcome = PurgeOutcome::kGoOn;
  std::vector<PurgeNote> notes;  // in the order met; shown in a plain box each
  std::size_t entries_deleted = 0;
};

PurgeReport PurgeUrlCache(const PurgeProgress& progress = {});

}  // namespace wipe
