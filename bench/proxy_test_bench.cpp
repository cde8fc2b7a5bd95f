// Test Proxies at the size of real lists: 2,000 loopback proxies
// (tests/tools/probe_proxies.py), 1,900 of them never answering (half accept
// and stay silent, half never accept), 90 refused, 10 working, half of those
// after 5 s; from the command to "Tested 2000 of 2000", beside the floor:
// as many connections opened and closed, one after another, by this bare
// program. Then the threads and the private memory during the test beside
// the idle figures, and the verdicts.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/identifiers.h"
#include "driver.h"
#include "probe_crowd.h"
#include "stopwatch.h"

namespace {

constexpr int kRuns = 3;
constexpr char kCrowd[] = "silent=950&blackhole=950&refused=90&fast=5&slow=5&slow_ms=5000";
constexpr std::size_t kProxies = 2000;

// The floor: connections to the silent proxies (which accept) opened and
// closed one after another, as many as the test makes.
double Floor(const std::vector<std::string>& accepting) {
  WSADATA data{};
  ::WSAStartup(MAKEWORD(2, 2), &data);
  const double start = Seconds();
  for (std::size_t i = 0; i < kProxies; ++i) {
    const std::string& proxy = accepting[i % accepting.size()];
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    address.sin_port = ::htons(static_cast<u_short>(std::stoi(proxy.substr(proxy.find(':') + 1))));
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      std::printf("floor: a connection failed: %d\n", ::WSAGetLastError());
    ::closesocket(s);
  }
  const double elapsed = Seconds() - start;
  ::WSACleanup();
  return elapsed;
}

struct Sample {
  bool done = false;
  double seconds = 0;
  int most_threads = 0;
  double most_mib = 0;
  double slowest_answer = 0;  // of the window to a message, in seconds
  int counts_shown = 0;       // different "Tested N of 2000"
};

// From `start` on until every proxy is tested, looking every 20 ms.
Sample WaitUntilTested(HWND window, HANDLE process, double start) {
  const HWND progress = ::GetDlgItem(window, ids::proxy_test::kProgressLabel);
  const std::string done = "Tested 2000 of 2000";
  Sample sample;
  std::string shown;
  while (Seconds() - start < 120) {
    const double asked = Seconds();
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    sample.slowest_answer = std::max(sample.slowest_answer, Seconds() - asked);
    const std::string text = driver::WindowText(progress);
    if (text != shown) ++sample.counts_shown;
    shown = text;
    if (text == done) break;
    sample.most_threads =
        std::max(sample.most_threads, driver::ThreadCount(::GetProcessId(process)));
    sample.most_mib = std::max(sample.most_mib, driver::PrivateBytes(process) / 1048576.0);
    ::Sleep(20);
  }
  sample.seconds = Seconds() - start;
  sample.done = driver::WindowText(progress) == done;
  if (!sample.done) std::printf("not done: %s\n", driver::WindowText(progress).c_str());
  return sample;
}

}  // namespace

int main() {
  const auto crowd = crowd::Ask(kCrowd);
  if (crowd.size() != kProxies) {
    std::printf("no crowd of %zu loopback proxies (got %zu): run under tests/wine-run.sh\n",
                kProxies, crowd.size());
    return 1;
  }
  std::vector<std::string> list, accepting, working;
  for (const auto& [kind, proxy] : crowd) {
    list.push_back(proxy);
    if (kind == "silent") accepting.push_back(proxy);
    if (kind == "fast" || kind == "slow") working.push_back(proxy);
  }
  std::shuffle(list.begin(), list.end(), std::mt19937(22));  // the working ones anywhere
  std::string file;
  for (const auto& proxy : list) file += proxy + "\r\n";
  const std::string folder = driver::InstallProgram("Maskfold Bench");
  driver::WriteFileBytes(folder + "\\proxy.dat", file);

  const double floor = Floor(accepting);

  driver::Program program(folder);
  if (!program.WaitForMainWindow()) return 1;
  ::Sleep(500);  // settled
  const DWORD process_id = ::GetProcessId(program.Process());
  const int idle_threads = driver::ThreadCount(process_id);
  const double idle_mib = driver::PrivateBytes(program.Process()) / 1048576.0;

  std::vector<double> times;
  Sample most;
  HWND window = nullptr;
  for (int run = 0; run < kRuns; ++run) {
    const double start = Seconds();
    if (!window) {
      program.ChooseMenuItem(ids::menu::kTestProxies);
      window = ::FindWindowA(ids::window_class::kProxyTest, nullptr);
      if (!window) return 1;
    } else {
      DWORD_PTR result = 0;
      ::SendMessageTimeoutA(driver::FindChild(window, "Button", "&Test Again"), BM_CLICK, 0, 0,
                            SMTO_NORMAL, 10000, &result);
    }
    const Sample sample = WaitUntilTested(window, program.Process(), start);
    if (!sample.done) return 1;
    times.push_back(sample.seconds);
    most.most_threads = std::max(most.most_threads, sample.most_threads);
    most.most_mib = std::max(most.most_mib, sample.most_mib);
    most.slowest_answer = std::max(most.slowest_answer, sample.slowest_answer);
    most.counts_shown = std::max(most.counts_shown, sample.counts_shown);
  }

  const auto rows = driver::ListViewRows(::GetDlgItem(window, ids::proxy_test::kResultList), 3);
  std::map<std::string, int> reasons;
  for (const auto& row : rows) ++reasons[row[1]];
  std::vector<std::string> first;
  for (std::size_t i = 0; i < std::min<std::size_t>(rows.size(), working.size()); ++i)
    first.push_back(rows[i][0]);
  std::sort(first.begin(), first.end());
  std::sort(working.begin(), working.end());

  const double time = Median(times);
  std::printf("Test Proxies on %zu loopback proxies (%s), median of %d runs\n", kProxies, kCrowd,
              kRuns);
  std::printf("floor (%zu connections opened and closed one after another, bare program): %.3f s\n",
              kProxies, floor);
  std::printf(
      "maskfold, from the command to all %zu ranked: %.2f s, ratio %.1f (goal: at most 30 s)\n",
      kProxies, time, time / floor);
  std::printf("  each run: ");
  for (const double t : times) std::printf("%.2f s  ", t);
  std::printf(
      "\n  (no run can be shorter than 8 s, the time-out of a proxy that accepts and stays "
      "silent)\n");
  std::printf(
      "the window answered a message within %.0f ms at worst; the count moved %d times in a run\n",
      most.slowest_answer * 1000, most.counts_shown);
  std::printf("threads: %d when idle, at most %d during the tests (%+d)\n", idle_threads,
              most.most_threads, most.most_threads - idle_threads);
  std::printf(
      "private memory: %.1f MiB when idle, at most %.1f MiB during the tests (%+.1f MiB; goal: at "
      "most +4 MiB)\n",
      idle_mib, most.most_mib, most.most_mib - idle_mib);
  std::printf("verdicts of the last run:");
  for (const auto& [reason, count] : reasons) std::printf(" %s %d;", reason.c_str(), count);
  std::printf(" the working ones first: %s\n", first == working ? "yes" : "NO");
  return 0;
}
