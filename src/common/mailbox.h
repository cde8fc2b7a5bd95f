// Reports waiting for the thread that owns them. A window's task queue keeps
// one: workers put into it from their threads, and the window runs what is
// waiting when it is woken. Putting into a mailbox that is already waiting
// for its owner asks for no further wake-up, so a thousand quick reports
// cost the owner one message, not a thousand.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace tasks {

class Mailbox {
 public:
  // `wake` asks the owner's thread to call RunArrived; it is called with the
  // mailbox locked, so it must only post, never wait.
  explicit Mailbox(std::function<void()> wake) : wake_(std::move(wake)) {}

  // From any thread. Dropped once the mailbox is closed: its owner is gone.
  void Put(std::function<void()> item) {
    const std::lock_guard lock(mutex_);
    if (closed_) return;
    waiting_.push_back(std::move(item));
    if (!woken_) {
      woken_ = true;
      wake_();
    }
  }

  // On the owner's thread: runs, in order, what was waiting when it was
  // called. What arrives meanwhile wakes the owner again. Nothing more runs
  // once `stop` is set, or once an item has closed the mailbox (its window
  // went away while it ran).
  void RunArrived(const std::atomic<bool>& stop) {
    std::deque<std::function<void()>> batch;
    {
      const std::lock_guard lock(mutex_);
      batch.swap(waiting_);
      woken_ = false;
    }
    for (auto& item : batch) {
      if (stop || closed_) return;
      item();
    }
  }

  // The owner is gone: what waits and what comes later is dropped.
  void Close() {
    std::deque<std::function<void()>> dropped;  // let go of outside the lock
    const std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(waiting_);
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> waiting_;
  std::function<void()> wake_;
  bool woken_ = false;  // a wake-up is on its way and not yet answered
  std::atomic<bool> closed_{false};
};

}  // namespace tasks
