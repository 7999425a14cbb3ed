// UIEvent: a touch event, holding every touch of one delivery.
//
// Answers type (0, touches), subtype (0), timestamp, allTouches (an NSSet),
// touchesForView:, touchesForWindow: and touchesForGestureRecognizer:.  Events are
// made by the event simulation (uikit/Simulation.h).
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

struct UIEventIvars : NSObjectIvars {
  NSInteger _type;
  double _timestamp;
  id _allTouches;  // retained NSSet
};

namespace uikit {

Class UIEventClass();

}  // namespace uikit
