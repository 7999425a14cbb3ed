// The process clock.  Real in host programs; tests may switch it to manual and
// advance it, and everything that falls due then runs at once.
//
// Every time the platform schedules by (timers, delayed performs, dispatch_after,
// run-loop deadlines, animation ends) is read from this clock.  It counts seconds
// since the reference date (2001-01-01 00:00:00 UTC), as CFAbsoluteTimeGetCurrent.
//
// The manual clock moves only when advanceClock is called; run loops never move it
// by themselves and nothing waits for it in real time.  advanceClock steps the clock
// to each due time on the main run loop in turn and runs what falls due there (by
// due time, then by scheduling order), including work that this work schedules
// inside the advanced span, then leaves the clock at the end of the span.
#pragma once

#include <objcface/Result.h>

namespace ns {

// Seconds, as NSTimeInterval / CFTimeInterval.
using TimeInterval = double;

// Seconds since the reference date on the process clock.
TimeInterval now();

// Seconds since the reference date on the machine's real clock, whatever the process
// clock is.  For real-time bounds (how long a test waits for another thread).
TimeInterval realNow();

// Switches the process to the manual clock, reading `start` until advanced.  Work
// already scheduled keeps its due times.  Calling it again resets the reading.
void useManualClock(TimeInterval start);

// Back to the real clock (tests that switched to manual restore it).
void useRealClock();

bool isManualClock();

// Moves the manual clock forward by `seconds` and runs, on the calling thread, every
// timer, delayed perform, dispatch_after block and other work of the main run loop
// that falls due, in due order (see above).  Other run loops are woken to serve
// what falls due on them on their own threads.  Called from a thread other than the
// main thread it only moves the clock and wakes every run loop; the main run loop
// then serves its due work when it next runs.  Refused (nothing moves) when the
// clock is real, or when `seconds` is negative or not a number.
objc::Status advanceClock(TimeInterval seconds);

}  // namespace ns
