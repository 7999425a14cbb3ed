// Notification Center's window: SBBulletinWindow, a UIWindow that takes everything it
// does from UIWindow (sendEvent:, setWindowLevel:), and SBBulletinWindowController,
// which owns it, puts it on screen at its level each time the list is shown, and
// says whether the pull-down that shows the list may begin.
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <uikit/UIWindow.h>

namespace sb6::detail {

bool deviceIsLocked() {
  id away = shared("SBAwayController", sel<"sharedAwayController">());
  return away != nil && send<BOOL>(away, sel<"isLocked">());
}

namespace {

struct WindowControllerIvars : NSObjectIvars {
  id _window;  // retained SBBulletinWindow, made on first use
};

WindowControllerIvars* wc(id self) { return objc::ivars<WindowControllerIvars>(self); }

id wcShared(id, SEL) {
  id& slot = sharedSlot("SBBulletinWindowController");
  if (!slot) slot = newObject("SBBulletinWindowController");
  return slot;
}

id wcWindow(id self, SEL) {
  auto* c = wc(self);
  if (!c->_window) {
    c->_window = send<id>(send<id>(objc::classNamed("SBBulletinWindow"), sel<"alloc">()), sel<"initWithFrame:">(),
                          screenBounds());
  }
  return c->_window;
}

// The stock rule: the list may be pulled down, and pushed back up by its grabber, on
// an unlocked device only.
BOOL wcAllowsShowGesture(id, SEL) { return deviceIsLocked() ? NO : YES; }
BOOL wcAllowsHideGesture(id, SEL) { return deviceIsLocked() ? NO : YES; }

// The window comes on screen at the list's level (below the lock screen's window),
// set again at every showing.
void wcShowWindow(id self, SEL) {
  id window = send<id>(self, sel<"window">());
  send<void>(window, sel<"setWindowLevel:">(), kBulletinWindowLevel);
  send<void>(window, sel<"setHidden:">(), BOOL{NO});
}

void wcHideWindow(id self, SEL) {
  if (id window = wc(self)->_window) send<void>(window, sel<"setHidden:">(), BOOL{YES});
}

void wcDealloc(id self, SEL cmd) {
  auto* c = wc(self);
  if (c->_window) send<void>(c->_window, sel<"setHidden:">(), BOOL{YES});
  clear(c->_window);
  objc::sendSuper<void>(self, objc::classNamed("SBBulletinWindowController"), cmd);
}

}  // namespace

void registerBulletinWindowClasses() {
  // Everything of the window is UIWindow's own: a replacement of UIWindow's sendEvent:
  // or setWindowLevel: acts for it too.
  objc::ClassBuilder<UIWindowIvars>("SBBulletinWindow", objc::classNamed("UIWindow")).registerClass();
  objc::ClassBuilder<WindowControllerIvars>("SBBulletinWindowController", objc::NSObjectClass())
      .ivar<&WindowControllerIvars::_window>("_window")
      .method<&wcWindow>("window")
      .method<&wcAllowsShowGesture>("allowsShowNotificationsGesture")
      .method<&wcAllowsHideGesture>("allowsHideNotificationsGesture")
      .method<&wcShowWindow>("showWindow")
      .method<&wcHideWindow>("hideWindow")
      .method<&wcDealloc>("dealloc")
      .classMethod<&wcShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb6::detail
