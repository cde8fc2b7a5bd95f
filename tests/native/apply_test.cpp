// Apply's registry steps and Exit.
#include "wipe/apply.h"

#include <gtest/gtest.h>

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

struct Window : wipe::MainWindowState {
  std::string proxy;
  std::string tooltip = "unset";
  std::string ProxyText() const override { return proxy; }
  void SetProxyTooltip(const std::string& text) override { tooltip = text; }
  std::string CookiesFolder() const override { return R"(C:\Cookies)"; }
  void WipeProgress(std::size_t) override {}
};

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

TEST_F(ApplyTest, SwitchesTheProxyOnAndShowsWhatTheRegistryHolds) {
  const struct {
    const char* proxy;
  } cases[] = {{"127.0.0.1:8080"}, {""}, {"  typed by hand, not checked  "}};
  for (const auto& c : cases) {
    SetUp();
    FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
    Window window;
    window.proxy = c.proxy;
    wipe::Apply(window);
    EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped)) << c.proxy;
    EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {1, 0, 0, 0}})) << c.proxy;
    EXPECT_EQ(Stored("ProxyServer"), Text(c.proxy)) << c.proxy;
    EXPECT_EQ(window.tooltip, c.proxy);
  }
}

TEST_F(ApplyTest, RunsItsStepsInOrderAndTellsWinInetAfterwards) {
  Window window;
  window.proxy = "p:1";
  wipe::Apply(window);
  auto& calls = FakeRegistry::Get().calls;
  std::vector<std::string> kinds;
  for (const auto& call : calls) kinds.push_back(call.substr(0, call.find('(')));
  const std::vector<std::string> expected = {
      "OpenKeyEx", "DeleteKey",  "CloseKey", "CreateKey", "SetValueEx", "FlushKey",     "CloseKey",
      "CreateKey", "SetValueEx", "FlushKey", "CloseKey",  "OpenKey",    "QueryValueEx", "CloseKey"};
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(FakeSystem::Get().calls, std::vector<std::string>{"NotifySettingsChanged"});
}

TEST_F(ApplyTest, ATooltipThatCannotBeReadBackShowsNotFound) {
  Window window;
  window.proxy = std::string(3000, 'p');  // longer than a read can take
  wipe::Apply(window);
  EXPECT_EQ(window.tooltip, "Not Found");
  EXPECT_EQ(Stored("ProxyServer")->data.size(), 3001u);
}

TEST_F(ApplyTest, ExitTurnsTheProxyOffWhateverApplyWroteAndEndsTheProcess) {
  Window window;
  window.proxy = "p:1";
  wipe::Apply(window);
  wipe::Apply(window);
  EXPECT_THROW(wipe::Exit(), fake::ProcessEnded);
  EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {0, 0, 0, 0}}));
  EXPECT_EQ(Stored("ProxyServer"), Text("Not Set"));
  const std::vector<std::string> expected = {"NotifySettingsChanged", "NotifySettingsChanged",
                                             "NotifySettingsChanged", "EndProcess(0)"};
  EXPECT_EQ(FakeSystem::Get().calls, expected);
}

TEST_F(ApplyTest, ExitEndsEvenWhenTheRegistryRefusesEveryCall) {
  FakeRegistry::Get().throw_in = "C";  // CreateKey and CloseKey cannot be made
  EXPECT_THROW(wipe::Exit(), fake::ProcessEnded);
  EXPECT_FALSE(Stored("ProxyEnable"));
}

}  // namespace
