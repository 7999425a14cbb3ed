#include <uikit/UIApplication.h>
#include <uikit/UIWindow.h>

#include "ActionDispatch.h"
#include "FoundationGlue.h"
#include "TouchInternals.h"

#include <objcface/Send.h>

#include <cstdio>

namespace uikit {

namespace detail {
struct ApplicationStorage {
  std::vector<std::string> openedURLs;
};
}  // namespace detail

using objc::send;
using objc::sel;

namespace {

UIApplicationIvars* A(id app) { return reinterpret_cast<UIApplicationIvars*>(app); }

objc::Ref& shared() {
  static objc::Ref app;
  return app;
}

// Orientation set before the application exists is kept for it.
NSInteger gOrientation = UIInterfaceOrientationPortrait;

id appInit(id self, SEL cmd) {
  if (shared()) {
    std::fprintf(stderr, "UIApplication: there can only be one application object; %s refused\n",
                 objc::className(self));
    objc::release(self);
    return nil;
  }
  self = objc::sendSuper<id>(self, UIApplicationClass(), cmd);
  if (self == nil) return nil;
  A(self)->_activeInterfaceOrientation = gOrientation;
  A(self)->_statusBarOrientation = gOrientation;
  A(self)->_applicationStorage = std::make_unique<detail::ApplicationStorage>();
  shared() = objc::Ref::retain(self);
  return self;
}

void appDealloc(id self, SEL cmd) {
  A(self)->_applicationStorage.reset();
  objc::sendSuper<void>(self, UIApplicationClass(), cmd);
}

id appShared(id, SEL) { return sharedApplication(); }

id appDelegate(id self, SEL) { return A(self)->_delegate; }
void appSetDelegate(id self, SEL, id delegate) { A(self)->_delegate = delegate; }

id appKeyWindow(id, SEL) { return keyWindow(); }
id appWindows(id, SEL) { return detail::makeNSArray(windows()); }

NSInteger appActiveOrientation(id self, SEL) { return A(self)->_activeInterfaceOrientation; }
NSInteger appStatusBarOrientation(id self, SEL) { return A(self)->_statusBarOrientation; }
void appSetStatusBarOrientation(id self, SEL, NSInteger orientation) { A(self)->_statusBarOrientation = orientation; }
void appSetStatusBarOrientationAnimated(id self, SEL, NSInteger orientation, BOOL) {
  A(self)->_statusBarOrientation = orientation;
}

BOOL appOpenURL(id self, SEL, id url) {
  if (url == nil) return NO;
  id text = send<id>(url, sel<"absoluteString">());
  A(self)->_applicationStorage->openedURLs.push_back(detail::toStd(text));
  return YES;
}
BOOL appCanOpenURL(id, SEL, id url) { return url != nil ? YES : NO; }

void appSendEvent(id self, SEL, id event) {
  if (event == nil) return;
  if (A(self)->_ignoringInteractionEvents > 0) return;
  objc::Ref keep = objc::Ref::retain(event);
  std::vector<id> targets;
  for (id t : detail::eventTouches(event)) {
    id w = detail::touchIvars(t)->_window;
    if (w != nil && std::find(targets.begin(), targets.end(), w) == targets.end()) targets.push_back(w);
  }
  for (id w : targets) {
    objc::Ref window = objc::Ref::retain(w);
    send<void>(w, sel<"sendEvent:">(), event);
  }
}

BOOL appSendAction(id, SEL, SEL action, id target, id sender, id event) {
  if (action == nullptr) return NO;
  if (target == nil) {
    id start = firstResponder();
    if (start == nil) return NO;
    target = send<id>(start, sel<"targetForAction:withSender:">(), action, sender);
    if (target == nil) return NO;
  }
  detail::sendAction(target, action, sender, event);
  return YES;
}

void appBeginIgnoring(id self, SEL) { ++A(self)->_ignoringInteractionEvents; }
void appEndIgnoring(id self, SEL) {
  if (A(self)->_ignoringInteractionEvents > 0) --A(self)->_ignoringInteractionEvents;
}
BOOL appIsIgnoring(id self, SEL) { return A(self)->_ignoringInteractionEvents > 0 ? YES : NO; }

BOOL appStatusBarHidden(id self, SEL) { return A(self)->_statusBarHidden; }
void appSetStatusBarHidden(id self, SEL, BOOL hidden) { A(self)->_statusBarHidden = hidden ? YES : NO; }
void appSetStatusBarHiddenAnimated(id self, SEL, BOOL hidden, BOOL) { A(self)->_statusBarHidden = hidden ? YES : NO; }
NSInteger appState(id, SEL) { return 0; }

id appNextResponder(id self, SEL) {
  id d = A(self)->_delegate;
  return detail::isKindOfClass(d, UIResponderClass()) ? d : nil;
}

}  // namespace

Class UIApplicationClass() {
  static const Class cls =
      objc::ClassBuilder<UIApplicationIvars>("UIApplication", UIResponderClass())
          .ivar<&UIApplicationIvars::_delegate>("_delegate")
          .ivar<&UIApplicationIvars::_activeInterfaceOrientation>("_activeInterfaceOrientation")
          .ivar<&UIApplicationIvars::_statusBarOrientation>("_statusBarOrientation")
          .ivar<&UIApplicationIvars::_ignoringInteractionEvents>("_ignoringInteractionEvents")
          .ivar<&UIApplicationIvars::_statusBarHidden>("_statusBarHidden")
          .ivar<&UIApplicationIvars::_applicationStorage>("_applicationStorage")
          .method<&appInit>("init")
          .method<&appDealloc>("dealloc")
          .classMethod<&appShared>("sharedApplication")
          .method<&appDelegate>("delegate")
          .method<&appSetDelegate>("setDelegate:")
          .method<&appKeyWindow>("keyWindow")
          .method<&appWindows>("windows")
          .method<&appActiveOrientation>("activeInterfaceOrientation")
          .method<&appStatusBarOrientation>("statusBarOrientation")
          .method<&appSetStatusBarOrientation>("setStatusBarOrientation:")
          .method<&appSetStatusBarOrientationAnimated>("setStatusBarOrientation:animated:")
          .method<&appOpenURL>("openURL:")
          .method<&appCanOpenURL>("canOpenURL:")
          .method<&appSendEvent>("sendEvent:")
          .method<&appSendAction>("sendAction:to:from:forEvent:")
          .method<&appBeginIgnoring>("beginIgnoringInteractionEvents")
          .method<&appEndIgnoring>("endIgnoringInteractionEvents")
          .method<&appIsIgnoring>("isIgnoringInteractionEvents")
          .method<&appStatusBarHidden>("isStatusBarHidden")
          .method<&appSetStatusBarHidden>("setStatusBarHidden:")
          .method<&appSetStatusBarHiddenAnimated>("setStatusBarHidden:animated:")
          .method<&appState>("applicationState")
          .method<&appNextResponder>("nextResponder")
          .registerClass();
  return cls;
}

id sharedApplication() {
  if (!shared()) {
    id app = objc::allocInit(UIApplicationClass());
    objc::release(app);  // init made the shared reference
  }
  return shared().get();
}

objc::Result<id> makeSharedApplication(Class cls) {
  if (shared()) return objc::makeError("an application object exists already");
  bool isApplication = false;
  for (Class c = cls; c != Nil; c = class_getSuperclass(c))
    if (c == UIApplicationClass()) isApplication = true;
  if (!isApplication) return objc::makeError("not a UIApplication class");
  id app = objc::allocInit(cls);
  if (app == nil) return objc::makeError("the application object refused to initialise");
  objc::release(app);
  return app;
}

void resetSharedApplication() { shared().reset(); }

void setInterfaceOrientation(NSInteger orientation) {
  gOrientation = orientation;
  if (id app = shared().get()) {
    A(app)->_activeInterfaceOrientation = orientation;
    A(app)->_statusBarOrientation = orientation;
  }
}

std::vector<std::string> openedURLs() {
  id app = shared().get();
  return app ? A(app)->_applicationStorage->openedURLs : std::vector<std::string>{};
}

void clearOpenedURLs() {
  if (id app = shared().get()) A(app)->_applicationStorage->openedURLs.clear();
}

[[maybe_unused]] static const Class kUIApplicationAtLoad = UIApplicationClass();

}  // namespace uikit
