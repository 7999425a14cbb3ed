// The lock screen: SBLockScreenManager (locks and unlocks the UI, showing the lock
// screen in a window of its own) and SBLockScreenViewController, whose
// _notificationController holds the notifications that arrived while locked.
#include "Classes.h"
#include "Common.h"

#include <uikit/UIViewController.h>

namespace sb7::detail {
namespace {

// Below Notification Center, which can be pulled down over the lock screen.
constexpr CGFloat kLockScreenWindowLevel = 1050;

struct LockVCIvars : UIViewControllerIvars {
  id _notificationController;  // retained SBLockScreenNotificationListController
  id _dateLabel;
  id _slideLabel;
};

LockVCIvars* lvc(id self) { return objc::ivars<LockVCIvars>(self); }
Class lvcClass() { return objc::classNamed("SBLockScreenViewController"); }

id lvcInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, lvcClass(), cmd);
  if (self) lvc(self)->_notificationController = newObject("SBLockScreenNotificationListController");
  return self;
}

id addLabel(id view, CGRect frame, const char* text) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(label, sel<"setText:">(), str(text));
  send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(view, sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

void lvcLoadView(id self, SEL) {
  CGRect bounds = screenBounds();
  id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  lvc(self)->_dateLabel = addLabel(view, CGRectMake(0, 40, bounds.size.width, 60), "9:41");
  send<void>(view, sel<"addSubview:">(), send<id>(lvc(self)->_notificationController, sel<"view">()));
  lvc(self)->_slideLabel = addLabel(view, CGRectMake(0, bounds.size.height - 60, bounds.size.width, 30), "slide to unlock");
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

id lvcNotificationController(id self, SEL) { return lvc(self)->_notificationController; }

void lvcDealloc(id self, SEL cmd) {
  clear(lvc(self)->_notificationController);
  objc::sendSuper<void>(self, lvcClass(), cmd);
}

struct ManagerIvars : NSObjectIvars {
  id _lockScreenViewController;  // retained
  id _window;                    // retained
  BOOL _isUILocked;
};

ManagerIvars* mgr(id self) { return objc::ivars<ManagerIvars>(self); }

id managerShared(id, SEL) {
  id& slot = sharedSlot("SBLockScreenManager");
  if (!slot) slot = newObject("SBLockScreenManager");
  return slot;
}

id managerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBLockScreenManager"), cmd);
  if (self) mgr(self)->_lockScreenViewController = newObject("SBLockScreenViewController");
  return self;
}

BOOL managerIsUILocked(id self, SEL) { return mgr(self)->_isUILocked; }
id managerLockScreenViewController(id self, SEL) { return mgr(self)->_lockScreenViewController; }

id listController(id self) { return send<id>(mgr(self)->_lockScreenViewController, sel<"notificationController">()); }

// Locking puts Notification Center away and shows the lock screen with an empty list,
// which collects the notifications that arrive until the next unlock.
void managerLock(id self, SEL, NSInteger, id) {
  auto* m = mgr(self);
  if (m->_isUILocked) return;
  send<void>(send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">()),
             sel<"dismissAnimated:">(), BOOL{NO});
  send<void>(listController(self), sel<"_clearListItems">());
  m->_isUILocked = YES;
  if (!m->_window) {
    m->_window = send<id>(send<id>(objc::classNamed("UIWindow"), sel<"alloc">()), sel<"initWithFrame:">(), screenBounds());
    send<void>(m->_window, sel<"setWindowLevel:">(), kLockScreenWindowLevel);
  }
  id controller = m->_lockScreenViewController;
  id view = send<id>(controller, sel<"view">());
  send<void>(view, sel<"setFrame:">(), screenBounds());
  send<void>(controller, sel<"viewWillAppear:">(), BOOL{NO});
  send<void>(m->_window, sel<"addSubview:">(), view);
  send<void>(m->_window, sel<"setHidden:">(), BOOL{NO});
  send<void>(controller, sel<"viewDidAppear:">(), BOOL{NO});
}

BOOL managerUnlock(id self, SEL, NSInteger, id) {
  auto* m = mgr(self);
  if (!m->_isUILocked) return NO;
  id controller = m->_lockScreenViewController;
  send<void>(controller, sel<"viewWillDisappear:">(), BOOL{NO});
  send<void>(send<id>(controller, sel<"view">()), sel<"removeFromSuperview">());
  send<void>(m->_window, sel<"setHidden:">(), BOOL{YES});
  m->_isUILocked = NO;
  send<void>(listController(self), sel<"_clearListItems">());
  send<void>(controller, sel<"viewDidDisappear:">(), BOOL{NO});
  return YES;
}

void managerDealloc(id self, SEL cmd) {
  auto* m = mgr(self);
  if (m->_window) send<void>(m->_window, sel<"setHidden:">(), BOOL{YES});
  clear(m->_lockScreenViewController);
  clear(m->_window);
  objc::sendSuper<void>(self, objc::classNamed("SBLockScreenManager"), cmd);
}

}  // namespace

void registerLockScreenClasses() {
  objc::ClassBuilder<LockVCIvars>("SBLockScreenViewController", objc::classNamed("UIViewController"))
      .ivar<&LockVCIvars::_notificationController>("_notificationController")
      .ivar<&LockVCIvars::_dateLabel>("_dateLabel")
      .ivar<&LockVCIvars::_slideLabel>("_slideLabel")
      .method<&lvcInit>("init")
      .method<&lvcLoadView>("loadView")
      .method<&lvcNotificationController>("notificationController")
      .method<&lvcDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<ManagerIvars>("SBLockScreenManager", objc::NSObjectClass())
      .ivar<&ManagerIvars::_lockScreenViewController>("_lockScreenViewController")
      .ivar<&ManagerIvars::_window>("_window")
      .ivar<&ManagerIvars::_isUILocked>("_isUILocked")
      .method<&managerInit>("init")
      .method<&managerIsUILocked>("isUILocked")
      .method<&managerLockScreenViewController>("lockScreenViewController")
      .method<&managerLock>("lockUIFromSource:withOptions:")
      .method<&managerUnlock>("unlockUIFromSource:withOptions:")
      .method<&managerDealloc>("dealloc")
      .classMethod<&managerShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb7::detail
