// What the recogniser files share: the storage behind a recogniser's ivars and the
// touch bookkeeping every kind builds on.
#pragma once

#include <uikit/UIGestureRecognizer.h>

#include "Timers.h"

#include <objcface/NSObject.h>

#include <vector>

namespace uikit::detail {

struct GestureTarget {
  id target;  // not retained
  SEL action;
};

struct GestureStorage {
  std::vector<GestureTarget> targets;
  std::vector<id> touches;  // retained: the touches down on this recogniser now
  objc::Ref root;           // the coordinate space of the touches' locations
  CGPoint lastCentroid{};   // in root coordinates, kept after the touches end
  ScheduledWork timer;      // press duration or tap wait
  // Per-kind tracking, all in root coordinates and touch timestamps.
  CGPoint start{};
  double startTime = 0;
  CGPoint translationBase{};
  CGPoint previousCentroid{};
  double previousTime = 0;
  CGPoint velocity{};
  NSUInteger tapsSoFar = 0;
  bool tracking = false;
};

inline UIGestureRecognizerIvars* gestureIvars(id g) { return reinterpret_cast<UIGestureRecognizerIvars*>(g); }
GestureStorage& gestureStorage(id recogniser);

// Bookkeeping of the base class: adds or removes touches of a touch set, and keeps
// the centroid.  newSequence answers whether these touches start a new sequence (the
// recogniser had none before), in which case a finished recogniser was reset first.
bool addTouches(id recogniser, id touchSet);
void moveTouches(id recogniser);
void removeTouches(id recogniser, id touchSet);

// Centroid of the recogniser's current touches in root coordinates (the last one when
// none are down).
CGPoint centroid(id recogniser);
// Timestamp of the most recent of a touch set's touches.
double latestTimestamp(id touchSet);

// Moves the recogniser to a state by message send (setState:), so that overrides run.
void transition(id recogniser, NSInteger state);

}  // namespace uikit::detail
