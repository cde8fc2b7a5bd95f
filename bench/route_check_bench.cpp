// The route check alone (routecheck::CheckBrowsersRoute: the browsers'
// settings read through WinHTTP, then both probes through the prober), as
// Apply makes it once the switch took, against loopback proxies
// (tests/tools/probe_proxies.py):
// - a working proxy, beside its floor in the same run: a bare blocking
//   Winsock GET and CONNECT through the same proxy, at once on two threads
//   (as the check makes them: its time is the slower probe's), and one
//   after the other for comparison; goal: the check at most the floor at
//   once plus 50 ms;
// - a refused proxy, told within 1 s; a silent one, within 8.5 s.
// Each check waits first for the prober's thread of the one before to
// end, so that it starts one as Apply's check does.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "probe_crowd.h"
#include "proxyswitch/proxy_switch.h"
#include "proxytest/probe.h"
#include "routecheck/route_check.h"
#include "stopwatch.h"

namespace {

constexpr int kRuns = 7;
// The prober's thread waits 2 s for another run before it ends.
constexpr DWORD kProberGoneMs = 2300;

// One blocking exchange, as a bare program makes it: connect, send, read
// until the answer is whole (the probe's text, or a tunnel's headers).
bool Exchange(u_short port, const std::string& request, const std::string& until) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
  address.sin_port = ::htons(port);
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  bool whole = false;
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::send(s, request.data(), static_cast<int>(request.size()), 0) ==
          static_cast<int>(request.size())) {
    std::string answer;
    char buffer[4096];
    for (int got; !whole && (got = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
      answer.append(buffer, static_cast<std::size_t>(got));
      whole = answer.find(until) != std::string::npos;
    }
  }
  ::closesocket(s);
  return whole;
}

bool Get(u_short port) { return Exchange(port, proxytest::ProbeRequest(), "Connect Test"); }
bool Tunnel(u_short port) { return Exchange(port, proxytest::TunnelRequest(), "\r\n\r\n"); }

// Both exchanges at once, the second on a thread started beforehand.
double FloorAtOnce(u_short port, bool& whole) {
  const HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool tunnel = false;
  std::thread other([&] {
    ::WaitForSingleObject(go, INFINITE);
    tunnel = Tunnel(port);
  });
  ::Sleep(50);  // the thread is waiting
  const double start = Seconds();
  ::SetEvent(go);
  const bool page = Get(port);
  other.join();
  const double elapsed = Seconds() - start;
  ::CloseHandle(go);
  whole = page && tunnel;
  return elapsed;
}

double FloorInTurn(u_short port, bool& whole) {
  const double start = Seconds();
  whole = Get(port) && Tunnel(port);
  return Seconds() - start;
}

double Check(routecheck::RouteReport& report) {
  const double start = Seconds();
  report = routecheck::CheckBrowsersRoute();
  return Seconds() - start;
}

u_short PortOf(const std::string& proxy) {
  return static_cast<u_short>(std::stoi(proxy.substr(proxy.find(':') + 1)));
}

}  // namespace

int main() {
  std::map<std::string, std::string> proxies;
  for (const auto& [kind, proxy] : crowd::Ask("fast=1&refused=1&silent=1")) proxies[kind] = proxy;
  if (proxies.size() != 3) {
    std::printf("no loopback proxies: run under tests/wine-run.sh\n");
    return 1;
  }
  WSADATA data{};
  ::WSAStartup(MAKEWORD(2, 2), &data);

  // A working proxy.
  if (!proxyswitch::SwitchOn(proxies["fast"])) return 1;
  const u_short port = PortOf(proxies["fast"]);
  std::vector<double> checks, at_once, in_turn, probes;
  double first = 0;
  routecheck::RouteReport report;
  for (int run = 0; run <= kRuns; ++run) {
    ::Sleep(kProberGoneMs);
    const double check = Check(report);
    if (!report.Works()) {
      std::printf("the check failed: %s\n", report.Problem().value_or("?").c_str());
      return 1;
    }
    bool whole_at_once = false, whole_in_turn = false;
    const double floor_at_once = FloorAtOnce(port, whole_at_once);
    const double floor_in_turn = FloorInTurn(port, whole_in_turn);
    if (!whole_at_once || !whole_in_turn) {
      std::printf("a floor's exchange failed\n");
      return 1;
    }
    if (run == 0) {  // loads WinHTTP and Winsock too
      first = check;
      continue;
    }
    checks.push_back(check);
    at_once.push_back(floor_at_once);
    in_turn.push_back(floor_in_turn);
    probes.push_back(
        static_cast<double>(std::max(report.http.milliseconds, report.https.milliseconds)) / 1000);
  }
  const double check = Median(checks), floor = Median(at_once);
  std::printf("route check through a working loopback proxy, median of %d runs\n", kRuns);
  std::printf(
      "floor (a bare blocking GET and CONNECT through the same proxy at once, two threads): "
      "%.1f ms; one after the other: %.1f ms\n",
      floor * 1000, Median(in_turn) * 1000);
  std::printf(
      "maskfold (the browsers' settings read, both probes, the report): %.1f ms, ratio %.2f, "
      "%+.1f ms over the floor (goal: at most +50 ms)\n",
      check * 1000, check / floor, (check - floor) * 1000);
  std::printf(
      "  the slower probe as the prober timed it: %.0f ms; the first check in the process "
      "(WinHTTP and Winsock loaded): %.1f ms\n",
      Median(probes) * 1000, first * 1000);
  std::printf("  each run: ");
  for (const double t : checks) std::printf("%.1f ms  ", t * 1000);
  std::printf("\n");

  // A refused proxy, and a silent one.
  const struct {
    const char* kind;
    int runs;
    double goal;
  } failing[] = {{"refused", 3, 1.0}, {"silent", 1, 8.5}};
  for (const auto& f : failing) {
    if (!proxyswitch::SwitchOn(proxies[f.kind])) return 1;
    std::vector<double> times;
    for (int run = 0; run < f.runs; ++run) {
      ::Sleep(kProberGoneMs);
      times.push_back(Check(report));
    }
    std::printf("a %s proxy told in %.3f s (median of %d; goal: under %.1f s): %s\n", f.kind,
                Median(times), f.runs, f.goal, report.Problem().value_or("works?").c_str());
  }
  proxyswitch::SwitchOff();
  ::WSACleanup();
  return 0;
}
