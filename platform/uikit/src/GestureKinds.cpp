// The concrete recognisers: long press, pan, tap and swipe.  Each keeps the base
// class's books through a super send, then applies its own rules to the touches.
#include <uikit/UIGestureRecognizer.h>

#include "FoundationGlue.h"
#include "GestureInternals.h"

#include <objcface/Send.h>

#include <cmath>

namespace uikit {

using detail::gestureIvars;
using detail::gestureStorage;
using detail::GestureStorage;
using detail::transition;
using objc::send;
using objc::sel;

namespace {

constexpr CGFloat kPanHysteresis = 10.0;
constexpr double kStillnessSeconds = 0.05;  // fingers still this long have stopped
constexpr CGFloat kTapSlop = 10.0;
constexpr double kTapInterval = 0.35;
constexpr CGFloat kSwipeMinimumDistance = 50.0;
constexpr double kSwipeMaximumDuration = 0.5;

NSInteger stateOf(id g) { return gestureIvars(g)->_state; }
bool underWay(id g) {
  NSInteger s = stateOf(g);
  return s == UIGestureRecognizerStateBegan || s == UIGestureRecognizerStateChanged;
}
CGFloat distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
NSUInteger countOf(id set) { return send<NSUInteger>(set, sel<"count">()); }

// ---- Long press --------------------------------------------------------------------

UILongPressGestureRecognizerIvars* LP(id g) { return reinterpret_cast<UILongPressGestureRecognizerIvars*>(g); }

id longPressInit(id self, SEL cmd, id target, SEL action) {
  self = objc::sendSuper<id>(self, UILongPressGestureRecognizerClass(), cmd, target, action);
  if (self == nil) return nil;
  LP(self)->_minimumPressDuration = 0.5;
  LP(self)->_allowableMovement = 10.0;
  LP(self)->_numberOfTouchesRequired = 1;
  return self;
}

void longPressBegan(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UILongPressGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) != UIGestureRecognizerStatePossible) return;
  GestureStorage& gs = gestureStorage(self);
  if (gs.touches.size() > LP(self)->_numberOfTouchesRequired) return transition(self, UIGestureRecognizerStateFailed);
  if (gs.touches.size() < LP(self)->_numberOfTouchesRequired) return;
  gs.start = detail::centroid(self);
  gs.timer.cancel();
  gs.timer = detail::runAfter(LP(self)->_minimumPressDuration, [self] {
    objc::Ref keep = objc::Ref::retain(self);
    if (stateOf(self) == UIGestureRecognizerStatePossible &&
        gestureStorage(self).touches.size() == LP(self)->_numberOfTouchesRequired)
      transition(self, UIGestureRecognizerStateBegan);
  });
}

void longPressMoved(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UILongPressGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) == UIGestureRecognizerStatePossible) {
    if (distance(detail::centroid(self), gestureStorage(self).start) > LP(self)->_allowableMovement)
      transition(self, UIGestureRecognizerStateFailed);
  } else if (underWay(self)) {
    transition(self, UIGestureRecognizerStateChanged);
  }
}

void longPressEnded(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UILongPressGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) == UIGestureRecognizerStatePossible) transition(self, UIGestureRecognizerStateFailed);
  else if (underWay(self)) transition(self, UIGestureRecognizerStateEnded);
}

double lpDuration(id self, SEL) { return LP(self)->_minimumPressDuration; }
void lpSetDuration(id self, SEL, double d) { LP(self)->_minimumPressDuration = d; }
CGFloat lpMovement(id self, SEL) { return LP(self)->_allowableMovement; }
void lpSetMovement(id self, SEL, CGFloat m) { LP(self)->_allowableMovement = m; }
NSUInteger lpTouches(id self, SEL) { return LP(self)->_numberOfTouchesRequired; }
void lpSetTouches(id self, SEL, NSUInteger n) { LP(self)->_numberOfTouchesRequired = n == 0 ? 1 : n; }
NSUInteger lpTaps(id self, SEL) { return LP(self)->_numberOfTapsRequired; }
void lpSetTaps(id self, SEL, NSUInteger n) { LP(self)->_numberOfTapsRequired = n; }

// ---- Pan ---------------------------------------------------------------------------

UIPanGestureRecognizerIvars* PN(id g) { return reinterpret_cast<UIPanGestureRecognizerIvars*>(g); }

id panInit(id self, SEL cmd, id target, SEL action) {
  self = objc::sendSuper<id>(self, UIPanGestureRecognizerClass(), cmd, target, action);
  if (self == nil) return nil;
  PN(self)->_minimumNumberOfTouches = 1;
  PN(self)->_maximumNumberOfTouches = ~0UL;
  return self;
}

