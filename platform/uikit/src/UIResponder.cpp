#include <uikit/UIResponder.h>

#include "MenuInternals.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

// Not retained: a responder clears it in its dealloc.
id gFirstResponder = nil;

void setFirstResponder(id responder) {
  if (gFirstResponder == responder) return;
  gFirstResponder = responder;
  detail::firstResponderDidChange();
}

id nextResponder(id, SEL) { return nil; }
BOOL isFirstResponder(id self, SEL) { return gFirstResponder == self ? YES : NO; }
BOOL canBecomeFirstResponder(id, SEL) { return NO; }
BOOL canResignFirstResponder(id, SEL) { return YES; }

BOOL becomeFirstResponder(id self, SEL) {
  if (gFirstResponder == self) return YES;
  if (!send<BOOL>(self, sel<"canBecomeFirstResponder">())) return NO;
  if (id current = gFirstResponder) {
    objc::Ref keep = objc::Ref::retain(current);
    if (!send<BOOL>(current, sel<"resignFirstResponder">())) return NO;
  }
  setFirstResponder(self);
  return YES;
}

BOOL resignFirstResponder(id self, SEL) {
  if (!send<BOOL>(self, sel<"canResignFirstResponder">())) return NO;
  if (gFirstResponder == self) setFirstResponder(nil);
  return YES;
}

BOOL canPerformAction(id self, SEL, SEL action, id sender) {
  if (action == nullptr) return NO;
  if (class_respondsToSelector(object_getClass(self), action)) return YES;
  id next = send<id>(self, sel<"nextResponder">());
  return next ? send<BOOL>(next, sel<"canPerformAction:withSender:">(), action, sender) : NO;
}

// The first responder up the chain that implements the action and agrees to perform
// it (a responder that only passes the question on is not the target).
id targetForAction(id self, SEL, SEL action, id sender) {
  if (action == nullptr) return nil;
  for (id r = self; r != nil; r = send<id>(r, sel<"nextResponder">()))
    if (class_respondsToSelector(object_getClass(r), action) &&
        send<BOOL>(r, sel<"canPerformAction:withSender:">(), action, sender))
      return r;
  return nil;
}

template <objc::FixedString Name>
void forwardTouches(id self, SEL, id touches, id event) {
  if (id next = send<id>(self, sel<"nextResponder">())) send<void>(next, sel<Name>(), touches, event);
}

void responderDealloc(id self, SEL cmd) {
  if (gFirstResponder == self) setFirstResponder(nil);
  objc::sendSuper<void>(self, UIResponderClass(), cmd);
}

}  // namespace

Class UIResponderClass() {
  static const Class cls = objc::ClassBuilder<UIResponderIvars>("UIResponder", objc::NSObjectClass())
                               .method<&nextResponder>("nextResponder")
                               .method<&isFirstResponder>("isFirstResponder")
                               .method<&canBecomeFirstResponder>("canBecomeFirstResponder")
                               .method<&becomeFirstResponder>("becomeFirstResponder")
                               .method<&canResignFirstResponder>("canResignFirstResponder")
                               .method<&resignFirstResponder>("resignFirstResponder")
                               .method<&canPerformAction>("canPerformAction:withSender:")
                               .method<&targetForAction>("targetForAction:withSender:")
                               .method<&forwardTouches<"touchesBegan:withEvent:">>("touchesBegan:withEvent:")
                               .method<&forwardTouches<"touchesMoved:withEvent:">>("touchesMoved:withEvent:")
                               .method<&forwardTouches<"touchesEnded:withEvent:">>("touchesEnded:withEvent:")
                               .method<&forwardTouches<"touchesCancelled:withEvent:">>("touchesCancelled:withEvent:")
                               .method<&responderDealloc>("dealloc")
                               .registerClass();
  return cls;
}

id firstResponder() { return gFirstResponder; }

[[maybe_unused]] static const Class kUIResponderAtLoad = UIResponderClass();

}  // namespace uikit
