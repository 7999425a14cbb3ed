#include <uikit/Simulation.h>
#include <uikit/UIApplication.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIView.h>

#include "DelegateQuestions.h"
#include "FoundationGlue.h"
#include "GestureInternals.h"
#include "Timers.h"
#include "TouchInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit::sim {

using objc::send;
using objc::sel;

namespace {

// Recognisers a touch on `hit` goes to: those of the view and its ancestors that are
// enabled and whose delegate lets them receive it, deepest view first.
std::vector<id> recognisersForTouch(id hit, id touch) {
  std::vector<id> out;
  for (id v = hit; v != nil; v = detail::viewIvars(v)->_superview) {
    if (!detail::viewIvars(v)->_viewStorage) continue;
    for (id g : detail::viewIvars(v)->_viewStorage->gestureRecognizers) {
      if (!detail::gestureIvars(g)->_enabled) continue;
      id delegate = detail::gestureIvars(g)->_delegate;
      SEL ask = sel<"gestureRecognizer:shouldReceiveTouch:">();
      if (delegate != nil && send<BOOL>(delegate, sel<"respondsToSelector:">(), ask) &&
          !detail::askDelegate(delegate, ask, g, touch))
        continue;
      out.push_back(g);
    }
  }
  return out;
}

void deliver(id touch, bool direct) {
  objc::AutoreleasePool pool;
  id event = detail::makeTouchEvent({touch}, detail::touchIvars(touch)->_timestamp);
  if (direct) detail::deliverTouches(event, nil);
  else send<void>(sharedApplication(), sel<"sendEvent:">(), event);
}

// Moves a finger that is down from `from` to `to` in `steps` equal moves over
// `seconds`, then lifts it.
objc::Status slideAndLift(Finger& finger, CGPoint from, CGPoint to, ns::TimeInterval seconds, int steps) {
  steps = std::max(steps, 1);
  for (int i = 1; i <= steps; ++i) {
    CGFloat f = static_cast<CGFloat>(i) / steps;
    auto moved = finger.moveTo(CGPointMake(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f), seconds / steps);
    if (!moved) return moved;
  }
  return finger.up();
}

}  // namespace

objc::Result<Finger> Finger::down(id view, CGPoint point, NSUInteger tapCount) {
  if (view == nil) return objc::makeError("no view to touch");
  id window = detail::windowOf(view);
  if (window == nil) return objc::makeError(std::string("the ") + objc::className(view) + " is not in a window");
  layoutTree(window);
  CGPoint inWindow = convertPoint(point, view, window);
  id hit = send<id>(window, sel<"hitTest:withEvent:">(), inWindow, static_cast<id>(nil));
  if (hit == nil) return objc::makeError("nothing takes touches at that point");
  Finger finger;
  finger.touch_ = detail::makeTouch(window, window, hit, inWindow, ns::now(), tapCount);
  finger.hitView_ = objc::retain(hit);
  finger.reference_ = objc::retain(view);
  finger.location_ = point;
  detail::setTouchRecognizers(finger.touch_, recognisersForTouch(hit, finger.touch_));
  deliver(finger.touch_, false);
  return finger;
}

objc::Result<Finger> Finger::downAtCentre(id view) {
  CGRect b = viewBounds(view);
  return down(view, CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)));
}

objc::Result<Finger> Finger::downOn(const std::vector<id>& recognisers, id view, CGPoint point) {
  if (view == nil) return objc::makeError("no view to touch");
  if (recognisers.empty()) return objc::makeError("no recogniser to drive");
  for (id g : recognisers)
    if (g == nil || !detail::gestureIvars(g)->_enabled) return objc::makeError("a recogniser to drive is disabled");
  id root = detail::rootOf(view);
  Finger finger;
  finger.direct_ = true;
  finger.touch_ = detail::makeTouch(root, detail::windowOf(view), view, detail::pointToRoot(view, point), ns::now(), 1);
  detail::touchIvars(finger.touch_)->_cancelledInView = YES;  // no view sees this touch
  finger.hitView_ = objc::retain(view);
  finger.reference_ = objc::retain(view);
  finger.location_ = point;
  detail::setTouchRecognizers(finger.touch_, recognisers);
  deliver(finger.touch_, true);
  return finger;
}

