// Opening the Cookie Manager on a cookies folder of 10,000 cookie files,
// until both lists are filled, beside the floor: a bare program that lists
// the same folders with FindFirstFile / FindNextFile and adds the names to
// two sorted list boxes (room reserved, no redrawing, one repaint).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

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
  std::size_t bytes = 0;
  for (const auto& name : names) bytes += name.size() + 1;
  ::SendMessageA(box, LB_INITSTORAGE, names.size(), static_cast<LPARAM>(bytes));
  ::SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  for (const auto& name : names)
    ::SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
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

  const HWND bare = ::CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      460, 340, nullptr, nullptr, nullptr, nullptr);
  auto list_box = [&](int left) {
    return ::CreateWindowExA(0, "LISTBOX", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_SORT | LBS_NOINTEGRALHEIGHT,
                             left, 60, 200, 210, bare, nullptr, nullptr, nullptr);
  };
  const HWND cookie_list = list_box(8), jar_list = list_box(224);
  const double floor_start = Seconds();
  const int listed =
      Fill(cookie_list, cookies + R"(\*.txt)") + Fill(jar_list, cookies + R"(\Jar\*.*)");
  ::UpdateWindow(bare);
  const double floor = Seconds() - floor_start;
  ::DestroyWindow(bare);

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
