// Work that runs off a window's thread and reports back to it through the
// program's one message loop. The logic takes a Runner; the window gives it
// one whose reports arrive as its own messages, the tests one that runs
// everything at once.
#pragma once

#include <functional>

namespace tasks {

class Runner {
 public:
  virtual ~Runner() = default;
  // Runs `work` on a thread of its own; `then` runs on the owner's thread
  // once `work` is done. A failure in `work` reaches the owner's thread as
  // an untrapped one.
  virtual void Run(std::function<void()> work, std::function<void()> then) = 0;
  // From `work`: runs `report` on the owner's thread, in order.
  virtual void Post(std::function<void()> report) = 0;
};

}  // namespace tasks
