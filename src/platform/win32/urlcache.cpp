#include "platform/urlcache.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wininet_calls.h"

namespace platform::urlcache {

static_assert(kEntryInfoSize == sizeof(INTERNET_CACHE_ENTRY_INFOA));

namespace {

// The group calls are looked up at run time: a library without them is a
// case the purge handles, not a reason for the program not to start.
template <class Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(win32::WinInetLibrary().Find(name)));
}

using FindFirstGroupFn = HANDLE(WINAPI*)(DWORD, DWORD, LPVOID, DWORD, GROUPID*, LPVOID);
using DeleteGroupFn = BOOL(WINAPI*)(GROUPID, DWORD, LPVOID);
using FindNextGroupFn = BOOL(WINAPI*)(HANDLE, GROUPID*, LPVOID);

std::int32_t LastError() { return static_cast<std::int32_t>(::GetLastError()); }

// The buffer the entry calls fill: the record, then the strings it points
// to. Never smaller than the 4,104 bytes the purge has always declared.
class EntryBuffer {
 public:
  explicit EntryBuffer(std::uint32_t offered_bytes)
      : words_(std::max<std::size_t>(1 + 1025, (offered_bytes + 3) / 4), 0) {
    Info()->dwStructSize = kEntryInfoSize;
  }
  INTERNET_CACHE_ENTRY_INFOA* Info() {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(words_.data());
  }
  std::string SourceUrl() {
    const char* url = Info()->lpszSourceUrlName;
    return url ? url : "";
  }

 private:
  std::vector<std::uint32_t> words_;
};

EntryFind Filled(EntryFind result, EntryBuffer& buffer, DWORD size) {
  if (result.ok) result.source_url = buffer.SourceUrl();
  if (!result.ok && result.last_error == ERROR_INSUFFICIENT_BUFFER) result.required_bytes = size;
  return result;
}

}  // namespace

GroupFind FindFirstGroup() {
  GroupFind result;
  const auto find = Lookup<FindFirstGroupFn>("FindFirstUrlCacheGroup");
  if (!find) return result.present = false, result;
  GROUPID group = 0;
  ::SetLastError(0);
  result.handle = reinterpret_cast<Handle>(find(0, 0, nullptr, 0, &group, nullptr));
  result.last_error = LastError();
  result.group = group;
  return result;
}

Result DeleteGroup(GroupId group) {
  Result result;
  const auto remove = Lookup<DeleteGroupFn>("DeleteUrlCacheGroup");
  if (!remove) return result.present = false, result;
  ::SetLastError(0);
  result.ok = remove(group, CACHEGROUP_FLAG_FLUSHURL_ONDELETE, nullptr);
  result.last_error = LastError();
  return result;
}

Result FindNextGroup(Handle handle, GroupId* group) {
  Result result;
  const auto next = Lookup<FindNextGroupFn>("FindNextUrlCacheGroup");
  if (!next) return result.present = false, result;
  GROUPID id = *group;
  ::SetLastError(0);
  result.ok = next(reinterpret_cast<HANDLE>(handle), &id, nullptr);
  result.last_error = LastError();
  *group = id;
  return result;
}

EntryFind FindFirstEntry(std::uint32_t offered_bytes) {
  EntryBuffer buffer(offered_bytes);
  DWORD size = offered_bytes;
  EntryFind result;
  // Loaded before the last error is cleared: loading may set it.
  const auto& wininet = win32::WinInet();
  ::SetLastError(0);
  win32::UniqueUrlCacheFind find(wininet.FindFirstUrlCacheEntryA(nullptr, buffer.Info(), &size));
  result.last_error = LastError();
  result.ok = static_cast<bool>(find);
  // Handed over only once the result is whole: a failure reading the entry
  // closes the enumeration.
  result = Filled(std::move(result), buffer, size);
  result.handle = reinterpret_cast<Handle>(find.Release());
  return result;
}

EntryFind FindNextEntry(Handle handle, std::uint32_t offered_bytes) {
  EntryBuffer buffer(offered_bytes);
  DWORD size = offered_bytes;
  EntryFind result;
  const auto& wininet = win32::WinInet();
  ::SetLastError(0);
  result.ok =
      wininet.FindNextUrlCacheEntryA(reinterpret_cast<HANDLE>(handle), buffer.Info(), &size);
  result.last_error = LastError();
  return Filled(std::move(result), buffer, size);
}

Result DeleteEntry(const std::string& source_url) {
  Result result;
  const auto& wininet = win32::WinInet();
  ::SetLastError(0);
  result.ok = wininet.DeleteUrlCacheEntryA(source_url.c_str());
  result.last_error = LastError();
  return result;
}

void Close(Handle handle) {
  const win32::UniqueUrlCacheFind ended(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform::urlcache
