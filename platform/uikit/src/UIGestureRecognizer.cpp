// UIGestureRecognizer: targets and actions, states, delegate questions, touch
// bookkeeping and the description.  The concrete kinds are in GestureKinds.cpp.
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIView.h>

#include "ActionDispatch.h"
#include "DelegateQuestions.h"
#include "FoundationGlue.h"
#include "GestureInternals.h"
#include "TouchInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <cstdio>

namespace uikit {

using detail::gestureIvars;
using detail::gestureStorage;
using objc::send;
using objc::sel;

const char* gestureStateName(NSInteger state) {
  static const char* kNames[] = {"Possible", "Began", "Changed", "Ended", "Cancelled", "Failed"};
  return state >= 0 && state <= 5 ? kNames[state] : "Unknown";
}

namespace detail {

GestureStorage& gestureStorage(id recogniser) {
  auto& slot = gestureIvars(recogniser)->_gestureStorage;
  if (!slot) slot = std::make_unique<GestureStorage>();
  return *slot;
}

double latestTimestamp(id touchSet) {
  double latest = 0;
  for (id t : setElements(touchSet)) latest = std::max(latest, touchIvars(t)->_timestamp);
  return latest;
}

CGPoint centroid(id recogniser) {
  GestureStorage& gs = gestureStorage(recogniser);
  if (gs.touches.empty()) return gs.lastCentroid;
  CGPoint sum{};
  for (id t : gs.touches) {
    sum.x += touchIvars(t)->_location.x;
    sum.y += touchIvars(t)->_location.y;
  }
  auto n = static_cast<CGFloat>(gs.touches.size());
  return CGPointMake(sum.x / n, sum.y / n);
}

bool addTouches(id recogniser, id touchSet) {
  GestureStorage& gs = gestureStorage(recogniser);
  bool newSequence = gs.touches.empty();
  if (newSequence) {
    NSInteger state = gestureIvars(recogniser)->_state;
    if (state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled ||
        state == UIGestureRecognizerStateFailed) {
      gestureIvars(recogniser)->_state = UIGestureRecognizerStatePossible;
      send<void>(recogniser, sel<"reset">());
    }
  }
  for (id t : setElements(touchSet)) {
    if (std::find(gs.touches.begin(), gs.touches.end(), t) != gs.touches.end()) continue;
    gs.touches.push_back(objc::retain(t));
    gs.root = objc::Ref::retain(touchIvars(t)->_root);
  }
  gs.lastCentroid = centroid(recogniser);
  return newSequence;
}

void moveTouches(id recogniser) { gestureStorage(recogniser).lastCentroid = centroid(recogniser); }

void removeTouches(id recogniser, id touchSet) {
  GestureStorage& gs = gestureStorage(recogniser);
  gs.lastCentroid = centroid(recogniser);
  for (id t : setElements(touchSet)) {
    auto it = std::find(gs.touches.begin(), gs.touches.end(), t);
    if (it == gs.touches.end()) continue;
    gs.touches.erase(it);
    objc::release(t);
  }
}

void transition(id recogniser, NSInteger state) { send<void>(recogniser, sel<"setState:">(), state); }

}  // namespace detail

namespace {

using detail::GestureStorage;

void dropTouches(id self) {
  GestureStorage& gs = gestureStorage(self);
  for (id t : gs.touches) {
    detail::removeTouchRecognizer(t, self);
    objc::release(t);
  }
  gs.touches.clear();
  gs.timer.cancel();
}

id gestureInitWithTarget(id self, SEL, id target, SEL action) {
  self = objc::sendSuper<id>(self, UIGestureRecognizerClass(), sel<"init">());
  if (self == nil) return nil;
  UIGestureRecognizerIvars* g = gestureIvars(self);
  g->_enabled = YES;
  g->_cancelsTouchesInView = YES;
  g->_delaysTouchesEnded = YES;
  if (target != nil && action != nullptr) gestureStorage(self).targets.push_back({target, action});
  return self;
}

id gestureInit(id self, SEL) {
  return send<id>(self, sel<"initWithTarget:action:">(), static_cast<id>(nil), static_cast<SEL>(nullptr));
}

void gestureDealloc(id self, SEL cmd) {
  if (gestureIvars(self)->_gestureStorage) {
    dropTouches(self);
    gestureIvars(self)->_gestureStorage.reset();
  }
  objc::sendSuper<void>(self, UIGestureRecognizerClass(), cmd);
}

void gestureAddTarget(id self, SEL, id target, SEL action) {
  if (target == nil || action == nullptr) return;
  auto& targets = gestureStorage(self).targets;
  for (const auto& t : targets)
    if (t.target == target && sel_isEqual(t.action, action)) return;
  targets.push_back({target, action});
}

void gestureRemoveTarget(id self, SEL, id target, SEL action) {
  auto& targets = gestureStorage(self).targets;
  targets.erase(std::remove_if(targets.begin(), targets.end(),
                               [&](const detail::GestureTarget& t) {
                                 return (target == nil || t.target == target) &&
                                        (action == nullptr || sel_isEqual(t.action, action));
                               }),
                targets.end());
}

NSInteger gestureState(id self, SEL) { return gestureIvars(self)->_state; }

// Whether the recogniser may leave Possible now: its delegate agrees, and every
// other recogniser already under way on the same touches agrees to run alongside.
bool mayBegin(id self) {
  id delegate = gestureIvars(self)->_delegate;
  if (delegate != nil && send<BOOL>(delegate, sel<"respondsToSelector:">(), sel<"gestureRecognizerShouldBegin:">()) &&
      !detail::askDelegate(delegate, sel<"gestureRecognizerShouldBegin:">(), self))
    return false;
  for (id t : gestureStorage(self).touches) {
    for (id other : detail::touchRecognizers(t)) {
      if (other == self) continue;
      NSInteger s = gestureIvars(other)->_state;
      if (s != UIGestureRecognizerStateBegan && s != UIGestureRecognizerStateChanged) continue;
      auto allows = [](id a, id b) {
        id d = gestureIvars(a)->_delegate;
        SEL q = sel<"gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:">();
        return d != nil && send<BOOL>(d, sel<"respondsToSelector:">(), q) && detail::askDelegate(d, q, a, b);
      };
      if (!allows(self, other) && !allows(other, self)) return false;
    }
  }
  return true;
}

void sendActions(id self) {
  objc::Ref keep = objc::Ref::retain(self);
  std::vector<detail::GestureTarget> targets = gestureStorage(self).targets;
  for (const auto& t : targets) detail::sendAction(t.target, t.action, self);
}

void gestureSetState(id self, SEL, NSInteger state) {
  UIGestureRecognizerIvars* g = gestureIvars(self);
  NSInteger old = g->_state;
  bool recognising = old == UIGestureRecognizerStatePossible &&
                     (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateEnded);
  if (recognising && !mayBegin(self)) state = UIGestureRecognizerStateFailed;
  g->_state = state;
  if (state == UIGestureRecognizerStateFailed || state == UIGestureRecognizerStatePossible) {
    gestureStorage(self).timer.cancel();
    return;
  }
  if (state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled)
    gestureStorage(self).timer.cancel();
  objc::Ref keep = objc::Ref::retain(self);
  if (recognising && g->_cancelsTouchesInView) detail::cancelTouchesInViews(gestureStorage(self).touches);
  sendActions(self);
}

id gestureView(id self, SEL) { return gestureIvars(self)->_view; }
id gestureDelegate(id self, SEL) { return gestureIvars(self)->_delegate; }
void gestureSetDelegate(id self, SEL, id delegate) { gestureIvars(self)->_delegate = delegate; }

BOOL gestureEnabled(id self, SEL) { return gestureIvars(self)->_enabled; }
void gestureSetEnabled(id self, SEL, BOOL enabled) {
  UIGestureRecognizerIvars* g = gestureIvars(self);
  g->_enabled = enabled ? YES : NO;
  if (enabled) return;
  if (g->_state == UIGestureRecognizerStateBegan || g->_state == UIGestureRecognizerStateChanged)
    detail::transition(self, UIGestureRecognizerStateCancelled);
  else if (g->_state == UIGestureRecognizerStatePossible && !gestureStorage(self).touches.empty())
    detail::transition(self, UIGestureRecognizerStateFailed);
  dropTouches(self);
}

BOOL gestureCancelsTouches(id self, SEL) { return gestureIvars(self)->_cancelsTouchesInView; }
void gestureSetCancelsTouches(id self, SEL, BOOL on) { gestureIvars(self)->_cancelsTouchesInView = on ? YES : NO; }
BOOL gestureDelaysBegan(id self, SEL) { return gestureIvars(self)->_delaysTouchesBegan; }
void gestureSetDelaysBegan(id self, SEL, BOOL on) { gestureIvars(self)->_delaysTouchesBegan = on ? YES : NO; }
BOOL gestureDelaysEnded(id self, SEL) { return gestureIvars(self)->_delaysTouchesEnded; }
void gestureSetDelaysEnded(id self, SEL, BOOL on) { gestureIvars(self)->_delaysTouchesEnded = on ? YES : NO; }

CGPoint gestureLocationInView(id self, SEL, id view) {
  CGPoint inRoot = detail::centroid(self);
  id root = gestureStorage(self).root.get();
  if (view == nil || root == nil) return inRoot;
  return convertPoint(inRoot, root, view);
}

CGPoint gestureLocationOfTouch(id self, SEL, NSUInteger index, id view) {
  auto& touches = gestureStorage(self).touches;
  if (index >= touches.size()) return CGPointZero;
  return send<CGPoint>(touches[index], sel<"locationInView:">(), view);
}

NSUInteger gestureNumberOfTouches(id self, SEL) { return gestureStorage(self).touches.size(); }

void gestureReset(id self, SEL) {
  GestureStorage& gs = gestureStorage(self);
  gs.timer.cancel();
  gs.tracking = false;
  gs.tapsSoFar = 0;
  gs.velocity = CGPointZero;
}

// The base class keeps the books; the kinds add their rules on top.
void gestureTouchesBegan(id self, SEL, id touches, id) { detail::addTouches(self, touches); }
void gestureTouchesMoved(id self, SEL, id, id) { detail::moveTouches(self); }
void gestureTouchesEnded(id self, SEL, id touches, id) { detail::removeTouches(self, touches); }
void gestureTouchesCancelled(id self, SEL, id touches, id) {
  detail::removeTouches(self, touches);
  NSInteger s = gestureIvars(self)->_state;
  if (s == UIGestureRecognizerStateBegan || s == UIGestureRecognizerStateChanged)
    detail::transition(self, UIGestureRecognizerStateCancelled);
  else if (s == UIGestureRecognizerStatePossible)
    detail::transition(self, UIGestureRecognizerStateFailed);
}

std::string shortDescription(id object) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %p>", static_cast<void*>(object));
  return std::string("<") + objc::className(object) + buffer;
}

id gestureDescription(id self, SEL) {
  UIGestureRecognizerIvars* g = gestureIvars(self);
  std::string text = objc::defaultDescription(self);
  text.pop_back();
  text += std::string("; state = ") + gestureStateName(g->_state);
  if (!g->_enabled) text += "; enabled = NO";
  if (!g->_cancelsTouchesInView) text += "; cancelsTouchesInView = NO";
  if (g->_delaysTouchesBegan) text += "; delaysTouchesBegan = YES";
  if (g->_view != nil) text += "; view = " + shortDescription(g->_view);
  const auto& targets = gestureStorage(self).targets;
  if (!targets.empty()) {
    text += targets.size() == 1 ? "; target= <" : "; targets= <";
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (i > 0) text += ", ";
      text += std::string("(action=") + sel_getName(targets[i].action) + ", target=" +
              shortDescription(targets[i].target) + ")";
    }
    text += ">";
  }
  text += ">";
  return detail::makeNSString(text);
}

}  // namespace

