// Loading a proxy list of 100,000 items into the main window's combo box,
// beside the floor: a bare program that reads and parses the same file and
// adds the items to a combo box, never processing messages.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "driver.h"
#include "proxylist/reader.h"
#include "stopwatch.h"

namespace {

constexpr int kItems = 100000;

// From process start to the main window shown.
double StartUp(const std::string& folder) {
  const double start = Seconds();
  driver::Program program(folder);
  if (!program.WaitForMainWindow(600000)) return -1;
  return Seconds() - start;
}

}  // namespace

int main() {
  ::CreateDirectoryA(R"(C:\cookies)", nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
  const std::string folder = driver::InstallProgram("Maskfold Bench");
  const std::string list = folder + R"(\proxy.dat)";

  // Without a list first: start-up's own cost, taken off the load below.
  ::DeleteFileA(list.c_str());
  StartUp(folder);  // warms the prefix
  const double bare = std::min(StartUp(folder), StartUp(folder));

  {
    std::ofstream file(list, std::ios::binary);
    for (int i = 0; i < kItems; ++i)
      file << "10." << (i >> 16) << '.' << ((i >> 8) & 255) << '.' << (i & 255) << ":"
           << 1024 + i % 50000 << (i % 3 == 0 && i + 1 < kItems ? "," : "\r\n");
  }

  const HWND floor_window = ::CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                              200, nullptr, nullptr, nullptr, nullptr);
  const HWND combo =
      ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, 0, 0,
                        160, 200, floor_window, nullptr, nullptr, nullptr);
  const double parse_start = Seconds();
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
  const double floor = Seconds() - parse_start;
  ::DestroyWindow(floor_window);

  const double loaded = StartUp(folder) - bare;
  std::printf("proxy list: %zu items\n", items.size());
  std::printf("floor (read, parse and add to a combo box in a bare program): %.3f s\n", floor);
  std::printf("load into the combo box (start-up with the list less start-up without): %.3f s\n",
              loaded);
  std::printf("ratio: %.2f (goal: at most 2)\n", loaded / floor);
  return 0;
}
