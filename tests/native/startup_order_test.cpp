// Start-up: the order of its steps and the jar folder repair.
#include <gtest/gtest.h>

#include "common/identifiers.h"
#include "fake_platform.h"
#include "platform/files.h"
#include "startup/startup_order.h"

namespace {
using fake::FakeSystem;
using fake::FakeUi;
constexpr const char* kUrl = "http://host/cache.gif";

// Logs each step by name beside the messages the fake window system shows.
struct Windows : startup::Steps {
  std::string folder = R"(C:\Cookies)";
  std::vector<std::string>& log = FakeUi::Get().calls;
  platform::transfer::Control transfer;
  // The download reports at once, as the window's task would.
  std::string LoadMainWindow() override {
    log.push_back("LoadMainWindow");
    return folder;
  }
  void ShowSplash() override { log.push_back("ShowSplash"); }
  void Download(DownloadWork download, std::function<void(banner::Stored)> then) override {
    then(download(transfer));
  }
  void Tell(const outcome::Message& message) override { platform::ui::ShowMessage(message); }
  void ShowMainWindow() override { log.push_back("ShowMainWindow"); }
  void CloseSplash() override { log.push_back("CloseSplash"); }
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
    FakeSystem::Get().responses[kUrl] = {false, 200, "GIF89a"};
    FakeSystem::Get().attributes[R"(C:\Cookies)"] = 0x10;
  }
};

TEST_F(StartupTest, APresentJarGoesStraightOnInOrder) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x10;
  Windows windows;
  startup::Run(windows, kUrl);
  EXPECT_EQ(FakeUi::Get().calls, (std::vector<std::string>{"LoadMainWindow", "ShowSplash",
                                                           "ShowMainWindow", "CloseSplash"}));
  EXPECT_EQ(FakeSystem::Get().calls,
            std::vector<std::string>{R"(SetAttributes(C:\Program Files\Maskfold\cache.gif,128))"});
  EXPECT_EQ(FakeSystem::Get().requests, std::vector<std::string>{kUrl});
  EXPECT_EQ(FakeSystem::Get().files[R"(C:\Program Files\Maskfold\cache.gif)"], "GIF89a");
}

TEST_F(StartupTest, AFileNamedJarSatisfiesTheTest) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x20;
  Windows windows;
  startup::Run(windows, kUrl);
  EXPECT_EQ(FakeUi::Get().calls.size(), 4u) << "no message";
}

TEST_F(StartupTest, AMissingJarIsAnnouncedOnceBeforeAnyWindowAndCreated) {
  Windows windows;
  startup::Run(windows, kUrl);
  const std::vector<std::string> expected = {
      "LoadMainWindow",
      R"(ShowMessage(The folder C:\Cookies\Jar is missing--Click OK to restore it.|0|Maskfold))",
      "ShowSplash", "ShowMainWindow", "CloseSplash"};
  EXPECT_EQ(FakeUi::Get().calls, expected);
  EXPECT_TRUE(platform::files::Exists(R"(C:\Cookies\Jar)"));
}

TEST_F(StartupTest, AJarThatCannotBeMadeIsToldAndStartUpGoesOn) {
  Windows windows;
  FakeSystem::Get().unwritable.insert(R"(C:\Cookies\Jar)");
  startup::Run(windows, kUrl);
  auto& calls = FakeUi::Get().calls;
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(
      calls[1],
      R"(ShowMessage(The folder C:\Cookies\Jar is missing--Click OK to restore it.|0|Maskfold))");
  EXPECT_NE(calls[2].find("Protected cookies are unavailable"), std::string::npos);
  EXPECT_EQ(calls.back(), "CloseSplash");
}

TEST_F(StartupTest, ARefusedCookiesFolderGetsNoJarAndNoOffer) {
  for (const char* folder : {"Not Found", R"(C:\.)", R"(C:\Cookies\..)", R"(\\?\C:\)"}) {
    SetUp();
    Windows windows;
    windows.folder = folder;
    startup::Run(windows, kUrl);
    EXPECT_EQ(FakeUi::Get().calls, (std::vector<std::string>{"LoadMainWindow", "ShowSplash",
                                                             "ShowMainWindow", "CloseSplash"}))
        << folder;
    for (const auto& [path, attributes] : FakeSystem::Get().attributes)
      EXPECT_EQ(path.find(ids::kJarFolder), std::string::npos) << folder << ": " << path;
  }
}

TEST_F(StartupTest, ADownloadFailureStillShowsTheMainWindow) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x10;
  FakeSystem::Get().responses.clear();
  Windows windows;
  startup::Run(windows, kUrl);
  auto& calls = FakeUi::Get().calls;
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1], "ShowSplash");
  EXPECT_NE(calls[2].find("An error has occured"), std::string::npos);
  EXPECT_EQ(calls[3], "ShowMainWindow");
}

TEST(BannerUrl, ComesFromTheCommandLineWhenGiven) {
  EXPECT_EQ(startup::BannerUrl("maskfold.exe"), "http://maskfold.example/cache.gif");
  EXPECT_EQ(startup::BannerUrl("\"C:\\x y\\maskfold.exe\" --banner-url=http://127.0.0.1:8/a.gif"),
            "http://127.0.0.1:8/a.gif");
  EXPECT_EQ(startup::BannerUrl("m.exe --banner-url=http://h/b.gif --other"), "http://h/b.gif");
}

}  // namespace
