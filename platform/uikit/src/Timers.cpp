#include "Timers.h"

#include <foundation/RunLoop.h>

namespace uikit::detail {

void ScheduledWork::cancel() {
  if (timer_) static_cast<ns::RunLoopTimer*>(timer_.get())->invalidate();
  timer_.reset();
}

bool ScheduledWork::pending() const {
  return timer_ && static_cast<const ns::RunLoopTimer*>(timer_.get())->isValid();
}

ScheduledWork runAfter(ns::TimeInterval delay, std::function<void()> work) {
  ScheduledWork handle;
  handle.timer_ = ns::RunLoop::main().performAfter(delay < 0 ? 0 : delay, std::move(work));
  return handle;
}

void letTimePass(ns::TimeInterval seconds) {
  if (seconds < 0) seconds = 0;
  if (ns::isManualClock()) {
    (void)ns::advanceClock(seconds);
    ns::RunLoop::main().runUntilIdle();
  } else {
    ns::RunLoop::main().runInMode(ns::kDefaultRunLoopMode, seconds, false);
  }
}

}  // namespace uikit::detail
