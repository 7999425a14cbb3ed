// NSRunLoop: the runtime face of a thread's run loop (see RunLoop.h).
//
//   +currentRunLoop, +mainRunLoop, -getCFRunLoop (the same object: a CFRunLoopRef
//   is an NSRunLoop here), -currentMode, -run, -runUntilDate:, -runMode:beforeDate:,
//   -addTimer:forMode:.
//
// -run repeats runMode:beforeDate: in the default mode until the mode has nothing to
// serve, so, as on iOS, CFRunLoopStop does not end it and on the main thread it
// never returns.  -runUntilDate: and -runMode:beforeDate: end at their date on the
// process clock; under the manual clock that date comes only when advanceClock
// passes it, so tests run loops with RunLoop::runUntil (real-time bounded) or
// runUntilIdle instead.  A run loop object answers for its thread's loop only: sent
// from another thread, the running methods do nothing (and -runMode:beforeDate:
// answers NO).  The object lives as long as its loop (or longer, if retained).
#pragma once

#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>

#include <memory>
#include <string>
#include <string_view>

// The mode names as NSString objects, the same objects as kCFRunLoopDefaultMode and
// kCFRunLoopCommonModes.  Valid once the library is loaded.
extern id const NSDefaultRunLoopMode;
extern id const NSRunLoopCommonModes;

namespace ns {

struct NSRunLoopIvars : NSObjectIvars {
  std::weak_ptr<RunLoop> _loop;
};

Class NSRunLoopClass();

// The NSRunLoop object of a loop (owned by the loop; not retained for the caller).
id runLoopObject(RunLoop& loop);
// The loop behind an NSRunLoop object; null for nil, another kind of object, or a
// loop whose thread has ended.
std::shared_ptr<RunLoop> runLoopFromObject(id runLoop);

// The text of a mode object (an NSString); empty for nil.
std::string modeName(id mode);
// The NSString for a mode name: the shared constants for the default and common
// modes, otherwise a new string owned by the caller.
objc::Ref modeObject(std::string_view name);

}  // namespace ns
