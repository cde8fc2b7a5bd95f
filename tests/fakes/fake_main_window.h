// The main window as Apply and Exit see it, and a task runner that runs each
// step at once: Apply runs to its end inside the call.
#pragma once

#include <algorithm>
#include <deque>
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
  // The questions asked, each answered with the next of `answers` by its
  // text, and when none is left as a user who goes on would: Continue,
  // Keep It.
  std::vector<wipe::Question> questions;
  std::deque<std::string> answers;
  std::size_t Ask(const wipe::Question& question) override {
    events.push_back("Ask");
    questions.push_back(question);
    std::string wanted = "Continue";
    if (!answers.empty()) {
      wanted = answers.front();
      answers.pop_front();
    } else if (std::count(question.choices.begin(), question.choices.end(), "Keep It")) {
      wanted = "Keep It";
    }
    const auto found = std::find(question.choices.begin(), question.choices.end(), wanted);
    return static_cast<std::size_t>(found - question.choices.begin());
  }
  std::vector<std::string> status;  // every line shown, in order
  void ShowStatus(const std::string& line) override { status.push_back(line); }
  // What the route check finds, and how often it was made.
  routecheck::RouteReport route = Working();
  int route_checks = 0;
  static routecheck::RouteReport Working() {
    routecheck::RouteReport report;
    report.http = {"http", "p:1", true, 120, "", true};
    report.https = {"https", "p:1", true, 130, "", true};
    return report;
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
    wipe::Apply(*this, steps, [this] {
      ++route_checks;
      return route;
    });
  }
};

}  // namespace fake
