// The WinINet URL cache calls the purge makes. Each result carries the
// thread's last error code read straight after the call (cleared before it,
// so the code is the call's own) and whether the library has the operation.
#pragma once

#include <cstdint>
#include <string>

namespace platform::urlcache {

using GroupId = std::int64_t;
using Handle = std::uintptr_t;  // 0: no enumeration

struct Call {
  bool present = true;  // false: the library lacks the operation
  std::int32_t last_error = 0;
};

struct Result : Call {
  bool ok = false;
};

struct GroupFind : Call {
  Handle handle = 0;
  GroupId group = 0;
};

struct EntryFind : Result {
  Handle handle = 0;       // from the find-first only
  std::string source_url;  // the entry's source URL name, when ok
  // With code 122: the bytes the entry needs; a find offering that much
  // reads the same entry again.
  std::uint32_t required_bytes = 0;
};

inline constexpr std::uint32_t kEntryInfoSize = 80;   // sizeof INTERNET_CACHE_ENTRY_INFOA
inline constexpr std::uint32_t kOfferedBytes = 2048;  // buffer offered for one entry

// FindFirstUrlCacheGroup(0, 0 (every group), null, 0, &group, null).
GroupFind FindFirstGroup();
// DeleteUrlCacheGroup(group, 2 (flush its entries), null).
Result DeleteGroup(GroupId group);
// FindNextUrlCacheGroup(handle, &group, null); the group is replaced on success.
Result FindNextGroup(Handle handle, GroupId* group);
// FindFirstUrlCacheEntryA(null pattern, buffer, &offered), with a buffer of
// at least the offered size.
EntryFind FindFirstEntry(std::uint32_t offered_bytes);
// FindNextUrlCacheEntryA(handle, buffer, &offered).
EntryFind FindNextEntry(Handle handle, std::uint32_t offered_bytes);
// DeleteUrlCacheEntryA(source URL name).
Result DeleteEntry(const std::string& source_url);
// FindCloseUrlCache: ends an enumeration.
void Close(Handle handle);

}  // namespace platform::urlcache
