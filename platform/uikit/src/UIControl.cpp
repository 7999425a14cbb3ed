#include <uikit/UIApplication.h>
#include <uikit/UIControl.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <vector>

namespace uikit {

namespace detail {
struct ControlStorage {
  struct Entry {
    id target;  // not retained
    SEL action;
    NSUInteger events;
  };
  std::vector<Entry> entries;
};
}  // namespace detail

using objc::send;
using objc::sel;

namespace {

UIControlIvars* CT(id control) { return reinterpret_cast<UIControlIvars*>(control); }

detail::ControlStorage& storage(id control) {
  auto& slot = CT(control)->_controlStorage;
  if (!slot) slot = std::make_unique<detail::ControlStorage>();
  return *slot;
}

id controlInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIControlClass(), cmd, frame);
  if (self != nil) CT(self)->_enabled = YES;
  return self;
}

void controlDealloc(id self, SEL cmd) {
  CT(self)->_controlStorage.reset();
  objc::sendSuper<void>(self, UIControlClass(), cmd);
}

void controlAddTarget(id self, SEL, id target, SEL action, NSUInteger events) {
  if (action == nullptr || events == 0) return;
  for (auto& e : storage(self).entries)
    if (e.target == target && sel_isEqual(e.action, action)) {
      e.events |= events;
      return;
    }
  storage(self).entries.push_back({target, action, events});
}

void controlRemoveTarget(id self, SEL, id target, SEL action, NSUInteger events) {
  auto& entries = storage(self).entries;
  for (auto& e : entries)
    if ((target == nil || e.target == target) && (action == nullptr || sel_isEqual(e.action, action)))
      e.events &= ~events;
  entries.erase(std::remove_if(entries.begin(), entries.end(), [](const auto& e) { return e.events == 0; }),
                entries.end());
}

id controlAllTargets(id self, SEL) {
  std::vector<id> targets;
  for (auto& e : storage(self).entries)
    if (e.target != nil && std::find(targets.begin(), targets.end(), e.target) == targets.end())
      targets.push_back(e.target);
  return detail::makeNSSet(targets);
}

NSUInteger controlAllEvents(id self, SEL) {
  NSUInteger all = 0;
  for (auto& e : storage(self).entries) all |= e.events;
  return all;
}

id controlActionsFor(id self, SEL, id target, NSUInteger event) {
  std::vector<id> names;
  for (auto& e : storage(self).entries)
    if (e.target == target && (e.events & event)) names.push_back(detail::makeNSString(sel_getName(e.action)));
  return names.empty() ? nil : detail::makeNSArray(names);
}

void controlSendAction(id self, SEL, SEL action, id target, id event) {
  send<BOOL>(sharedApplication(), sel<"sendAction:to:from:forEvent:">(), action, target, self, event);
}

void sendEvents(id self, NSUInteger events, id event) {
  objc::Ref keep = objc::Ref::retain(self);
  std::vector<detail::ControlStorage::Entry> entries = storage(self).entries;
  for (auto& e : entries)
    if (e.events & events) send<void>(self, sel<"sendAction:to:forEvent:">(), e.action, e.target, event);
}

void controlSendActionsForEvents(id self, SEL, NSUInteger events) { sendEvents(self, events, nil); }

BOOL controlEnabled(id self, SEL) { return CT(self)->_enabled; }
void controlSetEnabled(id self, SEL, BOOL on) { CT(self)->_enabled = on ? YES : NO; }
BOOL controlSelected(id self, SEL) { return CT(self)->_selected; }
void controlSetSelected(id self, SEL, BOOL on) { CT(self)->_selected = on ? YES : NO; }
BOOL controlHighlighted(id self, SEL) { return CT(self)->_highlighted; }
void controlSetHighlighted(id self, SEL, BOOL on) { CT(self)->_highlighted = on ? YES : NO; }
NSUInteger controlState(id self, SEL) {
  NSUInteger state = UIControlStateNormal;
  if (CT(self)->_highlighted) state |= UIControlStateHighlighted;
  if (!CT(self)->_enabled) state |= UIControlStateDisabled;
  if (CT(self)->_selected) state |= UIControlStateSelected;
  return state;
}
BOOL controlTracking(id self, SEL) { return CT(self)->_tracking; }
BOOL controlTouchInside(id self, SEL) { return CT(self)->_touchInside; }
NSInteger controlHAlign(id self, SEL) { return CT(self)->_contentHorizontalAlignment; }
void controlSetHAlign(id self, SEL, NSInteger a) { CT(self)->_contentHorizontalAlignment = a; }
NSInteger controlVAlign(id self, SEL) { return CT(self)->_contentVerticalAlignment; }
void controlSetVAlign(id self, SEL, NSInteger a) { CT(self)->_contentVerticalAlignment = a; }

