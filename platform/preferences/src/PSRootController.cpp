// PSRootController: the Settings app's stack of panes.  Pushing makes the pane's
// view (so its viewDidLoad runs) and shows it in place of the one below; popping
// shows the one below again.  The bottom pane is never popped.
#include <preferences/PSListController.h>

#include <foundation/NSArray.h>
#include <objcface/Send.h>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

PSRootControllerIvars* R(id self) { return objc::ivars<PSRootControllerIvars>(self); }

id controllers(id self) {
  if (!R(self)->_controllers) R(self)->_controllers = objc::retain(ns::mutableArray());
  return R(self)->_controllers;
}

void rootDealloc(id self, SEL cmd) {
  objc::release(R(self)->_controllers);
  R(self)->_controllers = nil;
  objc::sendSuper<void>(self, PSRootControllerClass(), cmd);
}

id rootTop(id self, SEL) { return send<id>(controllers(self), sel<"lastObject">()); }
id rootControllers(id self, SEL) { return objc::autorelease(send<id>(controllers(self), sel<"copy">())); }

// Shows `controller`'s view filling the stack's view, in place of whatever was there.
void show(id self, id controller) {
  id view = send<id>(self, sel<"view">());
  for (id sub : ns::elements(send<id>(view, sel<"subviews">()))) send<void>(sub, sel<"removeFromSuperview">());
  if (!controller) return;
  id paneView = send<id>(controller, sel<"view">());
  send<void>(paneView, sel<"setFrame:">(), send<CGRect>(view, sel<"bounds">()));
  send<void>(view, sel<"addSubview:">(), paneView);
}

void rootPush(id self, SEL, id controller, BOOL) {
  if (!controller) return;
  objc::Ref keep = objc::Ref::retain(controller);
  send<void>(controllers(self), sel<"addObject:">(), controller);
  if (!send<id>(controller, sel<"rootController">())) send<void>(controller, sel<"setRootController:">(), self);
  show(self, controller);
}
void rootPushController(id self, SEL, id controller) { rootPush(self, nullptr, controller, YES); }

id rootPop(id self, SEL, BOOL) {
  id list = controllers(self);
  if (send<NSUInteger>(list, sel<"count">()) < 2) return nil;
  id top = objc::autorelease(objc::retain(send<id>(list, sel<"lastObject">())));
  send<void>(list, sel<"removeLastObject">());
  show(self, send<id>(list, sel<"lastObject">()));
  return top;
}

}  // namespace

Class PSRootControllerClass() {
  static const Class cls = objc::ClassBuilder<PSRootControllerIvars>("PSRootController", uikit::UIViewControllerClass())
                               .ivar<&PSRootControllerIvars::_controllers>("_controllers")
                               .method<&rootDealloc>("dealloc")
                               .method<&rootTop>("topViewController")
                               .method<&rootControllers>("controllers")
                               .method<&rootControllers>("viewControllers")
                               .method<&rootPush>("pushController:animated:")
                               .method<&rootPushController>("pushController:")
                               .method<&rootPop>("popControllerAnimated:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kPSRootControllerAtLoad = PSRootControllerClass();

}  // namespace preferences