void gestureRecognizerDetached(id recogniser) {
  if (recogniser == nil) return;
  dropTouches(recogniser);
  gestureIvars(recogniser)->_state = UIGestureRecognizerStatePossible;
  gestureReset(recogniser, nullptr);
}

Class UIGestureRecognizerClass() {
  static const Class cls = [] {
    Class c = objc::ClassBuilder<UIGestureRecognizerIvars>("UIGestureRecognizer", objc::NSObjectClass())
                  .ivar<&UIGestureRecognizerIvars::_view>("_view")
                  .ivar<&UIGestureRecognizerIvars::_delegate>("_delegate")
                  .ivar<&UIGestureRecognizerIvars::_state>("_state")
                  .ivar<&UIGestureRecognizerIvars::_enabled>("_enabled")
                  .ivar<&UIGestureRecognizerIvars::_cancelsTouchesInView>("_cancelsTouchesInView")
                  .ivar<&UIGestureRecognizerIvars::_delaysTouchesBegan>("_delaysTouchesBegan")
                  .ivar<&UIGestureRecognizerIvars::_delaysTouchesEnded>("_delaysTouchesEnded")
                  .ivar<&UIGestureRecognizerIvars::_gestureStorage>("_gestureStorage")
                  .method<&gestureInit>("init")
                  .method<&gestureInitWithTarget>("initWithTarget:action:")
                  .method<&gestureDealloc>("dealloc")
                  .method<&gestureAddTarget>("addTarget:action:")
                  .method<&gestureRemoveTarget>("removeTarget:action:")
                  .method<&gestureState>("state")
                  .method<&gestureSetState>("setState:")
                  .method<&gestureView>("view")
                  .method<&gestureDelegate>("delegate")
                  .method<&gestureSetDelegate>("setDelegate:")
                  .method<&gestureEnabled>("isEnabled")
                  .method<&gestureEnabled>("enabled")
                  .method<&gestureSetEnabled>("setEnabled:")
                  .method<&gestureCancelsTouches>("cancelsTouchesInView")
                  .method<&gestureSetCancelsTouches>("setCancelsTouchesInView:")
                  .method<&gestureDelaysBegan>("delaysTouchesBegan")
                  .method<&gestureSetDelaysBegan>("setDelaysTouchesBegan:")
                  .method<&gestureDelaysEnded>("delaysTouchesEnded")
                  .method<&gestureSetDelaysEnded>("setDelaysTouchesEnded:")
                  .method<&gestureLocationInView>("locationInView:")
                  .method<&gestureLocationOfTouch>("locationOfTouch:inView:")
                  .method<&gestureNumberOfTouches>("numberOfTouches")
                  .method<&gestureReset>("reset")
                  .method<&gestureTouchesBegan>("touchesBegan:withEvent:")
                  .method<&gestureTouchesMoved>("touchesMoved:withEvent:")
                  .method<&gestureTouchesEnded>("touchesEnded:withEvent:")
                  .method<&gestureTouchesCancelled>("touchesCancelled:withEvent:")
                  .method<&gestureDescription>("description")
                  .registerClass();
    return c;
  }();
  return cls;
}

[[maybe_unused]] static const Class kUIGestureRecognizerAtLoad = UIGestureRecognizerClass();

}  // namespace uikit
