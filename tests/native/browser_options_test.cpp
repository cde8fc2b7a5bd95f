// The two browser options: initial ticks from the registry and the toggles.
#include "options/browser_options.h"

#include <gtest/gtest.h>

#include "common/identifiers.h"
#include "fake_platform.h"
#include "fake_registry.h"
#include "registry/settings.h"

namespace {
using fake::FakeRegistry;
using fake::FakeUi;
using fake::RegValue;
constexpr platform::ui::WindowId kWindow = 1;
constexpr const char* kMain = R"(Software\Microsoft\Internet Explorer\Main)";

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRegistry::Reset();
    FakeUi::Reset();
  }
  bool Ticked(int item) { return FakeUi::Get().windows[kWindow].ticks[item]; }
  std::string Stored(const char* name) {
    auto value = FakeRegistry::Get().Value(platform::reg::kCurrentUser, kMain, name);
    if (!value) return "<none>";
    EXPECT_EQ(value->type, 1u) << name;
    return std::string(value->data.begin(), value->data.end() - 1);
  }
};

TEST_F(OptionsTest, InitialTicksNeedTheExactText) {
  struct Case {
    const char* what;
    std::optional<RegValue> full_screen;
    std::optional<RegValue> save_history;
    bool full_screen_ticked;
    bool clear_temp_ticked;
  };
  auto text = [](std::string t) {
    RegValue v{1, {t.begin(), t.end()}};
    v.data.push_back(0);
    return v;
  };
  const Case cases[] = {
      {"both missing", std::nullopt, std::nullopt, false, false},
      {"yes / no", text("yes"), text("no"), true, true},
      {"no / yes", text("no"), text("yes"), false, false},
      {"capital Yes / No", text("Yes"), text("No"), false, false},
      {"DWORD 1 reads 001", RegValue{4, {1, 0, 0, 0}}, RegValue{4, {0, 0, 0, 0}}, false, false},
      {"text 1", text("1"), text("0"), false, false},
      {"trailing blank", text("yes "), text("no "), false, false},
  };
  for (const auto& c : cases) {
    SetUp();
    if (c.full_screen)
      FakeRegistry::Get().Put(platform::reg::kCurrentUser, kMain, "FullScreen", *c.full_screen);
    if (c.save_history)
      FakeRegistry::Get().Put(platform::reg::kCurrentUser, kMain, "Save_Session_History_On_Exit",
                              *c.save_history);
    options::SetInitialTicks(kWindow);
    EXPECT_EQ(Ticked(ids::menu::kFullScreen), c.full_screen_ticked) << c.what;
    EXPECT_EQ(Ticked(ids::menu::kClearTempOnExit), c.clear_temp_ticked) << c.what;
  }
}

TEST_F(OptionsTest, LoadNeverUnticksAndTicksFullScreenFirst) {
  FakeRegistry::Get().PutText(platform::reg::kCurrentUser, kMain, "FullScreen", "yes");
  FakeRegistry::Get().PutText(platform::reg::kCurrentUser, kMain, "Save_Session_History_On_Exit",
                              "no");
  FakeUi::Get().windows[kWindow].ticks[ids::menu::kAlwaysOnTop] = true;
  options::SetInitialTicks(kWindow);
  EXPECT_EQ(FakeUi::Get().calls,
            (std::vector<std::string>{"SetMenuTick(102,1)", "SetMenuTick(101,1)"}));
  EXPECT_TRUE(Ticked(ids::menu::kAlwaysOnTop));
}

TEST_F(OptionsTest, EachClickFlipsTheTickThenWritesItsValue) {
  options::ToggleFullScreen(kWindow);
  EXPECT_TRUE(Ticked(ids::menu::kFullScreen));
  EXPECT_EQ(Stored("FullScreen"), "yes");
  options::ToggleFullScreen(kWindow);
  EXPECT_FALSE(Ticked(ids::menu::kFullScreen));
  EXPECT_EQ(Stored("FullScreen"), "no");

  options::ToggleClearTempOnExit(kWindow);
  EXPECT_TRUE(Ticked(ids::menu::kClearTempOnExit));
  EXPECT_EQ(Stored("Save_Session_History_On_Exit"), "no");
  options::ToggleClearTempOnExit(kWindow);
  EXPECT_FALSE(Ticked(ids::menu::kClearTempOnExit));
  EXPECT_EQ(Stored("Save_Session_History_On_Exit"), "yes");
}

TEST_F(OptionsTest, TheClickFollowsTheTickNotTheRegistry) {
  // Changed behind the program's back: the next click writes the opposite of the tick.
  FakeRegistry::Get().PutText(platform::reg::kCurrentUser, kMain, "Save_Session_History_On_Exit",
                              "no");
  options::ToggleClearTempOnExit(kWindow);
  EXPECT_EQ(Stored("Save_Session_History_On_Exit"), "no");
  EXPECT_TRUE(Ticked(ids::menu::kClearTempOnExit));
}

}  // namespace
