// The cookie stages of Apply: which folders they work in, their records, and
// their place after the cache purge.
#include <gtest/gtest.h>

#include "fake_main_window.h"
#include "fake_platform.h"
#include "fake_registry.h"
#include "fake_urlcache.h"
#include "wipe/apply.h"
#include "wipe/cookie_stages.h"

namespace {
using fake::FakeSystem;
constexpr std::uint32_t kFolder = 0x10;

TEST(CookiesFolder, EnvironmentReferencesAreExpandedOnlyWherePresent) {
  FakeSystem::Reset();
  FakeSystem::Get().environment["USERPROFILE"] = R"(C:\users\me)";
  EXPECT_EQ(wipe::CookiesFolderFromRegistry(R"(%USERPROFILE%\Cookies)"), R"(C:\users\me\Cookies)");
  EXPECT_EQ(wipe::CookiesFolderFromRegistry(R"(C:\users\me\Cookies)"), R"(C:\users\me\Cookies)");
  EXPECT_EQ(wipe::CookiesFolderFromRegistry("Not Found"), "Not Found");
  EXPECT_EQ(wipe::CookiesFolderFromRegistry(R"(%NOSUCH%\x)"), R"(%NOSUCH%\x)");
}

using Window = fake::FakeMainWindow;

class ApplyWipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::FakeRegistry::Reset();
    fake::FakeUi::Reset();
    fake::FakeUrlCache::Reset();
    FakeSystem::Reset();
    FakeSystem::Get().attributes[R"(C:\Cookies)"] = kFolder;
    window = Window{};
    window.folder = R"(C:\Cookies)";
  }
  Window window;
};

// Each cookie file by name, in this folder only: on Windows a "*.txt"
// wildcard also goes into every subfolder (the jar) and takes "notes.txtold"
// by its short name. The cookies are at risk from the delete to the restore
// and in the browsers' stores, never while a message shows, and Apply's end
// is recorded before its last message.
TEST_F(ApplyWipeTest, DeletesEachCookieFileByNameThenCopiesTheJarBack) {
  struct Case {
    std::vector<std::string> files;  // under C:\Cookies
    std::uint32_t jar = kFolder;
    std::vector<std::string> operations;
    std::string message;
    std::vector<std::string> events;
    std::vector<wipe::Stage> stages;
  };
  const Case cases[] = {
      {{"a.txt", "B.TXT", "notes.txtold", "keep.me", R"(Jar\a.txt)", R"(Jar\p.txt)",
        R"(Jar\x.txtold)", R"(sub\deep.txt)"},
       kFolder,
       {R"(Delete(C:\Cookies\B.TXT;C:\Cookies\a.txt|4288|0))",  // recycle bin, files, no recursion
        R"(Copy(C:\Cookies\Jar\a.txt;C:\Cookies\Jar\p.txt|C:\Cookies|4224|0))"},
       "",
       {"AtRisk", "Safe", "AtRisk", "Safe", "Ended"},
       {wipe::Stage::kCookieFiles, wipe::Stage::kRestore, wipe::Stage::kBrowserStores}},
      // Nothing to delete or copy: no dialog.
      {{"keep.me", "notes.txtold"},
       kFolder,
       {},
       "",
       {"AtRisk", "Safe", "Ended"},
       {wipe::Stage::kBrowserStores}},
      {{"a.txt", R"(Jar\p.txt)"},
       0x410,  // a jar that links elsewhere
       {R"(Delete(C:\Cookies\a.txt|4288|0))"},
       "protected folder \"C:\\Cookies\\Jar\" is a link",
       {"AtRisk", "Safe", "Ended", "Tell"},
       {wipe::Stage::kCookieFiles}},
  };
  for (const Case& c : cases) {
    SetUp();
    FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = c.jar;
    for (const auto& name : c.files) FakeSystem::Get().files[R"(C:\Cookies\)" + name] = "x";
    window.Apply();
    EXPECT_EQ(FakeSystem::Get().file_operations, c.operations) << c.files[0];
    EXPECT_EQ(window.events, c.events) << c.files[0];
    std::vector<wipe::Stage> stages;
    for (const auto& [stage, count] : window.progress) stages.push_back(stage);
    EXPECT_EQ(stages, c.stages) << c.files[0];
    const auto& shown = fake::FakeUi::Get().calls;
    if (c.message.empty()) {
      EXPECT_TRUE(shown.empty()) << "a completed Apply shows nothing";
    } else {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_NE(shown[0].find(c.message), std::string::npos) << shown[0];
    }
  }
}

TEST_F(ApplyWipeTest, TellsTheWindowOfEachCacheEntryDeleted) {
  auto& cache = fake::FakeUrlCache::Get();
  cache.first_entry = fake::Entry("http://a/");
  cache.next_entries = {fake::Entry("Cookie:me@site/"), fake::Entry("http://b/")};
  window.Apply();
  // At once, then no more often than every 25 ms: the fake clock stands still.
  // Each stage names itself; those that delete nothing here count nothing.
  using wipe::Stage;
  EXPECT_EQ(window.progress, (std::vector<std::pair<Stage, std::size_t>>{
                                 {Stage::kCacheEntries, 1}, {Stage::kBrowserStores, 0}}))
      << "cookies are not cache entries";
  EXPECT_EQ(window.ended, 1);
}

TEST_F(ApplyWipeTest, APurgeThatStopsLeavesTheCookiesUntouched) {
  fake::FakeUrlCache::Get().first_group.last_error = 87;
  window.Apply();
  EXPECT_TRUE(FakeSystem::Get().file_operations.empty());
  EXPECT_EQ(fake::FakeUi::Get().calls,
            std::vector<std::string>{"ShowMessage(IE version conflict 87|0|Maskfold)"});
  // The registry steps before it stay done.
  EXPECT_EQ(
      fake::FakeRegistry::Get()
          .Value(platform::reg::kCurrentUser,
                 R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)", "ProxyEnable")
          ->data,
      (std::vector<std::uint8_t>{1, 0, 0, 0}));
}

TEST_F(ApplyWipeTest, AFolderThatIsNotARealCookiesFolderIsLeftAloneWithOneMessage) {
  for (const char* folder : {"Not Found", "", R"(C:\)", R"(C:\Missing)", R"(C:\Cookies\..)"}) {
    SetUp();
    window.folder = folder;
    window.Apply();
    EXPECT_TRUE(FakeSystem::Get().file_operations.empty()) << folder;
    ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u) << folder;
    EXPECT_NE(fake::FakeUi::Get().calls[0].find("Your cookies were left alone"), std::string::npos);
    EXPECT_NE(fake::FakeUi::Get().calls[0].find("|64|Maskfold)"), std::string::npos);
  }
}

}  // namespace
