// Work that UIKit schedules on the main run loop by the process clock: the minimum
// press of a long press, the end of an animation, the wait between taps.
#pragma once

#include <foundation/Clock.h>

#include <functional>
#include <memory>

namespace uikit::detail {

// A handle on scheduled work; cancel() drops it (and what it captured).  Copies
// share the same work.  An empty handle is not pending.
class ScheduledWork {
 public:
  ScheduledWork() = default;
  void cancel();
  bool pending() const;

 private:
  friend ScheduledWork runAfter(ns::TimeInterval delay, std::function<void()> work);
  std::shared_ptr<void> timer_;
};

// Runs work on the main run loop once `delay` seconds have passed on the process
// clock (at once, at the loop's next pass, for a delay of 0 or less).
ScheduledWork runAfter(ns::TimeInterval delay, std::function<void()> work);

// Lets `seconds` pass on the process clock with the main run loop serving what falls
// due: the manual clock is advanced; on the real clock the main run loop runs for
// that long.  Main thread only.
void letTimePass(ns::TimeInterval seconds);

}  // namespace uikit::detail
