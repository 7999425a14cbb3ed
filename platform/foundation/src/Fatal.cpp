#include "Fatal.h"

#include <objcface/Send.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace ns::detail {

void raise(const char* exception, id receiver, SEL selector, const char* reasonFormat, ...) {
  char reason[512];
  va_list args;
  va_start(args, reasonFormat);
  std::vsnprintf(reason, sizeof reason, reasonFormat, args);
  va_end(args);
  bool isClass = receiver != nil && class_isMetaClass(object_getClass(receiver));
  std::fprintf(stderr, "*** Terminating app due to uncaught exception '%s', reason: '*** %c[%s %s]: %s'\n", exception,
               isClass ? '+' : '-', objc::className(receiver), selector ? sel_getName(selector) : "?", reason);
  std::fflush(stderr);
  std::abort();
}

void raiseNilArgument(id receiver, SEL selector) {
  raise("NSInvalidArgumentException", receiver, selector, "nil argument");
}

void raiseIndexBeyondBounds(id receiver, SEL selector, NSUInteger index, NSUInteger count) {
  if (count == 0) raise("NSRangeException", receiver, selector, "index %lu beyond bounds for empty array", index);
  raise("NSRangeException", receiver, selector, "index %lu beyond bounds [0 .. %lu]", index, count - 1);
}

}  // namespace ns::detail
