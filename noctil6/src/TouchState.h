// The touch state shared by the three window handlers of the lock screen (the
// pull-down of the lock screen's and status bar's windows, and the list window's
// drag and knob): where the touch began, the previous point and time, the speed, the
// three gesture flags and the duration of the next slide of the list.  Main thread
// only; one event at a time.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

struct TouchState {
  CGPoint start{};
  CGPoint last{};
  double lastTime = 0;
  float vx = 0;  // points per second, single precision; vy is positive downwards
  float vy = 0;
  BOOL pullDown = NO;  // the pull-down gesture is in progress
  BOOL knob = NO;      // the finger drags the lock bar's knob through the list window
  BOOL drag = NO;      // the finger drags the list
  float duration = 0;  // seconds of the next slide away or spring back
};

TouchState& touchState();
void resetTouchState();

// Takes the speed from the last point and time to this one, then makes this one the
// last.  Two events with the same timestamp keep the previous speed rather than
// divide by zero.
void trackSpeed(TouchState& state, CGPoint location, double timestamp);

inline constexpr NSInteger kNoPhase = -1;

// What the handlers read off an event: its touches, one of them, where it is in the
// receiving window, its phase and time.
struct TouchReading {
  NSUInteger count = 0;
  CGPoint location{};
  NSInteger phase = kNoPhase;  // a UITouchPhase; kNoPhase for an event without touches
  double timestamp = 0;
};
TouchReading readTouch(id event, id window);

// The event is a touch event (type 0).
BOOL isTouchEvent(id event);

}  // namespace noctil6
