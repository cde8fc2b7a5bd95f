// Loading the proxy list into the proxy box, and the edit command.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_platform.h"
#include "proxylist/proxy_list.h"

namespace {
using fake::FakeSystem;
using fake::FakeUi;
constexpr const char* kList = R"(C:\Program Files\Maskfold\proxy.dat)";

struct ProxyBox : proxylist::EntrySink {
  std::vector<std::string> entries;
  std::size_t fail_at = SIZE_MAX;  // the append that fails
  void Reserve(std::size_t entries, std::size_t bytes) override {
    FakeUi::Get().calls.push_back("Reserve(" + std::to_string(entries) + "," +
                                  std::to_string(bytes) + ")");
  }
  std::uint64_t append_ms = 0;  // what one append costs on the fake clock
  void Append(const std::string& entry) override {
    if (entries.size() == fail_at) throw std::runtime_error("cannot add");
    entries.push_back(entry);
    FakeUi::Get().calls.push_back("Append(" + entry + ")");
    FakeUi::Get().now_ms += append_ms;
  }
};

class ProxyListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
  }
};

TEST_F(ProxyListTest, EveryEntryIsAddedInOrderAfterTheWindowsMessagesRanOnce) {
  FakeSystem::Get().files[kList] = "a,\"b c\"\r\n\r\na\r\n";
  ProxyBox box;
  proxylist::LoadProxyList(box);
  EXPECT_EQ(box.entries, (std::vector<std::string>{"a", "b c", "", "a"}));
  const std::vector<std::string> expected = {"Reserve(4,9)", "ProcessPendingMessages",
                                             "Append(a)",    "Append(b c)",
                                             "Append()",     "Append(a)"};
  EXPECT_EQ(FakeUi::Get().calls, expected);
}

TEST_F(ProxyListTest, ALongLoadLetsTheMessagesRunByTheClockNotByTheEntry) {
  std::string list;
  for (int i = 0; i < 1000; ++i) list += "10.0.0." + std::to_string(i % 250) + ":80\r\n";
  FakeSystem::Get().files[kList] = list;
  ProxyBox box;
  box.append_ms = 1;
  proxylist::LoadProxyList(box);
  ASSERT_EQ(box.entries.size(), 1000u);
  // Between two runs of the messages no more than 25 appends, a millisecond
  // each; and far fewer runs than entries.
  std::size_t runs = 0, since = 0, longest = 0;
  for (const auto& call : FakeUi::Get().calls) {
    if (call == "ProcessPendingMessages") {
      ++runs;
      since = 0;
    } else if (call.rfind("Append", 0) == 0) {
      longest = std::max(longest, ++since);
    }
  }
  EXPECT_LE(longest, 25u);
  EXPECT_GE(runs, 1000u / 25);
  EXPECT_LE(runs, 1000u / 20);
}

TEST_F(ProxyListTest, FailuresEndTheLoadingQuietlyAndKeepWhatWasRead) {
  ProxyBox missing;
  EXPECT_EQ(proxylist::LoadProxyList(missing), proxylist::LoadOutcome::kNotRead);
  EXPECT_TRUE(missing.entries.empty());

  FakeSystem::Get().files[kList] = "a\r\nb\r\nc\r\n";
  ProxyBox failing;
  failing.fail_at = 2;
  EXPECT_EQ(proxylist::LoadProxyList(failing), proxylist::LoadOutcome::kNotRead);
  EXPECT_EQ(failing.entries, (std::vector<std::string>{"a", "b"}));
}

// Entries reach the box as UTF-8 text; a file that is not text adds none and
// leaves telling the user to the window.
TEST_F(ProxyListTest, TheFileIsDecodedBeforeItsItemsAreRead) {
  using namespace std::string_literals;
  FakeSystem::Get().files[kList] =
      "\xFF\xFE"
      "a\0,\0\xF6\0\r\0\n\0"s;
  ProxyBox utf16;
  EXPECT_EQ(proxylist::LoadProxyList(utf16), proxylist::LoadOutcome::kLoaded);
  EXPECT_EQ(utf16.entries, (std::vector<std::string>{"a", "\xC3\xB6"}));

  FakeUi::Reset();
  FakeSystem::Get().files[kList] = "a\0,\0b\0"s;
  ProxyBox not_text;
  EXPECT_EQ(proxylist::LoadProxyList(not_text), proxylist::LoadOutcome::kNotText);
  EXPECT_TRUE(not_text.entries.empty());
  EXPECT_TRUE(FakeUi::Get().calls.empty());
}

TEST_F(ProxyListTest, EditOpensTheQuotedPathInTheSystemFoldersNotepad) {
  FakeSystem::Get().application_folder = R"(C:\Tools & More\Mask fold)";
  EXPECT_TRUE(proxylist::EditProxyList());
  EXPECT_EQ(FakeSystem::Get().launches,
            std::vector<std::string>{
                R"(C:\Windows\system32\notepad.exe|"C:\Tools & More\Mask fold\proxy.dat")"});
  EXPECT_TRUE(FakeUi::Get().calls.empty());

  FakeSystem::Get().launch_works = false;
  EXPECT_FALSE(proxylist::EditProxyList());
  EXPECT_TRUE(FakeUi::Get().calls.empty());
}

}  // namespace
