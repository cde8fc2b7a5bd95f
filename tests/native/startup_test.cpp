// Start-up: the order of its steps and the jar folder repair.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "platform/files.h"
#include "shell/startup.h"

namespace {
using fake::FakeSystem;
using fake::FakeUi;
constexpr const char* kUrl = "http://host/cache.gif";

struct Windows : shell::StartupWindows {
  std::string folder = R"(C:\Cookies)";
  std::vector<std::string>& log = FakeUi::Get().calls;
  platform::transfer::Control inet;
  std::string CookiesFolder() override {
    log.push_back("CookiesFolder");
    return folder;
  }
  void ShowSplash() override { log.push_back("ShowSplash"); }
  platform::transfer::Control& Inet() override { return inet; }
  void ShowMain() override { log.push_back("ShowMain"); }
  void UnloadSplash() override { log.push_back("UnloadSplash"); }
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
    FakeSystem::Get().responses[kUrl] = {false, 200, "GIF89a"};
  }
};

TEST_F(StartupTest, APresentJarGoesStraightOnInOrder) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x10;
  Windows windows;
  shell::RunStartup(windows, kUrl);
  EXPECT_EQ(FakeUi::Get().calls,
            (std::vector<std::string>{"CookiesFolder", "ShowSplash", "ShowMain", "UnloadSplash"}));
  EXPECT_EQ(FakeSystem::Get().calls,
            std::vector<std::string>{R"(SetAttributes(C:\Program Files\Maskfold\cache.gif,128))"});
  EXPECT_EQ(FakeSystem::Get().requests, std::vector<std::string>{kUrl});
  EXPECT_EQ(FakeSystem::Get().files[R"(C:\Program Files\Maskfold\cache.gif)"], "GIF89a");
}

TEST_F(StartupTest, AFileNamedJarSatisfiesTheTest) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x20;
  Windows windows;
  shell::RunStartup(windows, kUrl);
  EXPECT_EQ(FakeUi::Get().calls.size(), 4u) << "no message";
}

TEST_F(StartupTest, AMissingJarIsAnnouncedOnceBeforeAnyWindowAndCreated) {
  Windows windows;
  shell::RunStartup(windows, kUrl);
  const std::vector<std::string> expected = {
      "CookiesFolder",
      "CookiesFolder",
      R"(ShowMessage(The folder C:\Cookies\Jar is missing--Click OK to restore it.|0|Maskfold))",
      "CookiesFolder",
      "ShowSplash",
      "ShowMain",
      "UnloadSplash"};
  EXPECT_EQ(FakeUi::Get().calls, expected);
  EXPECT_TRUE(platform::files::Exists(R"(C:\Cookies\Jar)"));
}

TEST_F(StartupTest, AJarThatCannotBeMadeIsToldAndStartUpGoesOn) {
  Windows windows;
  windows.folder = "Not Found";
  FakeSystem::Get().unwritable.insert("Not Found\\Jar");
  shell::RunStartup(windows, kUrl);
  auto& calls = FakeUi::Get().calls;
  ASSERT_GE(calls.size(), 7u);
  EXPECT_EQ(
      calls[2],
      R"(ShowMessage(The folder Not Found\Jar is missing--Click OK to restore it.|0|Maskfold))");
  EXPECT_NE(calls[4].find("Protected cookies are unavailable"), std::string::npos);
  EXPECT_EQ(calls.back(), "UnloadSplash");
}

TEST_F(StartupTest, ADownloadFailureStillShowsTheMainWindow) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x10;
  FakeSystem::Get().responses.clear();
  Windows windows;
  shell::RunStartup(windows, kUrl);
  auto& calls = FakeUi::Get().calls;
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1], "ShowSplash");
  EXPECT_NE(calls[2].find("An error has occured"), std::string::npos);
  EXPECT_EQ(calls[3], "ShowMain");
}

TEST(BannerUrl, ComesFromTheCommandLineWhenGiven) {
  EXPECT_EQ(shell::BannerUrl("maskfold.exe"), "http://maskfold.example/cache.gif");
  EXPECT_EQ(shell::BannerUrl("\"C:\\x y\\maskfold.exe\" --banner-url=http://127.0.0.1:8/a.gif"),
            "http://127.0.0.1:8/a.gif");
  EXPECT_EQ(shell::BannerUrl("m.exe --banner-url=http://h/b.gif --other"), "http://h/b.gif");
}

}  // namespace
