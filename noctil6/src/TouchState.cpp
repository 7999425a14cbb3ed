#include "TouchState.h"

#include "HostAccess.h"

#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

TouchState& touchState() {
  static TouchState state;
  return state;
}

void resetTouchState() { touchState() = TouchState{}; }

void trackSpeed(TouchState& state, CGPoint location, double timestamp) {
  const double dt = timestamp - state.lastTime;
  state.lastTime = timestamp;
  if (dt > 0) {
    state.vx = static_cast<float>((location.x - state.last.x) / dt);
    state.vy = static_cast<float>((location.y - state.last.y) / dt);
  }
  state.last = location;
}

TouchReading readTouch(id event, id window) {
  TouchReading reading;
  id touches = ask(event, sel<"allTouches">());
  id touch = ask(touches, sel<"anyObject">());
  reading.count = ask<NSUInteger>(touches, sel<"count">());
  // An event without a touch is in no phase at all.
  reading.phase = touch != nil ? ask<NSInteger>(touch, sel<"phase">()) : kNoPhase;
  reading.location = ask<CGPoint>(touch, sel<"locationInView:">(), window);
  reading.timestamp = ask<double>(touch, sel<"timestamp">());
  return reading;
}

BOOL isTouchEvent(id event) {
  return event != nil && ask<NSInteger>(event, sel<"type">()) == UIEventTypeTouches ? YES : NO;
}

}  // namespace noctil6
