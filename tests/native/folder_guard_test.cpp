// The guard before every file the program touches in the cookies folder:
// hostile paths as written, and paths that only resolve to a hostile place.
#include "cookies/folder_guard.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {
using fake::FakeSystem;
constexpr std::uint32_t kFolder = 0x10, kFile = 0x20, kLink = 0x410;

struct Case {
  const char* path;
  const char* problem;             // nullptr: accepted
  const char* resolved = nullptr;  // when accepted
};

void ExpectChecks(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    const cookies::FolderCheck checked = cookies::CheckCookiesFolder(c.path);
    if (c.problem) {
      EXPECT_EQ(checked.problem.value_or("<accepted>"), c.problem) << c.path;
      EXPECT_FALSE(checked.folder) << c.path;
    } else {
      EXPECT_FALSE(checked.problem) << c.path << ": " << *checked.problem;
      EXPECT_EQ(checked.folder ? checked.folder->Path() : "<refused>", c.resolved) << c.path;
    }
  }
}

class FolderGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    auto& attributes = FakeSystem::Get().attributes;
    attributes[R"(C:\Cookies)"] = kFolder;
    attributes[R"(C:\Windows)"] = kFolder;
    attributes[R"(\\server\share\cookies)"] = kFolder;
    attributes[R"(C:\cookie.txt)"] = kFile;
    attributes[R"(C:\Linked)"] = kLink;
    attributes["C:"] = kFolder;
    attributes[R"(C:\)"] = kFolder;
    attributes[R"(\\server\share)"] = kFolder;
  }
};

TEST_F(FolderGuardTest, OnlyAnExistingFolderGivenByAFullPathIsAccepted) {
  ExpectChecks({
      {R"(C:\Cookies)", nullptr, R"(C:\Cookies)"},
      {R"(C:\Cookies\)", nullptr, R"(C:\Cookies)"},
      {R"(\\server\share\cookies)", nullptr, R"(\\server\share\cookies)"},
      {"Not Found", "is not a full path"},
      {"", "is not a full path"},
      {R"(Cookies\Mine)", "is not a full path"},
      {R"(\Cookies)", "is not a full path"},
      {"C:Cookies", "is not a full path"},
      {"C:", "is not a full path"},
      {R"( C:\Cookies)", "is not a full path"},
      {R"(C:\)", "is the root of a drive"},
      {"C:/", "is the root of a drive"},
      {R"(\\server\share)", "is the root of a network share"},
      {R"(\\server\share\)", "is the root of a network share"},
      {R"(\\server)", "is the root of a network share"},
      {R"(%USERPROFILE%\Cookies)", "holds an environment reference"},
      {R"(C:\cookie.txt)", "is a file, not a folder"},
      {R"(C:\Missing)", "does not exist"},
      {R"(C:\Linked)", "is a link to another place"},
  });
}

TEST_F(FolderGuardTest, IsJudgedByWhatThePathResolvesTo) {
  ExpectChecks({
      {R"(C:\.)", "is the root of a drive"},
      {R"(C:\Windows\..)", "is the root of a drive"},
      {R"(C:\Cookies\..\..\..)", "is the root of a drive"},
      {R"(C:\\\)", "is the root of a drive"},
      {R"(C:/./)", "is the root of a drive"},
      {R"(C:\. . )", "is the root of a drive"},
      {R"(\\?\C:\Windows\..)", "is the root of a drive"},
      {R"(\\?\C:)", "is the root of a drive"},
      {R"(\\.\C:\)", "is the root of a drive"},
      {R"(\\server\share\cookies\..)", "is the root of a network share"},
      {R"(//server/share/./)", "is the root of a network share"},
      {R"(\\?\UNC\server\share\x\..)", "is the root of a network share"},
      {R"(\\.\PhysicalDrive0)", "is a device path"},
      {R"(\\?\Volume{0})", "is a device path"},
      {R"(C:\Cookies\NUL)", "is a device path"},
      {R"(C:\Cookies\con.txt)", "is a device path"},
      {R"(C:\:$I30:$INDEX_ALLOCATION)", "names a file stream"},
      {R"(C:\::$INDEX_ALLOCATION)", "names a file stream"},
      {R"(\\server\share\:$I30:$INDEX_ALLOCATION)", "names a file stream"},
      {R"(\\?\C:\Cookies::$INDEX_ALLOCATION)", "names a file stream"},
      {R"(C:\Cookies:alt)", "names a file stream"},
      {R"(C:\Windows\..\Cookies)", nullptr, R"(C:\Cookies)"},
      {R"(C:/Cookies/)", nullptr, R"(C:\Cookies)"},
      {R"(C:\\Cookies\\.)", nullptr, R"(C:\Cookies)"},
      {R"(C:\Cookies. .)", nullptr, R"(C:\Cookies)"},
      {R"(\\?\C:\Cookies)", nullptr, R"(C:\Cookies)"},
      {R"(\\.\C:\Windows\..\Cookies)", nullptr, R"(C:\Cookies)"},
      {R"(\\?\UNC\server\share\cookies)", nullptr, R"(\\server\share\cookies)"},
  });
}

}  // namespace
