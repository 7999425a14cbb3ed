// UIResponder: the responder chain, the first responder and touch handling.
//
// Answers nextResponder (nil here; views, view controllers, windows and the
// application link the chain), isFirstResponder, canBecomeFirstResponder (NO),
// becomeFirstResponder, canResignFirstResponder (YES), resignFirstResponder,
// canPerformAction:withSender:, targetForAction:withSender: and
// touchesBegan/Moved/Ended/Cancelled:withEvent:.
//
// Rules, as on iOS:
// - becomeFirstResponder asks the receiver canBecomeFirstResponder by message send (so
//   a replaced or overridden answer counts), then asks the current first responder to
//   resign; a NO from either leaves everything as it was and answers NO.  A view must
//   also be inside a window.
// - canPerformAction:withSender: answers YES when the receiver implements the action,
//   otherwise the next responder's answer (NO at the end of the chain).
//   targetForAction:withSender: answers the first responder of the chain that both
//   implements the action and answers YES.
// - The default touch methods pass the touches on to the next responder.
// - There is one first responder per process.  It is not retained; a responder that
//   goes away stops being first responder.  Whenever the first responder changes the
//   shared menu is hidden.
#pragma once

#include <objcface/NSObject.h>

struct UIResponderIvars : NSObjectIvars {};

namespace uikit {

Class UIResponderClass();

// The first responder of the process, or nil.
id firstResponder();

}  // namespace uikit
