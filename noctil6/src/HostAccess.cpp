#include "HostAccess.h"

#include <uikit/UIKitTypes.h>

#include <cstring>

namespace noctil6 {

using objc::sel;

id nsString(const char* utf8) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), utf8);
}

id classObject(const char* className) { return reinterpret_cast<id>(objc_lookUpClass(className)); }

BOOL answers(id receiver, SEL selector) { return objc::responds(receiver, selector) ? YES : NO; }

id awayController() { return ask(classObject("SBAwayController"), sel<"sharedAwayController">()); }
id listController() { return ask(classObject("SBBulletinListController"), sel<"sharedInstance">()); }
id uiController() { return ask(classObject("SBUIController"), sel<"sharedInstance">()); }
id awayView() { return ask(awayController(), sel<"awayView">()); }
id application() { return ask(classObject("UIApplication"), sel<"sharedApplication">()); }

BOOL inLockContext() {
  id away = awayController();
  return ask<BOOL>(away, sel<"isLocked">()) && !ask<BOOL>(away, sel<"cameraIsActive">()) ? YES : NO;
}

BOOL listShown() { return ask<BOOL>(listController(), sel<"listViewIsActive">()); }

BOOL isPad() {
  id device = ask(classObject("UIDevice"), sel<"currentDevice">());
  return ask<NSInteger>(device, sel<"userInterfaceIdiom">()) == UIUserInterfaceIdiomPad ? YES : NO;
}

CGFloat mainScreenHeight() {
  id screen = ask(classObject("UIScreen"), sel<"mainScreen">());
  return ask<CGRect>(screen, sel<"bounds">()).size.height;
}

BOOL descriptionContains(id object, const char* text) {
  if (object == nil) return NO;
  id description = objc::send<id>(object, sel<"description">());
  NSRange found = ask<NSRange>(description, sel<"rangeOfString:">(), nsString(text));
  return description != nil && found.location != static_cast<NSUInteger>(NSNotFound) ? YES : NO;
}

id lastSubviewDescribedAs(id view, const char* text) {
  id subviews = ask(view, sel<"subviews">());
  id found = nil;
  const NSUInteger count = ask<NSUInteger>(subviews, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id subview = objc::send<id>(subviews, sel<"objectAtIndex:">(), i);
    if (descriptionContains(subview, text)) found = subview;
  }
  return found;
}

BOOL isKindOfClassNamed(id object, const char* className) {
  Class cls = objc_lookUpClass(className);
  if (object == nil || cls == Nil) return NO;
  return objc::send<BOOL>(object, sel<"isKindOfClass:">(), cls);
}

BOOL fileExists(const char* path) {
  id manager = objc::send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">());
  return objc::send<BOOL>(manager, sel<"fileExistsAtPath:">(), nsString(path));
}

void performAfterDelay(id receiver, SEL selector, double delay) {
  if (receiver == nil) return;
  objc::send<void>(receiver, sel<"performSelector:withObject:afterDelay:">(), selector, id{nil}, delay);
}

void beginAnimation(NSInteger curve, double duration) {
  id view = classObject("UIView");
  objc::send<void>(view, sel<"beginAnimations:context:">(), id{nil}, static_cast<void*>(nullptr));
  objc::send<void>(view, sel<"setAnimationCurve:">(), curve);
  objc::send<void>(view, sel<"setAnimationDuration:">(), duration);
}

void commitAnimation() { objc::send<void>(classObject("UIView"), sel<"commitAnimations">()); }

CGRect frameOf(id view) { return ask<CGRect>(view, sel<"frame">()); }

void setFrame(id view, CGRect frame) { ask<void>(view, sel<"setFrame:">(), frame); }

void setFrameY(id view, CGFloat y) {
  if (view == nil) return;
  CGRect frame = frameOf(view);
  frame.origin.y = y;
  setFrame(view, frame);
}

void setFrameX(id view, CGFloat x) {
  if (view == nil) return;
  CGRect frame = frameOf(view);
  frame.origin.x = x;
  setFrame(view, frame);
}

id ivarNamed(id object, const char* name) {
  if (object == nil) return nil;
  Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
  if (ivar == nullptr) return nil;
  id value = nil;
  std::memcpy(&value, reinterpret_cast<char*>(object) + ivar_getOffset(ivar), sizeof value);
  return value;
}

}  // namespace noctil6
