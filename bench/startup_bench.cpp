// Start-up: from process start to the main window shown (the banner served
// from loopback), beside the floor, a bare program showing one window. Then
// the footprint: the size of maskfold.exe and its private memory once up.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/identifiers.h"
#include "driver.h"
#include "stopwatch.h"

namespace {

constexpr int kRuns = 15;  // the floor alone varies by a fifth between runs

// Seconds from CreateProcess to a visible window of the class; the process
// is left running for the caller when `keep` is given.
double TimeToWindow(std::string command, const char* window_class, PROCESS_INFORMATION* keep) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = Seconds();
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return -1;
  while (driver::TopLevelWindows(process.dwProcessId, window_class).empty() &&
         Seconds() - start < 60)
    ::Sleep(2);
  const double elapsed = Seconds() - start;
  if (keep) {
    *keep = process;
    return elapsed;
  }
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

void End(PROCESS_INFORMATION& process) {
  ::TerminateProcess(process.hProcess, 0);
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

// The private memory of a process once it is up, then the process ended.
SIZE_T PrivateBytesThenEnd(PROCESS_INFORMATION& process) {
  ::Sleep(500);  // settled: banner shown, splash gone
  const SIZE_T bytes = driver::PrivateBytes(process.hProcess);
  End(process);
  return bytes;
}

}  // namespace

int main() {
  ::CreateDirectoryA(R"(C:\cookies)", nullptr);
  ::CreateDirectoryA(R"(C:\cookies\Jar)", nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", R"(C:\cookies)");
  const std::string folder = driver::InstallProgram("Maskfold Bench");
  std::string program = "\"";
  program += folder;
  program += R"(\maskfold.exe" --banner-url=)";
  program += driver::ServerUrl("/cache.gif");
  // With a banner that never comes, the splash stays: its time on screen.
  std::string waiting = "\"";
  waiting += folder;
  waiting += R"(\maskfold.exe" --banner-url=)";
  waiting += driver::ServerUrl("/hang.gif");
  std::string bare = "\"";
  bare += driver::BuildFolder();
  bare += R"(\bench\bare_window.exe")";
  std::string banner_floor = "\"";
  banner_floor += driver::BuildFolder();
  banner_floor += R"(\bench\bare_banner_window.exe" )";
  banner_floor += driver::ServerUrl("/cache.gif");

  TimeToWindow(bare, "BareWindow", nullptr);  // warms the prefix
  std::vector<double> floors, starts, splashes;
  SIZE_T private_bytes = 0, floor_bytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    floors.push_back(TimeToWindow(bare, "BareWindow", nullptr));
    PROCESS_INFORMATION waiting_process{};
    splashes.push_back(TimeToWindow(waiting, ids::window_class::kSplash, &waiting_process));
    End(waiting_process);
    PROCESS_INFORMATION process{};
    starts.push_back(TimeToWindow(program, ids::window_class::kMain, &process));
    private_bytes = std::max(private_bytes, PrivateBytesThenEnd(process));
    PROCESS_INFORMATION floor_process{};
    TimeToWindow(banner_floor, "BareBannerWindow", &floor_process);
    floor_bytes = std::max(floor_bytes, PrivateBytesThenEnd(floor_process));
  }

  WIN32_FILE_ATTRIBUTE_DATA exe{};
  ::GetFileAttributesExA((folder + R"(\maskfold.exe)").c_str(), GetFileExInfoStandard, &exe);
  const double floor = Median(floors), start = Median(starts), splash = Median(splashes);
  std::printf("start-up, median of %d runs\n", kRuns);
  std::printf("floor (bare program, one window shown): %.3f s\n", floor);
  std::printf(
      "maskfold, process start to the splash on screen: %.3f s, ratio %.2f (goal: at most 1.3)\n",
      splash, splash / floor);
  std::printf(
      "maskfold, process start to the main window shown: %.3f s, ratio %.2f (goal: at most 2)\n",
      start, start / floor);
  std::printf("maskfold.exe: %lu bytes (goal: at most 1 MiB = 1048576)\n", exe.nFileSizeLow);
  std::printf(
      "floor (bare program, same manifest, the banner downloaded on a thread and drawn with "
      "GDI+): %.1f MiB\n",
      floor_bytes / 1048576.0);
  std::printf("private bytes after start-up: %.1f MiB, ratio %.2f (goal: at most 6 MiB)\n",
              private_bytes / 1048576.0, static_cast<double>(private_bytes) / floor_bytes);
  return 0;
}
