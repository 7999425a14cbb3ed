// Asks a delegate a yes-or-no question (gestureRecognizerShouldBegin:,
// tableView:canEditRowAtIndexPath:, …) the way UIKit does: the answer is read where a
// BOOL result comes back, whatever result type the method declares.  Methods added
// at run time often carry the type strings of 32-bit iOS, where such an answer is
// declared "i" (an int) or even "v"; iOS reads the register all the same, and so
// does this.  An "i" answer is read as a whole int.
#pragma once

#include <objcface/Send.h>

#include <cstring>

namespace uikit::detail {

// The type code of a method's result, qualifiers skipped ('\0' when there is none).
inline char resultTypeCode(Method method) {
  char buffer[16] = {};
  method_getReturnType(method, buffer, sizeof buffer);
  const char* p = buffer;
  while (*p && std::strchr("rnNoORV", *p)) ++p;
  return *p;
}

template <class... Args>
bool askDelegate(id receiver, SEL question, Args... args) {
  Method method = class_getInstanceMethod(object_getClass(receiver), question);
  if (method == nullptr) return objc::send<BOOL>(receiver, question, args...);  // reports the unknown selector
  IMP imp = method_getImplementation(method);
  char code = resultTypeCode(method);
  if (code == 'i' || code == 'I') return objc::callImp<int>(imp, receiver, question, args...) != 0;
  return objc::callImp<BOOL>(imp, receiver, question, args...) != NO;
}

}  // namespace uikit::detail
