#include "wipe/url_cache_purge.h"

#include <string>
#include <string_view>

#include "common/text.h"
#include "platform/urlcache.h"

namespace wipe {
namespace cache = platform::urlcache;

namespace {

constexpr std::int32_t kFileNotFound = 2;   // no (further) group
constexpr std::int32_t kNoMoreFiles = 18;   // the documented code for the same
constexpr std::int32_t kNoMoreItems = 259;  // no (further) entry
constexpr std::int32_t kInsufficientBuffer = 122;
// No cache entry needs more; a larger size is not taken at its word.
constexpr std::uint32_t kLargestEntryBytes = 1u << 24;

// A failure without any error code is the platform saying that the operation
// is not there (Wine's group calls are such stubs), like a missing one.
bool NotThere(const cache::Call& call, bool failed) {
  return !call.present || (failed && call.last_error == 0);
}

bool NoFurtherGroup(std::int32_t code) { return code == kFileNotFound || code == kNoMoreFiles; }

// Ends an enumeration on every path out of its phase.
class Enumeration {
 public:
  explicit Enumeration(cache::Handle handle) : handle_(handle) {}
  Enumeration(const Enumeration&) = delete;
  Enumeration& operator=(const Enumeration&) = delete;
  ~Enumeration() { cache::Close(handle_); }
  cache::Handle Get() const { return handle_; }

 private:
  cache::Handle handle_;
};

// Cookies and history are the cookie stages' business: a null search pattern
// lists only content entries on Windows, but Wine lists these too.
bool IsContentEntry(std::string_view source_url) {
  return !text::StartsWithNoCase(source_url, "Cookie:") &&
         !text::StartsWithNoCase(source_url, "Visited:");
}

PurgeOutcome PurgeGroups(std::vector<PurgeNote>& notes) {
  const cache::GroupFind first = cache::FindFirstGroup();
  if (NotThere(first, first.handle == 0)) return PurgeOutcome::kGoOn;
  if (first.handle == 0) {
    if (NoFurtherGroup(first.last_error)) return PurgeOutcome::kGoOn;
    notes.push_back({"IE version conflict ", first.last_error});
    return PurgeOutcome::kStop;
  }

  const Enumeration groups(first.handle);
  cache::GroupId group = first.group;
  for (;;) {
    const cache::Result deleted = cache::DeleteGroup(group);
    if (!deleted.ok && !NotThere(deleted, true)) {
      notes.push_back({"Error deleting cache group ", deleted.last_error});
      return PurgeOutcome::kStop;
    }
    const cache::Result next = cache::FindNextGroup(groups.Get(), &group);
    if (NotThere(next, !next.ok)) {
      // Without a find-next there is no way on to another group; trying the
      // same one again would never end.
      notes.push_back({"Error finding next url cache group! - ", next.last_error});
      return PurgeOutcome::kGoOn;
    }
    if (!next.ok && !NoFurtherGroup(next.last_error))
      notes.push_back({"Error finding next url cache group! - ", next.last_error});
    if (NoFurtherGroup(next.last_error)) return PurgeOutcome::kGoOn;
  }
}

// One entry, read again with the room the platform asks for when it did not
// fit: a long tracking URL, its file name and stored headers easily exceed
// the bytes offered at first.
template <class Find>
cache::EntryFind ReadEntry(Find&& find) {
  std::uint32_t offered = cache::kOfferedBytes;
  cache::EntryFind entry = find(offered);
  while (!entry.ok && entry.last_error == kInsufficientBuffer && entry.required_bytes > offered &&
         entry.required_bytes <= kLargestEntryBytes) {
    offered = entry.required_bytes;
    entry = find(offered);
  }
  return entry;
}

PurgeOutcome PurgeEntries(const PurgeProgress& progress, PurgeReport& report) {
  std::vector<PurgeNote>& notes = report.notes;
  std::size_t deleted = 0;
  cache::EntryFind entry =
      ReadEntry([](std::uint32_t offered) { return cache::FindFirstEntry(offered); });
  if (!entry.ok) {
    if (entry.last_error == kNoMoreItems) return PurgeOutcome::kGoOn;
    notes.push_back({"ERROR: FindFirstUrlCacheEntry - ", entry.last_error});
    return PurgeOutcome::kStop;
  }

  const Enumeration entries(entry.handle);
  for (;;) {
    if (IsContentEntry(entry.source_url)) {
      // Whatever the delete does, the purge goes on; only what went is
      // counted as gone.
      const cache::Result removed = cache::DeleteEntry(entry.source_url);
      if (removed.ok) ++report.entries_deleted;
      ++deleted;
      if (progress) progress(deleted);
    }
    entry = ReadEntry(
        [&](std::uint32_t offered) { return cache::FindNextEntry(entries.Get(), offered); });
    if (!entry.ok && entry.last_error != kNoMoreItems) {
      notes.push_back({"Error:  Unable to find the next cache entry - ", entry.last_error});
      return PurgeOutcome::kStop;
    }
    if (entry.last_error == kNoMoreItems) return PurgeOutcome::kGoOn;
  }
}

}  // namespace

PurgeReport PurgeUrlCache(const PurgeProgress& progress) {
  PurgeReport report;
  report.outcome = PurgeGroups(report.notes);
  if (report.outcome == PurgeOutcome::kGoOn) report.outcome = PurgeEntries(progress, report);
  return report;
}

}  // namespace wipe
