#include "fake_urlcache.h"

namespace fake {
namespace cache = platform::urlcache;
namespace {
FakeUrlCache state = [] {
  FakeUrlCache empty;
  empty.first_group.last_error = 2;
  empty.first_entry.last_error = 259;
  return empty;
}();

template <class T>
T Next(std::deque<T>& queue, T otherwise) {
  if (queue.empty()) return otherwise;
  T answer = queue.front();
  queue.pop_front();
  return answer;
}
}  // namespace

FakeUrlCache& FakeUrlCache::Get() { return state; }

void FakeUrlCache::Reset() {
  state = FakeUrlCache{};
  state.first_group.last_error = 2;
  state.first_entry.last_error = 259;
}

cache::Result Ok() {
  cache::Result result;
  result.ok = true;
  return result;
}

cache::Result Failed(std::int32_t code) {
  cache::Result result;
  result.last_error = code;
  return result;
}

cache::Result Missing(std::int32_t code_left) {
  cache::Result result = Failed(code_left);
  result.present = false;
  return result;
}

cache::EntryFind Entry(const std::string& url, std::int32_t code) {
  cache::EntryFind entry;
  entry.ok = true;
  entry.handle = 0xE0;
  entry.source_url = url;
  entry.last_error = code;
  return entry;
}

cache::EntryFind NoEntry(std::int32_t code) {
  cache::EntryFind entry;
  entry.last_error = code;
  return entry;
}

}  // namespace fake

namespace platform::urlcache {
using fake::state;

GroupFind FindFirstGroup() {
  state.calls.push_back("FindFirstGroup");
  return state.first_group;
}

Result DeleteGroup(GroupId group) {
  state.calls.push_back("DeleteGroup(" + std::to_string(group) + ")");
  return fake::Next(state.group_deletes, fake::Ok());
}

Result FindNextGroup(Handle handle, GroupId* group) {
  state.calls.push_back("FindNextGroup(" + std::to_string(handle) + ")");
  const fake::GroupStep step =
      fake::Next(state.next_groups, fake::GroupStep{fake::Failed(2), *group});
  *group = step.next_group;
  return step.result;
}

namespace {
// A scripted entry that needs more room than offered is not read: the
// platform reports 122 and the size, and the same entry comes next.
bool TooLarge(const EntryFind& entry, std::uint32_t offered_bytes) {
  return entry.ok && entry.required_bytes > offered_bytes;
}
EntryFind TooSmall(const EntryFind& entry) {
  EntryFind answer = fake::NoEntry(122);
  answer.required_bytes = entry.required_bytes;
  return answer;
}
}  // namespace

EntryFind FindFirstEntry(std::uint32_t offered_bytes) {
  state.calls.push_back("FindFirstEntry(" + std::to_string(offered_bytes) + ")");
  if (TooLarge(state.first_entry, offered_bytes)) return TooSmall(state.first_entry);
  return state.first_entry;
}

EntryFind FindNextEntry(Handle handle, std::uint32_t offered_bytes) {
  state.calls.push_back("FindNextEntry(" + std::to_string(handle) + "," +
                        std::to_string(offered_bytes) + ")");
  if (!state.next_entries.empty() && TooLarge(state.next_entries.front(), offered_bytes))
    return TooSmall(state.next_entries.front());
  return fake::Next(state.next_entries, fake::NoEntry(259));
}

Result DeleteEntry(const std::string& source_url) {
  state.calls.push_back("DeleteEntry(" + source_url + ")");
  return fake::Next(state.entry_deletes, fake::Ok());
}

void Close(Handle handle) { state.calls.push_back("Close(" + std::to_string(handle) + ")"); }

}  // namespace platform::urlcache
