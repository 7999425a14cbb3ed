// The application object SpringBoard (the shared UIApplication of the home screen) and
// SBUIController, which builds the home screen when launching finishes and answers the
// home button.
#include "Classes.h"
#include "Common.h"

#include <corefoundation/LaunchApplication.h>
#include <uikit/UIApplication.h>

namespace sb7::detail {
namespace {

void springBoardDidFinishLaunching(id, SEL, id) {
  send<void>(send<id>(objc::classNamed("SBUIController"), sel<"sharedInstance">()), sel<"finishLaunching">());
}

// Starts an app in the background; NO when it is not known or cannot be started.
BOOL springBoardLaunch(id, SEL, id identifier, BOOL suspended) {
  if (identifier == nil) return NO;
  auto outcome = ns::launchApplication(text(identifier), suspended == YES);
  return outcome.ok() ? YES : NO;
}

void springBoardMenuButton(id, SEL) {
  send<void>(send<id>(objc::classNamed("SBUIController"), sel<"sharedInstance">()), sel<"clickedMenuButton">());
}

struct UIControllerIvars : NSObjectIvars {
  id _window;       // retained
  id _contentView;  // the home screen, a subview of the window
  BOOL _launched;
};

UIControllerIvars* uic(id self) { return objc::ivars<UIControllerIvars>(self); }

id uiControllerShared(id, SEL) {
  id& slot = sharedSlot("SBUIController");
  if (!slot) slot = newObject("SBUIController");
  return slot;
}

// The home screen: a window with the icons of the installed apps; Notification Center
// and the lock screen are made now, so their lists follow the bulletin server from the
// start.
void uiControllerFinishLaunching(id self, SEL) {
  auto* c = uic(self);
  if (c->_launched) return;
  c->_launched = YES;
  CGRect bounds = screenBounds();
  c->_window = send<id>(send<id>(objc::classNamed("UIWindow"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  c->_contentView = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  send<void>(c->_window, sel<"addSubview:">(), c->_contentView);
  objc::release(c->_contentView);
  send<void>(send<id>(objc::classNamed("SBIconViewMap"), sel<"homescreenMap">()), sel<"setIconListView:">(),
             c->_contentView);
  send<void>(c->_window, sel<"makeKeyAndVisible">());
  id nc = send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">());
  send<id>(send<id>(nc, sel<"viewController">()), sel<"view">());
  id lockManager = send<id>(objc::classNamed("SBLockScreenManager"), sel<"sharedInstance">());
  send<id>(send<id>(lockManager, sel<"lockScreenViewController">()), sel<"view">());
}

id uiControllerWindow(id self, SEL) { return uic(self)->_window; }
id uiControllerContentView(id self, SEL) { return uic(self)->_contentView; }

// The home button closes Notification Center when it is open.
void uiControllerClickedMenuButton(id, SEL) {
  id nc = send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">());
  if (send<BOOL>(nc, sel<"isVisible">())) send<void>(nc, sel<"dismissAnimated:">(), BOOL{YES});
}

void uiControllerDealloc(id self, SEL cmd) {
  if (uic(self)->_window) send<void>(uic(self)->_window, sel<"setHidden:">(), BOOL{YES});
  clear(uic(self)->_window);
  objc::sendSuper<void>(self, objc::classNamed("SBUIController"), cmd);
}

}  // namespace

void registerApplicationClasses() {
  objc::ClassBuilder<UIApplicationIvars>("SpringBoard", objc::classNamed("UIApplication"))
      .method<&springBoardDidFinishLaunching>("applicationDidFinishLaunching:")
      .method<&springBoardLaunch>("launchApplicationWithIdentifier:suspended:")
      .method<&springBoardMenuButton>("_handleMenuButtonEvent")
      .registerClass();
  objc::ClassBuilder<UIControllerIvars>("SBUIController", objc::NSObjectClass())
      .ivar<&UIControllerIvars::_window>("_window")
      .ivar<&UIControllerIvars::_contentView>("_contentView")
      .ivar<&UIControllerIvars::_launched>("_launched")
      .method<&uiControllerFinishLaunching>("finishLaunching")
      .method<&uiControllerWindow>("window")
      .method<&uiControllerContentView>("contentView")
      .method<&uiControllerClickedMenuButton>("clickedMenuButton")
      .method<&uiControllerDealloc>("dealloc")
      .classMethod<&uiControllerShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb7::detail