// Velocity over the last move, from the touches' own timestamps.  Fingers lifted where
// the last move left them, within a frame or two of it, leave at that move's speed (on
// a real clock some time always passes before the lift); held still longer, they had
// stopped.
void trackVelocity(id self, double timestamp) {
  GestureStorage& gs = gestureStorage(self);
  CGPoint c = detail::centroid(self);
  double dt = timestamp - gs.previousTime;
  if (dt > 0 && c == gs.previousCentroid && dt < kStillnessSeconds) return;
  if (dt > 0) {
    gs.velocity = CGPointMake((c.x - gs.previousCentroid.x) / dt, (c.y - gs.previousCentroid.y) / dt);
    gs.previousCentroid = c;
    gs.previousTime = timestamp;
  } else if (!(c == gs.previousCentroid)) {
    gs.previousCentroid = c;
  }
}

void panBegan(id self, SEL cmd, id touches, id event) {
  bool first = gestureStorage(self).touches.empty();
  objc::sendSuper<void>(self, UIPanGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) != UIGestureRecognizerStatePossible) return;
  GestureStorage& gs = gestureStorage(self);
  if (gs.touches.size() > PN(self)->_maximumNumberOfTouches) return transition(self, UIGestureRecognizerStateFailed);
  if (first) {
    gs.start = gs.translationBase = gs.previousCentroid = detail::centroid(self);
    gs.previousTime = detail::latestTimestamp(touches);
    gs.velocity = CGPointZero;
  }
}

void panMoved(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UIPanGestureRecognizerClass(), cmd, touches, event);
  GestureStorage& gs = gestureStorage(self);
  trackVelocity(self, detail::latestTimestamp(touches));
  if (stateOf(self) == UIGestureRecognizerStatePossible) {
    if (gs.touches.size() >= PN(self)->_minimumNumberOfTouches &&
        distance(detail::centroid(self), gs.start) >= kPanHysteresis)
      transition(self, UIGestureRecognizerStateBegan);
  } else if (underWay(self)) {
    transition(self, UIGestureRecognizerStateChanged);
  }
}

void panEnded(id self, SEL cmd, id touches, id event) {
  trackVelocity(self, detail::latestTimestamp(touches));
  objc::sendSuper<void>(self, UIPanGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) == UIGestureRecognizerStatePossible) {
    if (gestureStorage(self).touches.empty()) transition(self, UIGestureRecognizerStateFailed);
  } else if (underWay(self) && gestureStorage(self).touches.size() < PN(self)->_minimumNumberOfTouches) {
    transition(self, UIGestureRecognizerStateEnded);
  }
}

CGPoint panTranslation(id self, SEL, id) {
  CGPoint c = detail::centroid(self);
  CGPoint base = gestureStorage(self).translationBase;
  return CGPointMake(c.x - base.x, c.y - base.y);
}
void panSetTranslation(id self, SEL, CGPoint t, id) {
  CGPoint c = detail::centroid(self);
  gestureStorage(self).translationBase = CGPointMake(c.x - t.x, c.y - t.y);
}
CGPoint panVelocity(id self, SEL, id) { return gestureStorage(self).velocity; }
NSUInteger panMin(id self, SEL) { return PN(self)->_minimumNumberOfTouches; }
void panSetMin(id self, SEL, NSUInteger n) { PN(self)->_minimumNumberOfTouches = n == 0 ? 1 : n; }
NSUInteger panMax(id self, SEL) { return PN(self)->_maximumNumberOfTouches; }
void panSetMax(id self, SEL, NSUInteger n) { PN(self)->_maximumNumberOfTouches = n; }

// ---- Tap ---------------------------------------------------------------------------

UITapGestureRecognizerIvars* TP(id g) { return reinterpret_cast<UITapGestureRecognizerIvars*>(g); }

id tapInit(id self, SEL cmd, id target, SEL action) {
  self = objc::sendSuper<id>(self, UITapGestureRecognizerClass(), cmd, target, action);
  if (self == nil) return nil;
  TP(self)->_numberOfTapsRequired = 1;
  TP(self)->_numberOfTouchesRequired = 1;
  return self;
}

void tapBegan(id self, SEL cmd, id touches, id event) {
  bool first = gestureStorage(self).touches.empty();
  objc::sendSuper<void>(self, UITapGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) != UIGestureRecognizerStatePossible) return;
  GestureStorage& gs = gestureStorage(self);
  gs.timer.cancel();
  if (gs.touches.size() > TP(self)->_numberOfTouchesRequired) return transition(self, UIGestureRecognizerStateFailed);
  if (first) gs.start = detail::centroid(self);
}

void tapMoved(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UITapGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) == UIGestureRecognizerStatePossible &&
      distance(detail::centroid(self), gestureStorage(self).start) > kTapSlop)
    transition(self, UIGestureRecognizerStateFailed);
}