bool touchInside(id self, id touches) {
  for (id touch : detail::setElements(touches)) {
    CGPoint p = send<CGPoint>(touch, sel<"locationInView:">(), self);
    return send<BOOL>(self, sel<"pointInside:withEvent:">(), p, static_cast<id>(nil)) != NO;
  }
  return false;
}

void setHighlight(id self, bool on) {
  if ((CT(self)->_highlighted != NO) != on) send<void>(self, sel<"setHighlighted:">(), static_cast<BOOL>(on));
}

void controlTouchesBegan(id self, SEL, id, id event) {
  if (!CT(self)->_enabled) return;
  CT(self)->_tracking = YES;
  CT(self)->_touchInside = YES;
  setHighlight(self, true);
  sendEvents(self, UIControlEventTouchDown, event);
}

void controlTouchesMoved(id self, SEL, id touches, id event) {
  if (!CT(self)->_tracking) return;
  bool inside = touchInside(self, touches);
  bool was = CT(self)->_touchInside;
  CT(self)->_touchInside = inside ? YES : NO;
  setHighlight(self, inside);
  NSUInteger events = inside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
  if (inside != was) events |= inside ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
  sendEvents(self, events, event);
}

void controlTouchesEnded(id self, SEL, id touches, id event) {
  if (!CT(self)->_tracking) return;
  bool inside = touchInside(self, touches);
  CT(self)->_tracking = NO;
  CT(self)->_touchInside = NO;
  setHighlight(self, false);
  sendEvents(self, inside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside, event);
}

void controlTouchesCancelled(id self, SEL, id, id event) {
  if (!CT(self)->_tracking) return;
  CT(self)->_tracking = NO;
  CT(self)->_touchInside = NO;
  setHighlight(self, false);
  sendEvents(self, UIControlEventTouchCancel, event);
}

}  // namespace

Class UIControlClass() {
  using I = UIControlIvars;
  static const Class cls = objc::ClassBuilder<I>("UIControl", UIViewClass())
                               .ivar<&I::_enabled>("_enabled")
                               .ivar<&I::_selected>("_selected")
                               .ivar<&I::_highlighted>("_highlighted")
                               .ivar<&I::_tracking>("_tracking")
                               .ivar<&I::_touchInside>("_touchInside")
                               .ivar<&I::_contentHorizontalAlignment>("_contentHorizontalAlignment")
                               .ivar<&I::_contentVerticalAlignment>("_contentVerticalAlignment")
                               .ivar<&I::_controlStorage>("_controlStorage")
                               .method<&controlInitWithFrame>("initWithFrame:")
                               .method<&controlDealloc>("dealloc")
                               .method<&controlAddTarget>("addTarget:action:forControlEvents:")
                               .method<&controlRemoveTarget>("removeTarget:action:forControlEvents:")
                               .method<&controlAllTargets>("allTargets")
                               .method<&controlAllEvents>("allControlEvents")
                               .method<&controlActionsFor>("actionsForTarget:forControlEvent:")
                               .method<&controlSendAction>("sendAction:to:forEvent:")
                               .method<&controlSendActionsForEvents>("sendActionsForControlEvents:")
                               .method<&controlEnabled>("isEnabled")
                               .method<&controlSetEnabled>("setEnabled:")
                               .method<&controlSelected>("isSelected")
                               .method<&controlSetSelected>("setSelected:")
                               .method<&controlHighlighted>("isHighlighted")
                               .method<&controlSetHighlighted>("setHighlighted:")
                               .method<&controlState>("state")
                               .method<&controlTracking>("isTracking")
                               .method<&controlTouchInside>("isTouchInside")
                               .method<&controlHAlign>("contentHorizontalAlignment")
                               .method<&controlSetHAlign>("setContentHorizontalAlignment:")
                               .method<&controlVAlign>("contentVerticalAlignment")
                               .method<&controlSetVAlign>("setContentVerticalAlignment:")
                               .method<&controlTouchesBegan>("touchesBegan:withEvent:")
                               .method<&controlTouchesMoved>("touchesMoved:withEvent:")
                               .method<&controlTouchesEnded>("touchesEnded:withEvent:")
                               .method<&controlTouchesCancelled>("touchesCancelled:withEvent:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIControlAtLoad = UIControlClass();

}  // namespace uikit
