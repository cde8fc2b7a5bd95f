// The URL cache purge over a scripted cache: the calls it makes, the
// messages it shows and whether Apply may go on.
#include <gtest/gtest.h>

#include <functional>

#include "fake_platform.h"
#include "fake_urlcache.h"
#include "wipe/url_cache_purge.h"

namespace {
using fake::Entry;
using fake::Failed;
using fake::FakeUrlCache;
using fake::NoEntry;
using fake::Ok;
using wipe::PurgeOutcome;
using Calls = std::vector<std::string>;

constexpr platform::urlcache::Handle kGroups = 0x60;

void Groups(std::int64_t first) {
  auto& cache = FakeUrlCache::Get();
  cache.first_group.handle = kGroups;
  cache.first_group.group = first;
  cache.first_group.last_error = 0;
}

void Entries(const std::vector<std::string>& urls) {
  auto& cache = FakeUrlCache::Get();
  cache.first_entry = Entry(urls.front());
  for (std::size_t i = 1; i < urls.size(); ++i) cache.next_entries.push_back(Entry(urls[i]));
}

std::string Message(const std::string& text) { return "ShowMessage(" + text + "|0|Maskfold)"; }

struct Case {
  const char* what;
  std::function<void()> script;
  Calls calls;
  Calls messages;
  PurgeOutcome outcome;
};

const Calls kNoEntries = {"FindFirstEntry(2048)"};

Calls Join(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(UrlCachePurge, FollowsItsStopAndGoOnRules) {
  const Case cases[] = {
      {"no groups and no entries",
       [] {},
       {"FindFirstGroup", "FindFirstEntry(2048)"},
       {},
       PurgeOutcome::kGoOn},
      {"no group operations in the library",
       [] {
         FakeUrlCache::Get().first_group.present = false;
         Entries({"http://a/"});
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
      {"group find-first failing without a code (Wine's stub)",
       [] {
         FakeUrlCache::Get().first_group.last_error = 0;
         Entries({"http://a/"});
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
      {"no group, reported as 18",
       [] { FakeUrlCache::Get().first_group.last_error = 18; },
       Join({"FindFirstGroup"}, kNoEntries),
       {},
       PurgeOutcome::kGoOn},
      {"three deletable groups",
       [] {
         Groups(1);
         FakeUrlCache::Get().next_groups = {{Ok(), 2}, {Ok(), 3}, {Failed(2), 3}};
       },
       Join({"FindFirstGroup", "DeleteGroup(1)", "FindNextGroup(96)", "DeleteGroup(2)",
             "FindNextGroup(96)", "DeleteGroup(3)", "FindNextGroup(96)", "Close(96)"},
            kNoEntries),
       {},
       PurgeOutcome::kGoOn},
      {"group find-next failing with 6, the second delete failing",
       [] {
         Groups(7);
         FakeUrlCache::Get().next_groups = {{Failed(6), 7}};
         FakeUrlCache::Get().group_deletes = {Ok(), Failed(5)};
       },
       {"FindFirstGroup", "DeleteGroup(7)", "FindNextGroup(96)", "DeleteGroup(7)", "Close(96)"},
       {Message("Error finding next url cache group! - 6"),
        Message("Error deleting cache group 5")},
       PurgeOutcome::kStop},
      {"group find-next failing with 6, the second delete succeeding",
       [] {
         Groups(7);
         FakeUrlCache::Get().next_groups = {{Failed(6), 7}, {Failed(2), 7}};
       },
       Join({"FindFirstGroup", "DeleteGroup(7)", "FindNextGroup(96)", "DeleteGroup(7)",
             "FindNextGroup(96)", "Close(96)"},
            kNoEntries),
       {Message("Error finding next url cache group! - 6")},
       PurgeOutcome::kGoOn},
      {"group find-next ending with 18",
       [] {
         Groups(1);
         FakeUrlCache::Get().next_groups = {{Failed(18), 1}};
       },
       Join({"FindFirstGroup", "DeleteGroup(1)", "FindNextGroup(96)", "Close(96)"}, kNoEntries),
       {},
       PurgeOutcome::kGoOn},
      {"group find-next missing: one message and no endless retry",
       [] {
         Groups(1);
         FakeUrlCache::Get().next_groups = {{fake::Missing(0), 1}};
       },
       Join({"FindFirstGroup", "DeleteGroup(1)", "FindNextGroup(96)", "Close(96)"}, kNoEntries),
       {Message("Error finding next url cache group! - 0")},
       PurgeOutcome::kGoOn},
      {"group delete missing goes on to the find-next",
       [] {
         Groups(1);
         FakeUrlCache::Get().group_deletes = {fake::Missing(0)};
       },
       Join({"FindFirstGroup", "DeleteGroup(1)", "FindNextGroup(96)", "Close(96)"}, kNoEntries),
       {},
       PurgeOutcome::kGoOn},
      {"87 from the group find-first",
       [] { FakeUrlCache::Get().first_group.last_error = 87; },
       {"FindFirstGroup"},
       {Message("IE version conflict 87")},
       PurgeOutcome::kStop},
      {"a negative code keeps its sign",
       [] { FakeUrlCache::Get().first_entry = NoEntry(-2147012894); },
       {"FindFirstGroup", "FindFirstEntry(2048)"},
       {Message("ERROR: FindFirstUrlCacheEntry - -2147012894")},
       PurgeOutcome::kStop},
      {"an entry delete failing with 32 is passed over",
       [] {
         Entries({"http://a/", "http://b/"});
         FakeUrlCache::Get().entry_deletes = {Failed(32)};
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "DeleteEntry(http://b/)", "FindNextEntry(224,2048)",
        "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
      {"122 without a larger size on the first entry",
       [] { FakeUrlCache::Get().first_entry = NoEntry(122); },
       {"FindFirstGroup", "FindFirstEntry(2048)"},
       {Message("ERROR: FindFirstUrlCacheEntry - 122")},
       PurgeOutcome::kStop},
      {"122 without a larger size on a later entry",
       [] {
         Entries({"http://a/"});
         FakeUrlCache::Get().next_entries = {NoEntry(122)};
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "Close(224)"},
       {Message("Error:  Unable to find the next cache entry - 122")},
       PurgeOutcome::kStop},
      {"an entry larger than the room offered is read again with the room it needs",
       [] {
         Entries({"http://a/", "http://long/", "http://c/"});
         FakeUrlCache::Get().first_entry.required_bytes = 5000;
         FakeUrlCache::Get().next_entries[0].required_bytes = 9000;
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "FindFirstEntry(5000)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "FindNextEntry(224,9000)", "DeleteEntry(http://long/)",
        "FindNextEntry(224,2048)", "DeleteEntry(http://c/)", "FindNextEntry(224,2048)",
        "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
      {"a stale 122 after a successful find-next does not stop the loop",
       [] {
         Entries({"http://a/"});
         FakeUrlCache::Get().next_entries = {Entry("http://b/", 122)};
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "DeleteEntry(http://a/)",
        "FindNextEntry(224,2048)", "DeleteEntry(http://b/)", "FindNextEntry(224,2048)",
        "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
      {"cookie and history entries stay for the cookie stages",
       [] {
         Entries({"Cookie:user@site/", "http://a/", "visited:user@http://a/", "COOKIE:x@y/"});
       },
       {"FindFirstGroup", "FindFirstEntry(2048)", "FindNextEntry(224,2048)",
        "DeleteEntry(http://a/)", "FindNextEntry(224,2048)", "FindNextEntry(224,2048)",
        "FindNextEntry(224,2048)", "Close(224)"},
       {},
       PurgeOutcome::kGoOn},
  };
  for (const Case& c : cases) {
    FakeUrlCache::Reset();
    fake::FakeUi::Reset();
    c.script();
    const wipe::PurgeReport report = wipe::PurgeUrlCache();
    EXPECT_EQ(report.outcome, c.outcome) << c.what;
    EXPECT_EQ(FakeUrlCache::Get().calls, c.calls) << c.what;
    Calls told;
    for (const auto& note : report.notes) told.push_back(Message(note.Message()));
    EXPECT_EQ(told, c.messages) << c.what;
  }
}

}  // namespace
