// Stopping the process the way an unanswered send does, for methods that exist but
// must behave as if they were absent (for example an add-on that has been removed).
#pragma once

#include <objcface/Types.h>

namespace objc {

// Prints "unrecognized selector -sel sent to instance Class" and aborts, as a send
// of a selector the receiver does not answer does.
[[noreturn]] void doesNotRecognize(id receiver, SEL sel);

}  // namespace objc
