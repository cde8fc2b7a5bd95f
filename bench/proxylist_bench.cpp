// Loading a proxy list of 100,000 items into the main window's combo box,
// beside the floor: a bare program that reads and parses the same file and
// adds the items to a combo box, never processing messages.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/identifiers.h"
#include "driver.h"
#include "proxylist/reader.h"
#include "stopwatch.h"

namespace {

constexpr int kItems = 100000;
constexpr int kRuns = 5;  // start-up alone varies by a fifth between runs

// From process start to the main window shown, looked for every 2 ms.
double StartUp(const std::string& folder) {
  const double start = Seconds();
  driver::Program program(folder);
  const DWORD process = ::GetProcessId(program.Process());
  while (driver::TopLevelWindows(process, ids::window_class::kMain).empty())
    if (Seconds() - start > 600 || ::WaitForSingleObject(program.Process(), 2) == WAIT_OBJECT_0)
      return -1;
  return Seconds() - start;
}

// Read, parse and add the list to a combo box in a bare window that never
// processes messages.
double Floor(const std::string& list) {
  const HWND floor_window = ::CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                              200, nullptr, nullptr, nullptr, nullptr);
  const HWND combo =
      ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, 0, 0,
                        160, 200, floor_window, nullptr, nullptr, nullptr);
  const double start = Seconds();
  std::string bytes;
  {
    std::ifstream file(list, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  const auto items = proxylist::ReadAll(bytes);
  std::size_t total = 0;
  for (const auto& item : items) total += item.size() + 1;
  ::SendMessageA(combo, CB_INITSTORAGE, items.size(), static_cast<LPARAM>(total));
  ::SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
  for (const auto& item : items)
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  ::SendMessageA(combo, WM_SETREDRAW, TRUE, 0);
  const double elapsed = Seconds() - start;
  ::DestroyWindow(floor_window);
  return elapsed;
}

}  // namespace

int main() {
  ::CreateDirectoryA(R"(C:\cookies)", nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
  // The same program twice: without a list, for start-up's own cost, and
  // with one.
  const std::string without_list = driver::InstallProgram("Maskfold Bench");
  ::DeleteFileA((without_list + R"(\proxy.dat)").c_str());
  const std::string with_list = driver::InstallProgram("Maskfold Bench List");
  const std::string list = with_list + R"(\proxy.dat)";
  {
    std::ofstream file(list, std::ios::binary);
    for (int i = 0; i < kItems; ++i)
      file << "10." << (i >> 16) << '.' << ((i >> 8) & 255) << '.' << (i & 255) << ":"
           << 1024 + i % 50000 << (i % 3 == 0 && i + 1 < kItems ? "," : "\r\n");
  }
  StartUp(without_list);  // warms the prefix
  std::vector<double> floors, bare_starts, loaded_starts;
  for (int run = 0; run < kRuns; ++run) {
    floors.push_back(Floor(list));
    bare_starts.push_back(StartUp(without_list));
    loaded_starts.push_back(StartUp(with_list));
  }
  const double floor = Median(floors);
  const double loaded = Median(loaded_starts) - Median(bare_starts);
  std::printf("proxy list: %d items, median of %d runs\n", kItems, kRuns);
  std::printf("floor (read, parse and add to a combo box in a bare program): %.3f s\n", floor);
  std::printf("load into the combo box (start-up with the list less start-up without): %.3f s\n",
              loaded);
  std::printf("ratio: %.2f (goal: at most 2)\n", loaded / floor);
  return 0;
}