Finger::Finger(Finger&& other) noexcept { *this = std::move(other); }

Finger& Finger::operator=(Finger&& other) noexcept {
  if (this == &other) return *this;
  if (isDown()) (void)cancel();
  release();
  touch_ = std::exchange(other.touch_, nil);
  hitView_ = std::exchange(other.hitView_, nil);
  reference_ = std::exchange(other.reference_, nil);
  direct_ = other.direct_;
  location_ = other.location_;
  clockOffset_ = other.clockOffset_;
  return *this;
}

Finger::~Finger() {
  if (isDown()) (void)cancel();
  release();
}

void Finger::release() {
  objc::release(touch_);
  objc::release(hitView_);
  objc::release(reference_);
  touch_ = hitView_ = reference_ = nil;
}

objc::Status Finger::step(NSInteger phase, CGPoint point, ns::TimeInterval seconds) {
  if (!isDown()) return objc::makeError("the finger is not down");
  if (seconds > 0) clockOffset_ += seconds;
  location_ = point;
  id root = detail::touchIvars(touch_)->_root;
  detail::updateTouch(touch_, phase, convertPoint(point, reference_, root), ns::now() + clockOffset_);
  objc::Ref keep = objc::Ref::retain(touch_);
  deliver(touch_, direct_);
  if (phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled) {
    objc::release(touch_);
    touch_ = nil;
  }
  return objc::Ok{};
}

objc::Status Finger::moveTo(CGPoint point, ns::TimeInterval seconds) { return step(UITouchPhaseMoved, point, seconds); }
objc::Status Finger::moveBy(CGFloat dx, CGFloat dy, ns::TimeInterval seconds) {
  return moveTo(CGPointMake(location_.x + dx, location_.y + dy), seconds);
}
objc::Status Finger::up(ns::TimeInterval seconds) { return step(UITouchPhaseEnded, location_, seconds); }
objc::Status Finger::cancel() { return step(UITouchPhaseCancelled, location_, 0); }

objc::Result<Hand> Hand::down(id view, const std::vector<CGPoint>& points) {
  if (view == nil) return objc::makeError("no view to touch");
  if (points.empty()) return objc::makeError("a hand needs at least one finger");
  id window = detail::windowOf(view);
  if (window == nil) return objc::makeError(std::string("the ") + objc::className(view) + " is not in a window");
  layoutTree(window);
  Hand hand;
  hand.reference_ = objc::retain(view);
  double now = ns::now();
  for (CGPoint point : points) {
    CGPoint inWindow = convertPoint(point, view, window);
    id hit = send<id>(window, sel<"hitTest:withEvent:">(), inWindow, static_cast<id>(nil));
    if (hit == nil) return objc::makeError("nothing takes touches at that point");
    id touch = detail::makeTouch(window, window, hit, inWindow, now, 1);
    detail::setTouchRecognizers(touch, recognisersForTouch(hit, touch));
    hand.touches_.push_back(touch);
    hand.locations_.push_back(point);
  }
  objc::AutoreleasePool pool;
  send<void>(sharedApplication(), sel<"sendEvent:">(), detail::makeTouchEvent(hand.touches_, now));
  return hand;
}

Hand::Hand(Hand&& other) noexcept { *this = std::move(other); }

Hand& Hand::operator=(Hand&& other) noexcept {
  if (this == &other) return *this;
  if (isDown()) (void)cancel();
  release();
  touches_ = std::exchange(other.touches_, {});
  locations_ = std::exchange(other.locations_, {});
  reference_ = std::exchange(other.reference_, nil);
  clockOffset_ = other.clockOffset_;
  return *this;
}

Hand::~Hand() {
  if (isDown()) (void)cancel();
  release();
}

void Hand::release() {
  for (id t : touches_) objc::release(t);
  touches_.clear();
  objc::release(reference_);
  reference_ = nil;
}

