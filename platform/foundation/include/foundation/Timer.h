// NSTimer: a runtime face of a run-loop timer (see RunLoop.h).
//
//   +scheduledTimerWithTimeInterval:target:selector:userInfo:repeats: (in the
//    current run loop's default mode), +timerWithTimeInterval:target:selector:
//    userInfo:repeats:, +scheduledTimerWithTimeInterval:repeats:block: and
//    +timerWithTimeInterval:repeats:block: (a block of signature void(id timer)),
//    -initWithFireDate:interval:target:selector:userInfo:repeats:, -invalidate,
//    -isValid, -fire, -fireDate, -setFireDate:, -timeInterval, -userInfo; and
//    NSRunLoop's -addTimer:forMode:.
//
// A timer retains its target, user info and block until it is invalidated; a run
// loop retains the timers scheduled in it until they are invalidated (a one-shot
// timer invalidates itself after firing).  The target receives the selector with
// the timer as its argument.  A repeating interval of 0 or less becomes 0.1 ms.
#pragma once

#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>

#include <memory>
#include <string_view>

namespace ns {

struct NSTimerIvars : NSObjectIvars {
  id _target;    // retained until invalidated
  SEL _selector;
  id _userInfo;  // retained until invalidated
  id _block;     // retained until invalidated
  std::shared_ptr<RunLoopTimer> _timer;
};

Class NSTimerClass();

// The run-loop timer behind an NSTimer (null for anything else).
std::shared_ptr<RunLoopTimer> timerCore(id timer);

// Adds an NSTimer to a loop in a mode; the loop retains it until it is invalidated.
objc::Status scheduleTimer(id timer, RunLoop& loop, std::string_view mode);

}  // namespace ns
