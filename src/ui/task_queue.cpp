#include "ui/task_queue.h"

#include <atomic>
#include <exception>
#include <utility>

#include "platform/threads.h"

namespace ui {
namespace {
std::atomic<bool> stopped{false};
}  // namespace

void TaskQueue::StopAll() { stopped = true; }

void TaskQueue::Mailbox::Put(std::function<void()> item) {
  const std::lock_guard lock(mutex);
  if (!open) return;
  arrived.push_back(std::move(item));
  // One wake-up an item: the window runs what is there, possibly nothing.
  ::PostMessageA(window, message, 0, 0);
}

TaskQueue::TaskQueue(HWND window, UINT message) : mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->window = window;
  mailbox_->message = message;
}

TaskQueue::~TaskQueue() {
  const std::lock_guard lock(mailbox_->mutex);
  mailbox_->open = false;
  mailbox_->arrived.clear();
}

void TaskQueue::Run(std::function<void()> work, std::function<void()> then) {
  platform::threads::StartDetached(
      [mailbox = mailbox_, work = std::move(work), then = std::move(then)]() mutable {
        try {
          work();
          mailbox->Put(std::move(then));
        } catch (...) {
          // The failure belongs to the window's thread, where the untrapped
          // failure's report is made.
          mailbox->Put([failure = std::current_exception()] { std::rethrow_exception(failure); });
        }
      });
}

void TaskQueue::Post(std::function<void()> report) { mailbox_->Put(std::move(report)); }

void TaskQueue::RunArrived() {
  for (;;) {
    if (stopped) return;
    std::function<void()> item;
    {
      const std::lock_guard lock(mailbox_->mutex);
      if (mailbox_->arrived.empty()) return;
      item = std::move(mailbox_->arrived.front());
      mailbox_->arrived.pop_front();
    }
    item();
  }
}

}  // namespace ui
