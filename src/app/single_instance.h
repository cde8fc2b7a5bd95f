// One Maskfold at a time: two would share one proxy setting and one record,
// and one's Exit would turn the other's proxy off.
#pragma once

#include "platform/win32/handles.h"

namespace app {

class SingleInstance {
 public:
  // Claims the session's one place for a running Maskfold.
  SingleInstance();
  // False when another Maskfold of this session holds the place.
  bool First() const { return first_; }

 private:
  platform::win32::UniqueHandle mutex_;
  bool first_ = true;
};

// Brings the running Maskfold's window (the main window, or the splash
// window while it starts) to the front, restored if it was minimised.
void BringRunningToFront();

}  // namespace app
