// Centring arithmetic and the Always On Top switch.
#include "common/identifiers.h"
#include "placement/always_on_top.h"
#include "placement/centering.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {
using fake::FakeUi;
constexpr platform::ui::WindowId kWindow = 7;
constexpr int kAlwaysOnTop = ids::menu::kAlwaysOnTop;

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  const struct {
    double value;
    std::int64_t expected;
  } cases[] = {{6412.5, 6412}, {6413.5, 6414}, {0.5, 0},  {1.5, 2}, {-0.5, 0},           {-1.5, -2},
               {-2.5, -2},     {2.49, 2},      {2.51, 3}, {7, 7},   {1e6 + 0.5, 1000000}};
  for (const auto& c : cases) EXPECT_EQ(placement::RoundHalfEven(c.value), c.expected) << c.value;
}

TEST(CenterOffset, HalvesTheDifferenceWithTiesToEven) {
  const struct {
    double screen, window;
    std::int64_t expected;
  } cases[] = {
      {15360, 2535, 6412},      // 12825 / 2 = 6412.5
      {15362, 2535, 6414},      // 12827 / 2 = 6413.5
      {11520, 3300, 4110},      // even difference
      {15360, 2535.4, 6412},    // sizes are rounded before subtracting
      {15360, 2535.5, 6412},    // 2535.5 -> 2536, 12824 / 2
      {3000, 4000, -500},       // larger than the screen: negative, not clamped
      {57600, 2535, 27532},     // 3840 pixels: beyond 16 bits, 55065 / 2
      {32767 * 3.0, 1, 49150},  // far beyond 16 bits
      {38400, 38400, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(placement::CenterOffset(c.screen, c.window), c.expected)
        << c.screen << " " << c.window;
}

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeUi::Reset();
    FakeUi::Get().windows[kWindow].outer = {2535, 3300};
  }
  std::vector<std::string>& calls() { return FakeUi::Get().calls; }
};

TEST_F(PlacementTest, CenterWindowSetsTopThenLeft) {
  placement::CenterWindow(kWindow);
  EXPECT_EQ(calls(), (std::vector<std::string>{"SetTop(7,4110)", "SetLeft(7,6412)"}));
}

TEST_F(PlacementTest, CenterWindowOnAWideScreen) {
  FakeUi::Get().screen = {3840 * 15.0, 2160 * 15.0};
  placement::CenterWindow(kWindow);
  EXPECT_EQ(FakeUi::Get().windows[kWindow].left, 27532);
  EXPECT_EQ(FakeUi::Get().windows[kWindow].top, 14550);
}

TEST_F(PlacementTest, AlwaysOnTopSizeGrowsWithTheScreenResolution) {
  FakeUi::Get().dpi = 192;
  placement::ToggleAlwaysOnTop(kWindow);
  EXPECT_EQ(calls()[1], "SetWindowPos(7,-1,0,0,336,440,0)");
}

TEST_F(PlacementTest, AlwaysOnTopAlternatesBandsWithTheSameArguments) {
  placement::ToggleAlwaysOnTop(kWindow);
  EXPECT_TRUE(FakeUi::Get().windows[kWindow].ticks[kAlwaysOnTop]);
  placement::ToggleAlwaysOnTop(kWindow);
  EXPECT_FALSE(FakeUi::Get().windows[kWindow].ticks[kAlwaysOnTop]);
  const std::vector<std::string> expected = {
      "SetMenuTick(103,1)", "SetWindowPos(7,-1,0,0,168,220,0)",
      "SetTop(7,4110)",     "SetLeft(7,6412)",
      "SetMenuTick(103,0)", "SetWindowPos(7,1,0,0,168,220,0)",
      "SetTop(7,4110)",     "SetLeft(7,6412)"};
  EXPECT_EQ(calls(), expected);
}

}  // namespace
