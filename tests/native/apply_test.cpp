// Apply's registry steps and Exit.
#include "wipe/apply.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_main_window.h"
#include "fake_platform.h"
#include "fake_registry.h"
#include "fake_urlcache.h"

namespace {
using fake::FakeRegistry;
using fake::FakeSystem;
using fake::RegValue;
namespace reg = platform::reg;
constexpr const char* kSettings = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr const char* kTyped = R"(Software\Microsoft\Internet Explorer\TypedURLs)";

using Window = fake::FakeMainWindow;

class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRegistry::Reset();
    FakeSystem::Reset();
    fake::FakeUrlCache::Reset();
    fake::FakeUi::Reset();
  }
  std::optional<RegValue> Stored(const char* name) {
    return FakeRegistry::Get().Value(reg::kCurrentUser, kSettings, name);
  }
  static RegValue Text(const std::string& t) {
    RegValue v{1, {t.begin(), t.end()}};
    v.data.push_back(0);
    return v;
  }
};

// A proxy is switched on as the registry holds it, without blanks or a
// byte-order mark; a text that would leave pages unproxied changes and
// deletes nothing, and one message says why.
TEST_F(ApplyTest, SwitchesTheProxyOnOrRefusesTextThatLeavesPagesUnproxied) {
  const struct {
    const char* typed;
    const char* proxy;  // nullptr: refused, for the reason below
    const char* why = "";
  } cases[] = {{"127.0.0.1:8080", "127.0.0.1:8080"},
               {"\xEF\xBB\xBF  p:1 \t", "p:1"},
               {"https=h:443;http=h:80", "https=h:443;http=h:80"},
               {"", nullptr, "is empty"},
               {"https=h:443", nullptr, "names no proxy for http"},
               {"user:secret@h:8080", nullptr, "cannot carry a password"}};
  for (const auto& c : cases) {
    SetUp();
    FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
    Window window;
    window.proxy = c.typed;
    window.Apply();
    EXPECT_EQ(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped), !c.proxy) << c.typed;
    if (!c.proxy) {
      EXPECT_FALSE(Stored("ProxyServer")) << c.typed;
      EXPECT_TRUE(FakeSystem::Get().file_operations.empty());
      ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u) << c.typed;
      EXPECT_NE(fake::FakeUi::Get().calls[0].find(c.why), std::string::npos)
          << fake::FakeUi::Get().calls[0];
      continue;
    }
    EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {1, 0, 0, 0}})) << c.proxy;
    EXPECT_EQ(Stored("ProxyServer"), Text(c.proxy)) << c.proxy;
    EXPECT_EQ(window.tooltip, c.proxy);
    EXPECT_EQ(window.proxy, c.proxy);
    EXPECT_EQ(FakeSystem::Get().connections[""].proxy, c.proxy);
  }
}

TEST_F(ApplyTest, SwitchesBeforeTheWipeAndTellsWinInetAfterwards) {
  Window window;
  window.proxy = "p:1";
  window.Apply();
  const auto& calls = FakeRegistry::Get().calls;
  const auto index = [&](const std::string& prefix) {
    return std::find_if(calls.begin(), calls.end(),
                        [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }) -
           calls.begin();
  };
  EXPECT_LT(index("SetValueEx"), index("DeleteKey"));
  EXPECT_EQ(FakeSystem::Get().calls,
            (std::vector<std::string>{"SetConnection(|3|p:1)", "NotifySettingsChanged"}));
}

TEST_F(ApplyTest, AProxyTooLongToReadBackIsNotClaimedAndNothingIsDeleted) {
  FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
  Window window;
  // Longer than a read can take.
  window.proxy = "http=p:1;https=p:1";
  while (window.proxy.size() < 3000) window.proxy += ";ftp=p:1";
  window.Apply();
  EXPECT_EQ(window.tooltip, "Not Set");
  EXPECT_TRUE(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped));
  ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u);
  EXPECT_NE(fake::FakeUi::Get().calls[0].find("Nothing was deleted"), std::string::npos);
}

// What the program's end does to the proxy, after any number of Applies.
TEST_F(ApplyTest, TheEndTurnsTheProxyOffWhateverApplyWrote) {
  Window window;
  window.proxy = "p:1";
  window.Apply();
  window.Apply();
  EXPECT_TRUE(proxyswitch::SwitchOff());
  EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {0, 0, 0, 0}}));
  EXPECT_EQ(Stored("ProxyServer"), Text("Not Set"));
  EXPECT_EQ(FakeSystem::Get().connections[""].flags, 1u);
  for (const auto& shown : fake::FakeUi::Get().calls)
    EXPECT_EQ(shown.find("turn its proxy off"), std::string::npos) << shown;
}

TEST_F(ApplyTest, TheEndSaysHowToTurnTheProxyOffWhenTheRegistryRefusesEveryCall) {
  FakeRegistry::Get().refuse = "C";  // CreateKey and CloseKey refused
  const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  EXPECT_FALSE(Stored("ProxyEnable"));
  ASSERT_FALSE(off);
  EXPECT_NE(off.Why()->text.find("To turn it off by hand"), std::string::npos);
}

}  // namespace
