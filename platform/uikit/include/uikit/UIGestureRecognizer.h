// Gesture recognisers: UIGestureRecognizer and its four concrete kinds
// UILongPressGestureRecognizer, UIPanGestureRecognizer, UITapGestureRecognizer and
// UISwipeGestureRecognizer.
//
// A recogniser is attached to a view (addGestureRecognizer:, which retains it; the
// recogniser does not retain its view) and sees the touches that begin on that view
// or inside it before the view does.  Its targets are not retained.  It goes through
// iOS's states, Possible 0, Began 1, Changed 2, Ended 3 (= Recognized), Cancelled 4,
// Failed 5, and sends every target its action (with the recogniser as argument when
// the action takes one) on entering Began, Changed, Ended and Cancelled.  Before
// leaving Possible for Began (or a discrete Ended) it asks its delegate
// gestureRecognizerShouldBegin: and, when another recogniser of the same touch is
// already under way, gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:
// of both delegates; a NO fails it.  When it recognises and cancelsTouchesInView is
// YES (the default), the views of its touches get touchesCancelled:withEvent:.  A
// recogniser that has ended, been cancelled or failed keeps that state until the next
// touch sequence starts on it, when it is reset to Possible (reset is sent).
//
// UIGestureRecognizer answers initWithTarget:action:, init, addTarget:action:,
// removeTarget:action: (nil target / null action match any), state, setState:, view,
// delegate, setDelegate: (not retained), enabled/isEnabled, setEnabled: (NO cancels a
// gesture under way, or fails a possible one), cancelsTouchesInView,
// delaysTouchesBegan, delaysTouchesEnded, locationInView:, locationOfTouch:inView:,
// numberOfTouches, reset, touchesBegan/Moved/Ended/Cancelled:withEvent:, and
// description: "<UILongPressGestureRecognizer: 0x…; state = Possible; view =
// <SBLockScreenBulletinCell 0x…>; target= <(action=noctil_longPress:,
// target=<SBLockScreenBulletinCell 0x…>)>>" (with "targets=" and one bracket per
// target when there are several, and "enabled = NO" when disabled).
//
// The kinds, driven by touches (see uikit/Simulation.h to drive them):
// - Long press: minimumPressDuration (default 0.5 s), allowableMovement (10),
//   numberOfTouchesRequired (1), numberOfTapsRequired (0).  A finger held still for
//   the minimum press duration on the process clock begins it; moves then send
//   Changed; lifting the finger ends it.  Lifting earlier, or moving further than the
//   allowable movement first, fails it and sends nothing.
// - Pan: minimumNumberOfTouches (1), maximumNumberOfTouches, translationInView:,
//   setTranslation:inView:, velocityInView: (points per second over the last move,
//   by the touches' timestamps).  It begins once the finger has moved 10 points, then
//   sends Changed on each move and Ended on lifting.
// - Tap: numberOfTapsRequired (1), numberOfTouchesRequired (1).  Recognised (Ended)
//   when the required taps end within 10 points of where they began, each tap
//   following the last within 0.35 s.
// - Swipe: direction (default right), numberOfTouchesRequired (1).  Recognised when
//   the finger travels at least 50 points in an allowed direction, more along it than
//   across it, within 0.5 s.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <memory>

namespace uikit::detail {
struct GestureStorage;
}

struct UIGestureRecognizerIvars : NSObjectIvars {
  id _view;      // not retained: the view owns its recognisers
  id _delegate;  // not retained
  NSInteger _state;
  BOOL _enabled;
  BOOL _cancelsTouchesInView;
  BOOL _delaysTouchesBegan;
  BOOL _delaysTouchesEnded;
  std::unique_ptr<uikit::detail::GestureStorage> _gestureStorage;  // targets, touches, timers
};

struct UILongPressGestureRecognizerIvars : UIGestureRecognizerIvars {
  CGFloat _minimumPressDuration;
  CGFloat _allowableMovement;
  NSUInteger _numberOfTouchesRequired;
  NSUInteger _numberOfTapsRequired;
};

struct UIPanGestureRecognizerIvars : UIGestureRecognizerIvars {
  NSUInteger _minimumNumberOfTouches;
  NSUInteger _maximumNumberOfTouches;
};

struct UITapGestureRecognizerIvars : UIGestureRecognizerIvars {
  NSUInteger _numberOfTapsRequired;
  NSUInteger _numberOfTouchesRequired;
};

struct UISwipeGestureRecognizerIvars : UIGestureRecognizerIvars {
  NSUInteger _direction;
  NSUInteger _numberOfTouchesRequired;
};

namespace uikit {

Class UIGestureRecognizerClass();
Class UILongPressGestureRecognizerClass();
Class UIPanGestureRecognizerClass();
Class UITapGestureRecognizerClass();
Class UISwipeGestureRecognizerClass();

// The name iOS prints for a state ("Possible", "Began", …).
const char* gestureStateName(NSInteger state);

// Called when a recogniser leaves its view: a gesture under way is cancelled and its
// touches and timers are dropped.
void gestureRecognizerDetached(id recogniser);

}  // namespace uikit
