// A scripted URL cache behind platform/urlcache.h: each call takes the next
// scripted answer and is recorded.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/urlcache.h"

namespace fake {

struct GroupStep {
  platform::urlcache::Result result;
  platform::urlcache::GroupId next_group = 0;  // what a find-next leaves
};

struct FakeUrlCache {
  platform::urlcache::GroupFind first_group;
  std::deque<platform::urlcache::Result> group_deletes;  // empty: success
  std::deque<GroupStep> next_groups;                     // empty: failure with code 2
  // An entry's required_bytes, when set, is the room it needs to be read.
  platform::urlcache::EntryFind first_entry;
  std::deque<platform::urlcache::EntryFind> next_entries;  // empty: failure with 259
  std::deque<platform::urlcache::Result> entry_deletes;    // empty: success
  std::vector<std::string> calls;
  static FakeUrlCache& Get();
  static void Reset();  // no groups (code 2), no entries (code 259)
};

platform::urlcache::Result Ok();
platform::urlcache::Result Failed(std::int32_t code);
platform::urlcache::Result Missing(std::int32_t code_left);
platform::urlcache::EntryFind Entry(const std::string& url, std::int32_t code = 0);
platform::urlcache::EntryFind NoEntry(std::int32_t code);

}  // namespace fake