void tapEnded(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UITapGestureRecognizerClass(), cmd, touches, event);
  GestureStorage& gs = gestureStorage(self);
  if (stateOf(self) != UIGestureRecognizerStatePossible || !gs.touches.empty()) return;
  if (++gs.tapsSoFar >= TP(self)->_numberOfTapsRequired) return transition(self, UIGestureRecognizerStateEnded);
  gs.timer = detail::runAfter(kTapInterval, [self] {
    objc::Ref keep = objc::Ref::retain(self);
    if (stateOf(self) == UIGestureRecognizerStatePossible && gestureStorage(self).touches.empty())
      transition(self, UIGestureRecognizerStateFailed);
  });
}

NSUInteger tapTaps(id self, SEL) { return TP(self)->_numberOfTapsRequired; }
void tapSetTaps(id self, SEL, NSUInteger n) { TP(self)->_numberOfTapsRequired = n == 0 ? 1 : n; }
NSUInteger tapTouches(id self, SEL) { return TP(self)->_numberOfTouchesRequired; }
void tapSetTouches(id self, SEL, NSUInteger n) { TP(self)->_numberOfTouchesRequired = n == 0 ? 1 : n; }

// ---- Swipe -------------------------------------------------------------------------

UISwipeGestureRecognizerIvars* SW(id g) { return reinterpret_cast<UISwipeGestureRecognizerIvars*>(g); }

id swipeInit(id self, SEL cmd, id target, SEL action) {
  self = objc::sendSuper<id>(self, UISwipeGestureRecognizerClass(), cmd, target, action);
  if (self == nil) return nil;
  SW(self)->_direction = UISwipeGestureRecognizerDirectionRight;
  SW(self)->_numberOfTouchesRequired = 1;
  return self;
}

void swipeBegan(id self, SEL cmd, id touches, id event) {
  bool first = gestureStorage(self).touches.empty();
  objc::sendSuper<void>(self, UISwipeGestureRecognizerClass(), cmd, touches, event);
  if (stateOf(self) != UIGestureRecognizerStatePossible || !first) return;
  gestureStorage(self).start = detail::centroid(self);
  gestureStorage(self).startTime = detail::latestTimestamp(touches);
}

// Recognises, fails or keeps waiting, by the travel since the finger went down.
void judgeSwipe(id self, double timestamp, bool lifted) {
  if (stateOf(self) != UIGestureRecognizerStatePossible) return;
  GestureStorage& gs = gestureStorage(self);
  if (timestamp - gs.startTime > kSwipeMaximumDuration) return transition(self, UIGestureRecognizerStateFailed);
  CGPoint c = detail::centroid(self);
  CGFloat dx = c.x - gs.start.x;
  CGFloat dy = c.y - gs.start.y;
  NSUInteger direction = 0;
  if (std::fabs(dx) >= kSwipeMinimumDistance && std::fabs(dx) > std::fabs(dy))
    direction = dx > 0 ? UISwipeGestureRecognizerDirectionRight : UISwipeGestureRecognizerDirectionLeft;
  else if (std::fabs(dy) >= kSwipeMinimumDistance && std::fabs(dy) > std::fabs(dx))
    direction = dy > 0 ? UISwipeGestureRecognizerDirectionDown : UISwipeGestureRecognizerDirectionUp;
  if (direction != 0)
    return transition(self, (SW(self)->_direction & direction) ? UIGestureRecognizerStateEnded
                                                                : UIGestureRecognizerStateFailed);
  if (lifted) transition(self, UIGestureRecognizerStateFailed);
}

void swipeMoved(id self, SEL cmd, id touches, id event) {
  objc::sendSuper<void>(self, UISwipeGestureRecognizerClass(), cmd, touches, event);
  judgeSwipe(self, detail::latestTimestamp(touches), false);
}

void swipeEnded(id self, SEL cmd, id touches, id event) {
  // Judge where the finger left the glass, before the touch leaves the books.
  judgeSwipe(self, detail::latestTimestamp(touches), countOf(touches) >= gestureStorage(self).touches.size());
  objc::sendSuper<void>(self, UISwipeGestureRecognizerClass(), cmd, touches, event);
}

NSUInteger swipeDirection(id self, SEL) { return SW(self)->_direction; }
void swipeSetDirection(id self, SEL, NSUInteger d) { SW(self)->_direction = d; }
NSUInteger swipeTouches(id self, SEL) { return SW(self)->_numberOfTouchesRequired; }
void swipeSetTouches(id self, SEL, NSUInteger n) { SW(self)->_numberOfTouchesRequired = n == 0 ? 1 : n; }

}  // namespace

