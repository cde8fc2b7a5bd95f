// The tasks of a window: work on threads of their own whose reports and
// completions run on the window's thread. Every window has one, made by the
// window framework and woken by the framework's own message, which carries
// nothing: what arrived waits in the mailbox, so a message posted from
// elsewhere finds nothing to run.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "common/mailbox.h"
#include "common/tasks.h"

namespace ui {

// The framework's messages: WM_APP and the 255 after it. A window numbers
// its own from kFirstWindowMessage.
inline constexpr UINT kTasksArrived = WM_APP;
inline constexpr UINT kFirstWindowMessage = WM_APP + 0x100;

class TaskQueue final : public tasks::Runner {
 public:
  explicit TaskQueue(HWND window);
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;
  // What is still under way finishes on its own; its reports are dropped.
  ~TaskQueue() override;

  void Run(std::function<void()> work, std::function<void()> then) override;
  void Post(std::function<void()> report) override;
  // Post for a worker that may outlive this queue (one the window does not
  // wait for): it drops its reports once the window is gone.
  std::function<void(std::function<void()>)> Poster() const;

  // On the window's thread, at kTasksArrived: runs what has arrived.
  void RunArrived();
  // The window is gone: nothing more runs.
  void Close();

  // The program is ending (the untrapped-failure report is up): no queue
  // runs anything more, so no step goes on behind the report.
  static void StopAll();

 private:
  std::shared_ptr<tasks::Mailbox> mailbox_;
};

}  // namespace ui
