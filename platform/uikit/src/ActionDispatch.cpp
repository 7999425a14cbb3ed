#include "ActionDispatch.h"

#include <objcface/Send.h>

#include <cstring>

namespace uikit::detail {

int selectorArity(SEL action) {
  int count = 0;
  for (const char* p = sel_getName(action); p && *p; ++p)
    if (*p == ':') ++count;
  return count;
}

namespace {

// The IMP for action on target, or a stop with iOS's message when there is none.
IMP lookupOrStop(id target, SEL action) {
  if (class_getInstanceMethod(object_getClass(target), action) == nullptr) {
    objc::send<void>(target, action);  // reports the unrecognized selector and stops
  }
  return objc_msg_lookup(target, action);
}

}  // namespace

// The result of an action method is ignored.  Calling it through a void-returning
// type is sound for every result that comes back in registers, which is every result
// an action method has in practice.
void sendAction(id target, SEL action, id sender, id extra) {
  if (target == nil || action == nullptr) return;
  IMP imp = lookupOrStop(target, action);
  switch (selectorArity(action)) {
    case 0: objc::callImp<void>(imp, target, action); break;
    case 1: objc::callImp<void, id>(imp, target, action, sender); break;
    default: objc::callImp<void, id, id>(imp, target, action, sender, extra); break;
  }
}

void sendDidStop(id target, SEL action, id animationID, id finished, void* context) {
  if (target == nil || action == nullptr) return;
  IMP imp = lookupOrStop(target, action);
  switch (selectorArity(action)) {
    case 0: objc::callImp<void>(imp, target, action); break;
    case 1: objc::callImp<void, id>(imp, target, action, animationID); break;
    case 2: objc::callImp<void, id, id>(imp, target, action, animationID, finished); break;
    default: objc::callImp<void, id, id, void*>(imp, target, action, animationID, finished, context); break;
  }
}

}  // namespace uikit::detail
