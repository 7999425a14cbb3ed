// Fatal errors of the Foundation stand-in.  Where iOS raises an exception that
// ends the app (an index out of range, a nil inserted into a collection, a nil
// argument to a method that refuses one), the stand-in stops the process with the
// same kind of message, naming the class and method, so the mistake is found at once.
#pragma once

#include <objcface/Types.h>

namespace ns::detail {

// Prints "*** Terminating app due to uncaught exception '<exception>', reason:
// '*** -[<class> <selector>]: <reason>'" and aborts.  `receiver` may be a class.
[[noreturn]] void raise(const char* exception, id receiver, SEL selector, const char* reasonFormat, ...)
    __attribute__((format(printf, 4, 5)));

// The common cases, with iOS's wording.
[[noreturn]] void raiseNilArgument(id receiver, SEL selector);
[[noreturn]] void raiseIndexBeyondBounds(id receiver, SEL selector, NSUInteger index, NSUInteger count);

}  // namespace ns::detail