Class UILongPressGestureRecognizerClass() {
  using I = UILongPressGestureRecognizerIvars;
  static const Class cls = objc::ClassBuilder<I>("UILongPressGestureRecognizer", UIGestureRecognizerClass())
                               .ivar<&I::_minimumPressDuration>("_minimumPressDuration")
                               .ivar<&I::_allowableMovement>("_allowableMovement")
                               .ivar<&I::_numberOfTouchesRequired>("_numberOfTouchesRequired")
                               .ivar<&I::_numberOfTapsRequired>("_numberOfTapsRequired")
                               .method<&longPressInit>("initWithTarget:action:")
                               .method<&longPressBegan>("touchesBegan:withEvent:")
                               .method<&longPressMoved>("touchesMoved:withEvent:")
                               .method<&longPressEnded>("touchesEnded:withEvent:")
                               .method<&lpDuration>("minimumPressDuration")
                               .method<&lpSetDuration>("setMinimumPressDuration:")
                               .method<&lpMovement>("allowableMovement")
                               .method<&lpSetMovement>("setAllowableMovement:")
                               .method<&lpTouches>("numberOfTouchesRequired")
                               .method<&lpSetTouches>("setNumberOfTouchesRequired:")
                               .method<&lpTaps>("numberOfTapsRequired")
                               .method<&lpSetTaps>("setNumberOfTapsRequired:")
                               .registerClass();
  return cls;
}

Class UIPanGestureRecognizerClass() {
  using I = UIPanGestureRecognizerIvars;
  static const Class cls = objc::ClassBuilder<I>("UIPanGestureRecognizer", UIGestureRecognizerClass())
                               .ivar<&I::_minimumNumberOfTouches>("_minimumNumberOfTouches")
                               .ivar<&I::_maximumNumberOfTouches>("_maximumNumberOfTouches")
                               .method<&panInit>("initWithTarget:action:")
                               .method<&panBegan>("touchesBegan:withEvent:")
                               .method<&panMoved>("touchesMoved:withEvent:")
                               .method<&panEnded>("touchesEnded:withEvent:")
                               .method<&panTranslation>("translationInView:")
                               .method<&panSetTranslation>("setTranslation:inView:")
                               .method<&panVelocity>("velocityInView:")
                               .method<&panMin>("minimumNumberOfTouches")
                               .method<&panSetMin>("setMinimumNumberOfTouches:")
                               .method<&panMax>("maximumNumberOfTouches")
                               .method<&panSetMax>("setMaximumNumberOfTouches:")
                               .registerClass();
  return cls;
}

Class UITapGestureRecognizerClass() {
  using I = UITapGestureRecognizerIvars;
  static const Class cls = objc::ClassBuilder<I>("UITapGestureRecognizer", UIGestureRecognizerClass())
                               .ivar<&I::_numberOfTapsRequired>("_numberOfTapsRequired")
                               .ivar<&I::_numberOfTouchesRequired>("_numberOfTouchesRequired")
                               .method<&tapInit>("initWithTarget:action:")
                               .method<&tapBegan>("touchesBegan:withEvent:")
                               .method<&tapMoved>("touchesMoved:withEvent:")
                               .method<&tapEnded>("touchesEnded:withEvent:")
                               .method<&tapTaps>("numberOfTapsRequired")
                               .method<&tapSetTaps>("setNumberOfTapsRequired:")
                               .method<&tapTouches>("numberOfTouchesRequired")
                               .method<&tapSetTouches>("setNumberOfTouchesRequired:")
                               .registerClass();
  return cls;
}

Class UISwipeGestureRecognizerClass() {
  using I = UISwipeGestureRecognizerIvars;
  static const Class cls = objc::ClassBuilder<I>("UISwipeGestureRecognizer", UIGestureRecognizerClass())
                               .ivar<&I::_direction>("_direction")
                               .ivar<&I::_numberOfTouchesRequired>("_numberOfTouchesRequired")
                               .method<&swipeInit>("initWithTarget:action:")
                               .method<&swipeBegan>("touchesBegan:withEvent:")
                               .method<&swipeMoved>("touchesMoved:withEvent:")
                               .method<&swipeEnded>("touchesEnded:withEvent:")
                               .method<&swipeDirection>("direction")
                               .method<&swipeSetDirection>("setDirection:")
                               .method<&swipeTouches>("numberOfTouchesRequired")
                               .method<&swipeSetTouches>("setNumberOfTouchesRequired:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kLongPressAtLoad = UILongPressGestureRecognizerClass();
[[maybe_unused]] static const Class kPanAtLoad = UIPanGestureRecognizerClass();
[[maybe_unused]] static const Class kTapAtLoad = UITapGestureRecognizerClass();
[[maybe_unused]] static const Class kSwipeAtLoad = UISwipeGestureRecognizerClass();

}  // namespace uikit
