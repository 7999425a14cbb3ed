// Sends a target/action message the way UIKit does for controls, gesture
// recognisers, menu items and animation delegates: the action may take no argument,
// the sender, or the sender and one more object, and its result is ignored.
#pragma once

#include <objcface/Types.h>

namespace uikit::detail {

// Sends action to target with as many of (sender, extra) as the method takes.  A
// target that does not answer action stops the process with "unrecognized
// selector", as iOS does.  Nothing happens for a nil target or a null action.
void sendAction(id target, SEL action, id sender, id extra = nil);

// The same for an animation's did-stop selector, whose third argument is the
// context pointer given to beginAnimations:context:.
void sendDidStop(id target, SEL action, id animationID, id finished, void* context);

// Number of arguments a selector's name says it takes (its colons).
int selectorArity(SEL action);

}  // namespace uikit::detail
