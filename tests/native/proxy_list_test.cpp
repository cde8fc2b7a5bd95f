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
  void Append(const std::string& entry) override {
    if (entries.size() == fail_at) throw std::runtime_error("cannot add");
    entries.push_back(entry);
    FakeUi::Get().calls.push_back("Append(" + entry + ")");
  }
};

class ProxyListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
  }
};

TEST_F(ProxyListTest, EachEntryIsAddedAfterPendingMessagesRan) {
  FakeSystem::Get().files[kList] = "a,\"b c\"\r\n\r\na\r\n";
  ProxyBox box;
  proxylist::LoadProxyList(box);
  EXPECT_EQ(box.entries, (std::vector<std::string>{"a", "b c", "", "a"}));
  const std::vector<std::string> expected = {
      "Reserve(4,9)", "ProcessPendingMessages", "Append(a)", "ProcessPendingMessages",
      "Append(b c)",  "ProcessPendingMessages", "Append()",  "ProcessPendingMessages",
      "Append(a)"};
  EXPECT_EQ(FakeUi::Get().calls, expected);
}

TEST_F(ProxyListTest, FailuresEndTheLoadingQuietlyAndKeepWhatWasRead) {
  ProxyBox missing;
  EXPECT_NO_THROW(proxylist::LoadProxyList(missing));
  EXPECT_TRUE(missing.entries.empty());

  FakeSystem::Get().files[kList] = "a\r\nb\r\nc\r\n";
  ProxyBox failing;
  failing.fail_at = 2;
  EXPECT_NO_THROW(proxylist::LoadProxyList(failing));
  EXPECT_EQ(failing.entries, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ProxyListTest, EditOpensTheQuotedPathInNotepadAndTellsWhenItCannot) {
  FakeSystem::Get().application_folder = R"(C:\Tools & More\Mask fold)";
  proxylist::EditProxyList();
  EXPECT_EQ(FakeSystem::Get().launches,
            std::vector<std::string>{R"(notepad.exe|"C:\Tools & More\Mask fold\proxy.dat")"});
  EXPECT_TRUE(FakeUi::Get().calls.empty());

  FakeSystem::Get().launch_works = false;
  proxylist::EditProxyList();
  ASSERT_EQ(FakeUi::Get().calls.size(), 1u);
  EXPECT_NE(FakeUi::Get().calls[0].find("Notepad could not be started"), std::string::npos);
}

}  // namespace
