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

TaskQueue::TaskQueue(HWND window)
    : mailbox_(std::make_shared<tasks::Mailbox>(
          [window] { ::PostMessageA(window, kTasksArrived, 0, 0); })) {}

TaskQueue::~TaskQueue() { Close(); }

void TaskQueue::Close() { mailbox_->Close(); }

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

std::function<void(std::function<void()>)> TaskQueue::Poster() const {
  return [mailbox = mailbox_](std::function<void()> report) { mailbox->Put(std::move(report)); };
}

void TaskQueue::RunArrived() {
  // An item may end the window and this queue with it.
  const std::shared_ptr<tasks::Mailbox> mailbox = mailbox_;
  mailbox->RunArrived(stopped);
}

}  // namespace ui
