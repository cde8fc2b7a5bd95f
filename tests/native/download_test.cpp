// The banner download: the file name a URL gives, and what is stored.
#include <gtest/gtest.h>

#include "banner/download.h"
#include "fake_platform.h"

namespace {
using banner::Stored;
using fake::FakeSystem;
using fake::FakeUi;
using platform::transfer::Response;
constexpr const char* kFolder = R"(C:\App)";

TEST(BannerFileName, IsTheLastSegmentWithoutQueryAndNeverLeavesTheFolder) {
  const struct {
    const char* url;
    const char* name;  // nullptr: refused
  } cases[] = {
      {"http://maskfold.example/cache.gif", "cache.gif"},
      {"http://host/a/b/c.gif", "c.gif"},
      {"http://host/x.gif?v=2", "x.gif"},
      {"http://host/x.gif#top", "x.gif"},
      {"http://host/x.gif?a=/b", "b"},  // the last "/" wins, as it always has
      {"http://host/dir/", nullptr},
      {"no-slash-at-all", nullptr},
      {"http://host/?q", nullptr},
      {"http://host/.", nullptr},
      {"http://host/..", nullptr},
      {"http://host/..\\..\\evil.gif", nullptr},
      {"http://host/C:evil.gif", nullptr},
      {"http://host/CON", nullptr},
      {"http://host/nul.gif", nullptr},
      {"http://host/com1", nullptr},
      {"http://host/LPT9.txt", nullptr},
      {"http://host/com0", "com0"},
      {"http://host/console.gif", "console.gif"},
      {"http://host/a b.gif", "a b.gif"},
  };
  for (const auto& c : cases) {
    const auto name = banner::FileNameFromUrl(c.url);
    if (c.name)
      EXPECT_EQ(name.value_or("<refused>"), c.name) << c.url;
    else
      EXPECT_FALSE(name) << c.url << " gave " << *name;
  }
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
    FakeSystem::Get().files[R"(C:\App\cache.gif)"] = "an older and longer banner";
  }
  std::string Banner() { return FakeSystem::Get().files[R"(C:\App\cache.gif)"]; }
  platform::transfer::Control transfer;
};

TEST_F(DownloadTest, StoresTheWholeBodyInPlaceOfTheOldFile) {
  FakeSystem::Get().responses["http://host/cache.gif"] = Response{false, 200, "GIF89a"};
  EXPECT_EQ(banner::DownloadFile(transfer, "http://host/cache.gif", kFolder), Stored::kStored);
  EXPECT_EQ(Banner(), "GIF89a") << "no tail of the old file may stay";
}

TEST_F(DownloadTest, EveryFailureIsReportedAndKeepsTheOldFile) {
  const struct {
    const char* what;
    const char* url;
    std::optional<Response> response;
    bool unwritable;
  } cases[] = {
      {"transfer failed", "http://host/cache.gif", std::nullopt, false},
      {"404 page", "http://host/cache.gif", Response{false, 404, "Not Found page"}, false},
      {"302 without the image", "http://host/cache.gif", Response{false, 302, ""}, false},
      {"server error", "http://host/cache.gif", Response{false, 500, "oops"}, false},
      {"cut by the deadline", "http://host/cache.gif",
       Response{true, 200, "GIF8", platform::transfer::kTimedOut}, false},
      {"over the size", "http://host/cache.gif",
       Response{false, 200, std::string(banner::kMostBytes + 1, 'G')}, false},
      {"name refused", "http://host/", Response{false, 200, "GIF89a"}, false},
      {"write refused", "http://host/cache.gif", Response{false, 200, "GIF89a"}, true},
  };
  for (const auto& c : cases) {
    SetUp();
    if (c.response) FakeSystem::Get().responses[c.url] = *c.response;
    if (c.unwritable) FakeSystem::Get().unwritable.insert(R"(C:\App\cache.gif)");
    EXPECT_EQ(banner::DownloadFile(transfer, c.url, kFolder), Stored::kFailed) << c.what;
    EXPECT_EQ(Banner(), "an older and longer banner") << c.what;
  }
}

TEST_F(DownloadTest, APartialFileAnEarlierRunLeftGoesEvenWhenThisDownloadFails) {
  FakeSystem::Get().files[R"(C:\App\cache.gif.partial)"] = "half a banner";
  EXPECT_EQ(banner::DownloadFile(transfer, "http://host/cache.gif", kFolder), Stored::kFailed);
  EXPECT_FALSE(FakeSystem::Get().files.count(R"(C:\App\cache.gif.partial)"));
}

TEST_F(DownloadTest, ADownloadTheUserStoppedIsNoFailureAndKeepsTheOldFile) {
  FakeSystem::Get().responses["http://host/cache.gif"] =
      Response{true, 200, "GIF8", platform::transfer::kCancelled};
  EXPECT_EQ(banner::DownloadFile(transfer, "http://host/cache.gif", kFolder), Stored::kStopped);
  EXPECT_EQ(Banner(), "an older and longer banner");
}

TEST_F(DownloadTest, ABusyControlReturnsFalseSilentlyWithoutARequest) {
  struct BusyControl : platform::transfer::Control {
    bool Busy() const override { return true; }
  } busy;
  EXPECT_EQ(banner::DownloadFile(busy, "http://host/cache.gif", kFolder), Stored::kBusy);
  EXPECT_TRUE(FakeSystem::Get().requests.empty());
}

}  // namespace
