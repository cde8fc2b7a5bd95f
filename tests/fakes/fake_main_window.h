// The main window as Apply and Exit see it, and a task runner that runs each
// step at once: Apply runs to its end inside the call.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/tasks.h"
#include "fake_platform.h"
#include "platform/ui.h"
#include "wipe/apply.h"

namespace fake {

struct RunAtOnce : tasks::Runner {
  void Run(std::function<void()> work, std::function<void()> then) override {
    work();
    then();
  }
  void Post(std::function<void()> report) override { report(); }
};

struct FakeMainWindow : wipe::MainWindowState {
  std::string proxy = "p:1";
  std::string tooltip = "unset";
  std::string folder = R"(C:\Cookies)";
  std::vector<std::pair<wipe::Stage, std::size_t>> progress;
  int ended = 0;
  bool at_risk = false;
  std::string ProxyText() const override { return proxy; }
  void SetProxyText(const std::string& text) override { proxy = text; }
  void SetProxyTooltip(const std::string& text) override { tooltip = text; }
  std::string CookiesFolder() const override { return folder; }
  void WipeProgress(wipe::Stage stage, std::size_t deleted) override {
    progress.emplace_back(stage, deleted);
  }
  // Recorded as the window shows it.
  void Tell(const wipe::Message& message) override {
    events.push_back("Tell");
    platform::ui::ShowMessage(message);
  }
  // What was at risk when each message showed and Apply ended, in order:
  // "AtRisk", "Safe", "Tell", "Ended".
  std::vector<std::string> events;
  void CookiesAtRisk(bool now) override {
    if (now != at_risk) events.push_back(now ? "AtRisk" : "Safe");
    at_risk = now;
  }
  void ApplyEnded(const std::optional<wipe::Message>& last) override {
    events.push_back("Ended");
    ++ended;
    if (last) Tell(*last);
  }
  // Apply, run to its end.
  void Apply() {
    RunAtOnce steps;
    wipe::Apply(*this, steps);
  }
};

}  // namespace fake
