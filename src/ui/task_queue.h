// Tasks of a window: work on threads of their own whose reports and
// completions run on the window's thread, each from one of the window's own
// messages. The message carries nothing: what arrived waits in the queue,
// so a message posted from elsewhere finds nothing to run.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "common/tasks.h"

namespace ui {

class TaskQueue final : public tasks::Runner {
 public:
  // `message` is the window's own: its handler calls RunArrived.
  TaskQueue(HWND window, UINT message);
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;
  // What is still under way finishes on its own; its reports are dropped.
  ~TaskQueue() override;

  void Run(std::function<void()> work, std::function<void()> then) override;
  void Post(std::function<void()> report) override;

  // On the window's thread: runs what has arrived, in order.
  void RunArrived();

  // The program is ending (the untrapped-failure report is up): no queue
  // runs anything more, so no step goes on behind the report.
  static void StopAll();

 private:
  struct Mailbox {
    std::mutex mutex;
    std::deque<std::function<void()>> arrived;
    HWND window;
    UINT message;
    bool open = true;
    void Put(std::function<void()> item);
  };
  std::shared_ptr<Mailbox> mailbox_;
};

}  // namespace ui
