// Driving the user interface from C++: fingers on the screen, gestures, and time.
// The scenario runner, the host programs and the tests use it to do what a user
// does, so that every step reaches the application's objects the way iOS's event
// delivery would (and replaced methods run):
//
// - Through a window: a finger put down on a view is hit-tested by the window
//   (hitTest:withEvent:, so the touch lands on the deepest view that takes touches
//   there), handed to the gesture recognisers of that view and its ancestors, and
//   delivered by UIApplication sendEvent: → UIWindow sendEvent: → the view's
//   touchesBegan/Moved/Ended/Cancelled:withEvent:.  The view must be in a window.
// - Straight to recognisers: a finger given to chosen recognisers goes to them alone
//   (their view need not be in a window and no view sees the touch), which puts a
//   recogniser through its real state sequence wherever it is.
//
// Time: a long press begins only once its minimum press duration has passed on the
// process clock.  letTimePass advances the manual clock (tests) or serves the main
// run loop for that long (host programs).  The timestamps of touches follow the
// process clock plus the durations given to moves, so velocities do not depend on
// how fast the caller runs.
//
// The shared menu is driven with uikit::visibleMenuItemTitles and
// uikit::performVisibleMenuItem (UIMenuController.h).
#pragma once

#include <uikit/UIKitTypes.h>
#include <uikit/UIMenuController.h>

#include <foundation/Clock.h>
#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <vector>

namespace uikit::sim {

// One finger.  Move-only; a finger still down when it goes away is cancelled.
class Finger {
 public:
  // Puts a finger down on `view` at `point` (the view's coordinates) through the
  // view's window.  tapCount is what the touch reports (2 for the second tap of a
  // double tap).  An error when the view is not in a window or nothing at that point
  // takes touches.
  static objc::Result<Finger> down(id view, CGPoint point, NSUInteger tapCount = 1);
  // The same at the centre of the view's bounds.
  static objc::Result<Finger> downAtCentre(id view);

  // Puts a finger down at `point` of `view` for these recognisers only.  An error
  // when the list is empty, a recogniser is disabled, or view is nil.
  static objc::Result<Finger> downOn(const std::vector<id>& recognisers, id view, CGPoint point);

  Finger(Finger&& other) noexcept;
  Finger& operator=(Finger&& other) noexcept;
  Finger(const Finger&) = delete;
  Finger& operator=(const Finger&) = delete;
  ~Finger();

  // Moves the finger to `point` (coordinates of the view it went down on), `seconds`
  // after the previous event by the touches' clock.
  objc::Status moveTo(CGPoint point, ns::TimeInterval seconds = 1.0 / 60.0);
  objc::Status moveBy(CGFloat dx, CGFloat dy, ns::TimeInterval seconds = 1.0 / 60.0);
  // Lifts the finger where it is.
  objc::Status up(ns::TimeInterval seconds = 0.0);
  // The system takes the touch away (touchesCancelled:withEvent:).
  objc::Status cancel();

  bool isDown() const { return touch_ != nil; }
  // The touch (nil once lifted) and the view it landed on.
  id touch() const { return touch_; }
  id hitView() const { return hitView_; }
  // Where the finger is, in the coordinates of the view it went down on.
  CGPoint location() const { return location_; }

 private:
  Finger() = default;
  objc::Status step(NSInteger phase, CGPoint point, ns::TimeInterval seconds);
  void release();

  id touch_ = nil;       // retained
  id hitView_ = nil;     // retained
  id reference_ = nil;   // retained: the view whose coordinates moves use
  bool direct_ = false;  // straight to recognisers
  CGPoint location_{};
  ns::TimeInterval clockOffset_ = 0;
};

// Several fingers moving together: each event carries every finger, so the
// receivers see all of them at once (UIEvent allTouches, a two-finger drag).  Each
// finger is hit-tested through the view's window where it goes down.  Move-only;
// fingers still down when the hand goes away are cancelled.
class Hand {
 public:
  // Puts one finger down at each point (the view's coordinates), in one event.  An
  // error when there is no point, the view is not in a window or nothing at a point
  // takes touches.
  static objc::Result<Hand> down(id view, const std::vector<CGPoint>& points);

  Hand(Hand&& other) noexcept;
  Hand& operator=(Hand&& other) noexcept;
  Hand(const Hand&) = delete;
  Hand& operator=(const Hand&) = delete;
  ~Hand();

  // Moves every finger by the same distance, `seconds` after the previous event.
  objc::Status moveBy(CGFloat dx, CGFloat dy, ns::TimeInterval seconds = 1.0 / 60.0);
  // Lifts every finger where it is, `seconds` after the previous event.
  objc::Status up(ns::TimeInterval seconds = 0.0);
  // The system takes every touch away.
  objc::Status cancel();

  bool isDown() const { return !touches_.empty(); }
  std::size_t fingerCount() const { return touches_.size(); }

 private:
  Hand() = default;
  objc::Status step(NSInteger phase, CGFloat dx, CGFloat dy, ns::TimeInterval seconds);
  void release();

  std::vector<id> touches_;  // retained
  std::vector<CGPoint> locations_;  // in the reference view's coordinates
  id reference_ = nil;       // retained
  ns::TimeInterval clockOffset_ = 0;
};

// A tap: a finger down and up at once at `point` (default: the centre) of `view`,
// through its window.
objc::Status tap(id view);
objc::Status tap(id view, CGPoint point);

// Holds a finger still on `view` at `point` for `seconds` (time passes meanwhile),
// then lifts it: a long press of the view's recognisers when held long enough.
objc::Status press(id view, CGPoint point, ns::TimeInterval seconds);

// Drags a finger through the window from `from` to `to` (the view's coordinates) in
// `steps` equal moves spread over `seconds`, then lifts it.
objc::Status drag(id view, CGPoint from, CGPoint to, ns::TimeInterval seconds, int steps = 10);

// A long press straight on recognisers (their view need not be on screen): the finger
// goes down at the centre of `view`, is held for `seconds` (default: the longest
// minimumPressDuration among them, plus a little), and is lifted.
objc::Status longPress(const std::vector<id>& recognisers, id view, ns::TimeInterval seconds = -1);

// A pan straight on recognisers, from `from` to `to` in `view`'s coordinates.
objc::Status pan(const std::vector<id>& recognisers, id view, CGPoint from, CGPoint to, ns::TimeInterval seconds,
                 int steps = 10);

// The enabled recognisers of a kind (e.g. UILongPressGestureRecognizerClass()) attached
// to `view` and, when `andSubviews`, to every view inside it.
std::vector<id> recognisersOf(id view, Class kind, bool andSubviews = false);

// Lets `seconds` pass on the process clock while the main run loop serves what falls
// due (see above).
void letTimePass(ns::TimeInterval seconds);

}  // namespace uikit::sim
