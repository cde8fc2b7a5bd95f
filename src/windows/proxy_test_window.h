// The Proxy Test window: tests every proxy of the list through Windows' own
// connectivity probe, shows how each one did, and puts the one the user
// picks into the main window's proxy box.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "proxytest/probe_run.h"
#include "proxytest/verdict.h"
#include "ui/window.h"

namespace windows {

class ProxyTestWindow final : public ui::Window {
 public:
  using Use = std::function<void(const std::string& proxy)>;

  // Creates the window hidden, owned by the main window.
  ProxyTestWindow(std::vector<std::string> proxy_list, HWND owner, Use use);
  ~ProxyTestWindow() override;

  // Centres the window and starts the test.
  void Load();
  // While Apply runs, "Use" waits: the proxy box is Apply's.
  void AllowUse(bool allowed);
  // For the tests of the program's end: the first results that arrive fail
  // as a fault nobody planned for would, while the rest of the run's
  // connections are open.
  static constexpr const char* kFailSwitch = "--test-fail-in-proxy-test";
  void FailAtFirstResults() { fail_at_first_results_ = true; }

 private:
  void StartTest();
  void Arrived(unsigned run, const proxytest::ProbeResult& result);
  void TakeResults();
  void ShowResults();
  void ShowProgress();
  void Select(int row);
  void FitColumns();
  void GiveCell(LVITEMA& item) const;
  void UseSelected();
  bool use_allowed_ = true;
  bool fail_at_first_results_ = false;
  void Close();
  void Detach();
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT OnCommand(WPARAM wparam);
  LRESULT OnNotify(NMHDR& header);

  const std::vector<std::string> candidates_;
  const Use use_;
  std::shared_ptr<proxytest::ProbeRun> run_;
  std::vector<proxytest::ProbeResult> results_;
  std::vector<proxytest::ProbeResult> arrived_;  // not yet ranked
  unsigned run_number_ = 0;                      // results of an earlier run are dropped
  std::array<int, 3> widest_{};                  // pixels, by column
};

}  // namespace windows