objc::Status Hand::step(NSInteger phase, CGFloat dx, CGFloat dy, ns::TimeInterval seconds) {
  if (!isDown()) return objc::makeError("the hand is not down");
  if (seconds > 0) clockOffset_ += seconds;
  double when = ns::now() + clockOffset_;
  for (std::size_t i = 0; i < touches_.size(); ++i) {
    locations_[i] = CGPointMake(locations_[i].x + dx, locations_[i].y + dy);
    id root = detail::touchIvars(touches_[i])->_root;
    detail::updateTouch(touches_[i], phase, convertPoint(locations_[i], reference_, root), when);
  }
  std::vector<objc::Ref> keep;
  for (id t : touches_) keep.push_back(objc::Ref::retain(t));
  {
    objc::AutoreleasePool pool;
    send<void>(sharedApplication(), sel<"sendEvent:">(), detail::makeTouchEvent(touches_, when));
  }
  if (phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled) {
    for (id t : touches_) objc::release(t);
    touches_.clear();
  }
  return objc::Ok{};
}

objc::Status Hand::moveBy(CGFloat dx, CGFloat dy, ns::TimeInterval seconds) {
  return step(UITouchPhaseMoved, dx, dy, seconds);
}
objc::Status Hand::up(ns::TimeInterval seconds) { return step(UITouchPhaseEnded, 0, 0, seconds); }
objc::Status Hand::cancel() { return step(UITouchPhaseCancelled, 0, 0, 0); }

objc::Status tap(id view) {
  CGRect b = viewBounds(view);
  return tap(view, CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)));
}

objc::Status tap(id view, CGPoint point) {
  auto finger = Finger::down(view, point);
  if (!finger) return finger.error();
  return finger->up();
}

objc::Status press(id view, CGPoint point, ns::TimeInterval seconds) {
  auto finger = Finger::down(view, point);
  if (!finger) return finger.error();
  letTimePass(seconds);
  return finger->isDown() ? finger->up() : objc::Status(objc::Ok{});
}

objc::Status drag(id view, CGPoint from, CGPoint to, ns::TimeInterval seconds, int steps) {
  auto finger = Finger::down(view, from);
  if (!finger) return finger.error();
  return slideAndLift(*finger, from, to, seconds, steps);
}

objc::Status longPress(const std::vector<id>& recognisers, id view, ns::TimeInterval seconds) {
  if (seconds < 0) {
    seconds = 0;
    for (id g : recognisers)
      if (detail::isKindOfClass(g, UILongPressGestureRecognizerClass()))
        seconds = std::max(seconds, send<double>(g, sel<"minimumPressDuration">()));
    seconds += 0.05;
  }
  CGRect b = viewBounds(view);
  auto finger = Finger::downOn(recognisers, view, CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)));
  if (!finger) return finger.error();
  letTimePass(seconds);
  return finger->up();
}

objc::Status pan(const std::vector<id>& recognisers, id view, CGPoint from, CGPoint to, ns::TimeInterval seconds,
                 int steps) {
  auto finger = Finger::downOn(recognisers, view, from);
  if (!finger) return finger.error();
  return slideAndLift(*finger, from, to, seconds, steps);
}

std::vector<id> recognisersOf(id view, Class kind, bool andSubviews) {
  std::vector<id> out;
  if (view == nil) return out;
  if (detail::viewIvars(view)->_viewStorage)
    for (id g : detail::viewIvars(view)->_viewStorage->gestureRecognizers)
      if (detail::gestureIvars(g)->_enabled && (kind == Nil || detail::isKindOfClass(g, kind))) out.push_back(g);
  if (andSubviews)
    for (id sub : subviewsOf(view)) {
      std::vector<id> more = recognisersOf(sub, kind, true);
      out.insert(out.end(), more.begin(), more.end());
    }
  return out;
}

void letTimePass(ns::TimeInterval seconds) { detail::letTimePass(seconds); }

}  // namespace uikit::sim
