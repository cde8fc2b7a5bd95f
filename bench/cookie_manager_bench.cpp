// Opening the Cookie Manager on a cookies folder of 10,000 cookie files,
// until both lists are filled, beside the floor: a bare program that lists
// the same folders with FindFirstFile / FindNextFile and adds the names to
// two sorted list boxes (room reserved, no redrawing, one repaint).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bare_lists.h"
#include "common/identifiers.h"
#include "driver.h"
#include "stopwatch.h"

namespace {

constexpr int kCookies = 10000;

int Fill(HWND box, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  FillListBox(box, names);
  return static_cast<int>(names.size());
}

}  // namespace

int main() {
  const std::string cookies = R"(C:\cookies)";
  ::CreateDirectoryA(cookies.c_str(), nullptr);
  ::CreateDirectoryA((cookies + R"(\Jar)").c_str(), nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", cookies);
  for (int i = 0; i < kCookies; ++i) {
    const std::string path = cookies + "\\user@site" + std::to_string(i) + "[1].txt";
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(file);
  }

  const BareLists bare = MakeBareLists();
  const double floor_start = Seconds();
  const int listed =
      Fill(bare.left, cookies + R"(\*.txt)") + Fill(bare.right, cookies + R"(\Jar\*.*)");
  ::UpdateWindow(bare.window);
  const double floor = Seconds() - floor_start;
  ::DestroyWindow(bare.window);

  driver::Program program(driver::InstallProgram("Maskfold Bench"));
  if (!program.WaitForMainWindow()) return 1;
  // The menu command returns once the window is loaded: both lists filled.
  const double start = Seconds();
  program.ChooseMenuItem(ids::menu::kCookieManager);
  const double open = Seconds() - start;
  const HWND manager = ::FindWindowA(ids::window_class::kCookieManager, nullptr);
  const auto shown = manager
                         ? ::SendMessageA(::GetDlgItem(manager, ids::cookie_manager::kCookieList),
                                          LB_GETCOUNT, 0, 0)
                         : -1;

  std::printf("cookie manager: %d cookie files (%d listed by the floor, %ld in the list)\n",
              kCookies, listed, static_cast<long>(shown));
  std::printf("floor (both folders listed into two list boxes in a bare program): %.3f s\n", floor);
  std::printf("open until both lists are filled: %.3f s\n", open);
  std::printf("ratio: %.2f (goal: at most 1.5)\n", open / floor);
  return 0;
}
