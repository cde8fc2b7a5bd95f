// The release package on its own: unpacked into a folder whose name has a
// blank, far from the build tree, it starts and lists its sample proxies.
#include <windows.h>

#include <gtest/gtest.h>

#include "driver.h"

namespace {

TEST(Package, StartsFromItsOwnFolderWithTheSampleProxies) {
  const std::string folder = R"(C:\Program Files\Maskfold Release)";
  for (const char* file : {"maskfold.exe", "hand.cur", "proxy.dat", "readme.txt", "LICENSE.txt"})
    EXPECT_NE(::GetFileAttributesA((folder + "\\" + file).c_str()), INVALID_FILE_ATTRIBUTES)
        << file;
  ::CreateDirectoryA(R"(C:\cookies)", nullptr);
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");

  driver::Program program(folder);
  const HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  const auto entries = driver::ListTexts(program.ProxyBox(), CB_GETCOUNT, CB_GETLBTEXT);
  EXPECT_EQ(entries,
            (std::vector<std::string>{"127.0.0.1:3128", "127.0.0.1:8080", "127.0.0.1:8118"}));
  EXPECT_TRUE(program.Dialogs().empty());
}

}  // namespace
