// Protecting a cookie and emptying the jar.
#include <gtest/gtest.h>

#include "cookies/jar.h"
#include "fake_platform.h"

namespace {
using fake::FakeSystem;
using fake::FakeUi;
constexpr const char* kFolder = R"(C:\Cookies)";

class JarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeUi::Reset();
    files()[R"(C:\Cookies\a@site[1].txt)"] = "new cookie";
    files()[R"(C:\Cookies\Jar\a@site[1].txt)"] = "old jar copy";
    files()[R"(C:\Cookies\Jar\b@site[1].txt)"] = "another";
    files()[R"(C:\Cookies\Jar\notes.dat)"] = "not a cookie";
    files()[R"(C:\Cookies\Jar\notes.txtold)"] = "a cookie by its short name only";
  }
  std::map<std::string, std::string>& files() { return FakeSystem::Get().files; }
};

TEST_F(JarTest, ProtectMovesOneFileAndReplacesTheJarCopy) {
  EXPECT_FALSE(cookies::Protect(fake::Guarded(kFolder), "a@site[1].txt"));
  EXPECT_FALSE(files().count(R"(C:\Cookies\a@site[1].txt)"));
  EXPECT_EQ(files()[R"(C:\Cookies\Jar\a@site[1].txt)"], "new cookie");
}

TEST_F(JarTest, AFailedCopyLeavesBothFoldersAndSaysSo) {
  const auto before = files();
  FakeSystem::Get().unwritable.insert(R"(C:\Cookies\Jar\a@site[1].txt)");
  const auto problem = cookies::Protect(fake::Guarded(kFolder), "a@site[1].txt");
  EXPECT_EQ(files(), before);
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("could not be copied"), std::string::npos) << *problem;
}

TEST_F(JarTest, NothingSelectedDoesNothing) {
  const auto before = files();
  EXPECT_FALSE(cookies::Protect(fake::Guarded(kFolder), ""));
  EXPECT_EQ(files(), before);
}

TEST_F(JarTest, EmptyDeletesOnlyTheJarsCookieFiles) {
  EXPECT_TRUE(cookies::EmptyJar(fake::Guarded(kFolder)));
  const std::map<std::string, std::string> expected = {
      {R"(C:\Cookies\a@site[1].txt)", "new cookie"},
      {R"(C:\Cookies\Jar\notes.dat)", "not a cookie"},
      {R"(C:\Cookies\Jar\notes.txtold)", "a cookie by its short name only"}};
  EXPECT_EQ(files(), expected);
  EXPECT_FALSE(cookies::EmptyJar(fake::Guarded(kFolder))) << "nothing left to match";
}

TEST_F(JarTest, AJarThatLinksElsewhereIsNeitherFilledNorEmptied) {
  FakeSystem::Get().attributes[R"(C:\Cookies\Jar)"] = 0x410;  // a folder that is a link
  const auto before = files();
  EXPECT_TRUE(cookies::Protect(fake::Guarded(kFolder), "a@site[1].txt"));
  EXPECT_FALSE(cookies::EmptyJar(fake::Guarded(kFolder)));
  EXPECT_EQ(files(), before);
}

}  // namespace
