// SBAwayController: the lock screen's state — locked, the screen dark or lit (with
// the dim timer that darkens it), the passcode, the unlock calls and their sound, the
// camera and the alarm — and its window (SBAlertWindow holding the SBAwayView).
//
// Without a tweak, waking the screen only keeps the lock screen on for a while
// (attemptUnlock never unlocks); the device unlocks by the lock bar's knob (with the
// passcode keypad when a passcode is set) or by sliding a notification of the lock
// screen's list, which then performs that notification's action.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <uikit/UIColor.h>

namespace sb6::detail {
namespace {

constexpr CGFloat kBacklightWindowLevel = 10000;  // above every window: the screen is off

struct AwayControllerIvars : NSObjectIvars {
  id _awayView;          // retained SBAwayView
  id _window;            // retained SBAlertWindow
  id _backlightWindow;   // retained: black over everything while the screen is dark
  id _dimTimer;          // retained NSTimer, nil when not running
  id _pendingBulletin;   // retained: the notification to open once unlocked
  id _currentAlertItem;  // retained SBAlertItem
  BOOL _isLocked;
  BOOL _isDimmed;
  BOOL _cameraActive;
};

AwayControllerIvars* ac(id self) { return objc::ivars<AwayControllerIvars>(self); }
Class acClass() { return objc::classNamed("SBAwayController"); }

id application() { return send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">()); }
id uiController() { return shared("SBUIController", sel<"sharedInstance">()); }
id statusBarData() { return shared("SBStatusBarDataManager", sel<"sharedDataManager">()); }

id makeWindow(const char* className, CGFloat level) {
  id window = send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), screenBounds());
  send<void>(window, sel<"setWindowLevel:">(), level);
  return window;
}

id acShared(id, SEL) {
  id& slot = sharedSlot("SBAwayController");
  if (!slot) slot = newObject("SBAwayController");
  return slot;
}

// The lock screen is made with the controller and stays hidden until the device
// locks.
id acInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, acClass(), cmd);
  if (!self) return nil;
  auto* a = ac(self);
  a->_window = makeWindow("SBAlertWindow", kLockScreenWindowLevel);
  a->_awayView = send<id>(send<id>(objc::classNamed("SBAwayView"), sel<"alloc">()), sel<"initWithFrame:">(), screenBounds());
  send<void>(a->_window, sel<"addSubview:">(), a->_awayView);
  a->_backlightWindow = makeWindow("UIWindow", kBacklightWindowLevel);
  send<void>(a->_backlightWindow, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0, 1)));
  return self;
}

id acAwayView(id self, SEL) { return ac(self)->_awayView; }
BOOL acIsLocked(id self, SEL) { return ac(self)->_isLocked; }
BOOL acIsDimmed(id self, SEL) { return ac(self)->_isDimmed; }
BOOL acIsLockedAndUndimmed(id self, SEL) { return ac(self)->_isLocked && !ac(self)->_isDimmed ? YES : NO; }
BOOL acCameraIsActive(id self, SEL) { return ac(self)->_cameraActive; }
id acCurrentAlertItem(id self, SEL) { return ac(self)->_currentAlertItem; }

BOOL acIsPasswordProtected(id, SEL) {
  return send<BOOL>(shared("SBDeviceLockController", sel<"sharedController">()), sel<"isPasswordProtected">());
}

// ---- the dim timer ----

void stopDimTimer(id self) {
  auto* a = ac(self);
  if (a->_dimTimer) send<void>(a->_dimTimer, sel<"invalidate">());
  clear(a->_dimTimer);
}

// Runs the dim timer afresh for `seconds`, while the lock screen is lit (the camera
// keeps the screen on as long as it is up).
void acRestartDimTimer(id self, SEL, double seconds) {
  stopDimTimer(self);
  if (!ac(self)->_isLocked || ac(self)->_isDimmed || ac(self)->_cameraActive) return;
  ac(self)->_dimTimer = objc::retain(send<id>(objc::classNamed("NSTimer"),
                                              sel<"scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:">(),
                                              seconds, self, sel<"_dimTimerFired:">(), id{nil}, BOOL{NO}));
}

void acDimTimerFired(id self, SEL, id timer) {
  if (timer != ac(self)->_dimTimer) return;
  clear(ac(self)->_dimTimer);
  send<void>(self, sel<"dimScreen:">(), BOOL{YES});
}

// The screen goes dark: the keypad, the camera and a pending notification go with
// it, as the lock screen starts over at the next wake.
void acDimScreen(id self, SEL, BOOL) {
  auto* a = ac(self);
  if (a->_isDimmed) return;
  stopDimTimer(self);
  a->_isDimmed = YES;
  if (a->_isLocked) {
    send<void>(a->_awayView, sel<"hideDeviceLockKeypadAnimated:">(), BOOL{NO});
    send<void>(self, sel<"dismissCameraAnimated:">(), BOOL{NO});
    clear(a->_pendingBulletin);
  }
  send<void>(a->_backlightWindow, sel<"setHidden:">(), BOOL{NO});
}

void acUndimScreen(id self, SEL) {
  auto* a = ac(self);
  if (!a->_isDimmed) return;
  a->_isDimmed = NO;
  send<void>(a->_backlightWindow, sel<"setHidden:">(), BOOL{YES});
  send<void>(self, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// Sent when the screen wakes.  The stock lock screen stays locked: it only keeps
// the screen on for a while.
void acAttemptUnlock(id self, SEL) {
  if (!ac(self)->_isLocked) return;
  if (ac(self)->_isDimmed) send<void>(self, sel<"undimScreen">());
  send<void>(self, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// ---- locking ----

// Notification Center closes, the lock screen comes up with an empty list and its
// knob at the start, the status bar shows the lock and the home screen is put away.
void acLock(id self, SEL) {
  auto* a = ac(self);
  if (a->_isLocked) return;
  a->_isLocked = YES;
  send<void>(shared("SBBulletinListController", sel<"sharedInstance">()), sel<"hideListViewAnimated:">(), BOOL{NO});
  send<void>(send<id>(a->_awayView, sel<"bulletinController">()), sel<"_clearListItems">());
  send<void>(a->_awayView, sel<"hideDeviceLockKeypadAnimated:">(), BOOL{NO});
  send<void>(a->_awayView, sel<"resetLockBar">());
  send<void>(a->_awayView, sel<"setFrame:">(), screenBounds());
  send<void>(a->_window, sel<"setHidden:">(), BOOL{NO});
  send<void>(statusBarData(), sel<"enableLock:time:">(), BOOL{YES}, BOOL{NO});
  send<void>(uiController(), sel<"tearDownIconListAndBar">());
  noteSound("lock");
  send<void>(self, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// ---- unlocking ----

// Unlocks at once, with the unlock sound when `sound` is YES: the lock screen goes,
// the status bar shows the time, the home screen (or the app in front) comes back,
// and a notification slid on the lock screen performs its action.
void acFinishUnlock(id self, SEL, BOOL sound, NSInteger, BOOL) {
  auto* a = ac(self);
  if (!a->_isLocked) return;
  if (sound) noteSound("unlock");
  stopDimTimer(self);
  a->_isLocked = NO;
  a->_isDimmed = NO;
  a->_cameraActive = NO;
  send<void>(a->_backlightWindow, sel<"setHidden:">(), BOOL{YES});
  send<void>(a->_awayView, sel<"setCameraVisible:">(), BOOL{NO});
  send<void>(a->_awayView, sel<"hideDeviceLockKeypadAnimated:">(), BOOL{YES});
  send<void>(a->_window, sel<"setHidden:">(), BOOL{YES});
  send<void>(send<id>(a->_awayView, sel<"bulletinController">()), sel<"_clearListItems">());
  send<void>(statusBarData(), sel<"enableLock:time:">(), BOOL{NO}, BOOL{YES});
  send<void>(uiController(), sel<"restoreIconListAndBar">());
  objc::Ref bulletin = objc::Ref::retain(a->_pendingBulletin);
  clear(a->_pendingBulletin);
  if (bulletin) performBulletinAction(bulletin.get());
}

// The passcode is asked for unless `bypassPinLock`; without one the device unlocks.
void acUnlockWithSource(id self, SEL, BOOL sound, NSInteger source, BOOL isAutoUnlock, BOOL bypassPinLock) {
  if (!ac(self)->_isLocked) return;
  if (!bypassPinLock && send<BOOL>(self, sel<"isPasswordProtected">())) {
    send<void>(ac(self)->_awayView, sel<"showDeviceLockKeypadAnimated:">(), BOOL{YES});
    send<void>(self, sel<"restartDimTimer:">(), kKeypadDimSeconds);
    return;
  }
  send<void>(self, sel<"_finishUnlockWithSound:unlockSource:isAutoUnlock:">(), sound, source, isAutoUnlock);
}

// The older form of the same call, without a source or a bypass.
void acUnlockWithSound(id self, SEL, BOOL sound, BOOL isAutoUnlock) {
  send<void>(self, sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">(), sound, NSInteger{0}, isAutoUnlock,
             BOOL{NO});
}

// A notification slid on the lock screen: unlock, then perform its action.
void acUnlockWithPendingBulletin(id self, SEL, id bulletin) {
  if (!ac(self)->_isLocked || bulletin == nil) return;
  setRetained(ac(self)->_pendingBulletin, bulletin);
  send<void>(self, sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">(), BOOL{YES},
             kUnlockSourceBulletin, BOOL{NO}, BOOL{NO});
}

// A passcode typed on the keypad: the right one unlocks, with the unlock sound.
BOOL acAttemptDeviceUnlock(id self, SEL, id password, id) {
  BOOL right = send<BOOL>(shared("SBDeviceLockController", sel<"sharedController">()),
                          sel<"attemptDeviceUnlockWithPassword:appRequested:">(), password, BOOL{NO});
  if (!right) {
    send<void>(self, sel<"restartDimTimer:">(), kKeypadDimSeconds);
    return NO;
  }
  send<void>(self, sel<"_finishUnlockWithSound:unlockSource:isAutoUnlock:">(), BOOL{YES}, kUnlockSourcePasscode, BOOL{NO});
  return YES;
}

// The keypad has gone: without an unlock (cancelled), what it was to open is dropped
// and the lock screen stays lit a while longer.
void acDidAnimateLockKeypadOut(id self, SEL) {
  if (!ac(self)->_isLocked) return;
  clear(ac(self)->_pendingBulletin);
  send<void>(self, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// ---- camera and alarm ----

void acActivateCamera(id self, SEL) {
  if (!ac(self)->_isLocked || ac(self)->_isDimmed) return;
  ac(self)->_cameraActive = YES;
  send<void>(ac(self)->_awayView, sel<"setCameraVisible:">(), BOOL{YES});
  stopDimTimer(self);
}

void acDismissCamera(id self, SEL, BOOL) {
  if (!ac(self)->_cameraActive) return;
  ac(self)->_cameraActive = NO;
  send<void>(ac(self)->_awayView, sel<"setCameraVisible:">(), BOOL{NO});
  send<void>(self, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// An alert over the lock screen: it lights the screen and sounds.
void acActivateAlertItem(id self, SEL, id alertItem) {
  if (alertItem == nil) return;
  setRetained(ac(self)->_currentAlertItem, alertItem);
  send<void>(ac(self)->_awayView, sel<"setAlertTitle:">(), send<id>(alertItem, sel<"title">()));
  if (ac(self)->_isDimmed) send<void>(self, sel<"undimScreen">());
  if (send<BOOL>(alertItem, sel<"respondsToSelector:">(), sel<"playSound">())) send<void>(alertItem, sel<"playSound">());
}

void acDeactivateAlertItem(id self, SEL, id alertItem) {
  if (alertItem == nil || alertItem != ac(self)->_currentAlertItem) return;
  if (send<BOOL>(alertItem, sel<"respondsToSelector:">(), sel<"stopSound">())) send<void>(alertItem, sel<"stopSound">());
  send<void>(ac(self)->_awayView, sel<"setAlertTitle:">(), id{nil});
  clear(ac(self)->_currentAlertItem);
}

void acDealloc(id self, SEL cmd) {
  auto* a = ac(self);
  stopDimTimer(self);
  for (id window : {a->_window, a->_backlightWindow}) {
    if (window) send<void>(window, sel<"setHidden:">(), BOOL{YES});
  }
  for (id* slot : {&a->_pendingBulletin, &a->_currentAlertItem, &a->_awayView, &a->_window, &a->_backlightWindow}) {
    clear(*slot);
  }
  objc::sendSuper<void>(self, acClass(), cmd);
}

}  // namespace

// A notification's action: its default action's launch URL, else its app.
void performBulletinAction(id bulletin) {
  id url = send<id>(send<id>(bulletin, sel<"defaultAction">()), sel<"launchURL">());
  if (url) {
    send<void>(application(), sel<"applicationOpenURL:">(), url);
    return;
  }
  id app = send<id>(shared("SBApplicationController", sel<"sharedInstance">()), sel<"applicationWithDisplayIdentifier:">(),
                    send<id>(bulletin, sel<"sectionID">()));
  if (app) send<void>(uiController(), sel<"activateApplicationAnimated:">(), app);
}

void registerAwayControllerClasses() {
  objc::ClassBuilder<AwayControllerIvars>("SBAwayController", objc::NSObjectClass())
      .ivar<&AwayControllerIvars::_awayView>("_awayView")
      .ivar<&AwayControllerIvars::_window>("_window")
      .ivar<&AwayControllerIvars::_backlightWindow>("_backlightWindow")
      .ivar<&AwayControllerIvars::_dimTimer>("_dimTimer")
      .ivar<&AwayControllerIvars::_pendingBulletin>("_pendingBulletin")
      .ivar<&AwayControllerIvars::_currentAlertItem>("_currentAlertItem")
      .ivar<&AwayControllerIvars::_isLocked>("_isLocked")
      .ivar<&AwayControllerIvars::_isDimmed>("_isDimmed")
      .ivar<&AwayControllerIvars::_cameraActive>("_cameraActive")
      .method<&acInit>("init")
      .method<&acAwayView>("awayView")
      .method<&acIsLocked>("isLocked")
      .method<&acIsDimmed>("isDimmed")
      .method<&acIsLockedAndUndimmed>("isLockedAndUndimmed")
      .method<&acCameraIsActive>("cameraIsActive")
      .method<&acCurrentAlertItem>("currentAlertItem")
      .method<&acIsPasswordProtected>("isPasswordProtected")
      .method<&acRestartDimTimer>("restartDimTimer:")
      .method<&acDimTimerFired>("_dimTimerFired:")
      .method<&acDimScreen>("dimScreen:")
      .method<&acUndimScreen>("undimScreen")
      .method<&acAttemptUnlock>("attemptUnlock")
      .method<&acLock>("lock")
      .method<&acFinishUnlock>("_finishUnlockWithSound:unlockSource:isAutoUnlock:")
      .method<&acUnlockWithSource>("_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:")
      .method<&acUnlockWithSound>("_unlockWithSound:isAutoUnlock:")
      .method<&acUnlockWithPendingBulletin>("_unlockWithPendingBulletin:")
      .method<&acAttemptDeviceUnlock>("attemptDeviceUnlockWithPassword:lockViewOwner:")
      .method<&acDidAnimateLockKeypadOut>("didAnimateLockKeypadOut")
      .method<&acActivateCamera>("activateCamera")
      .method<&acDismissCamera>("dismissCameraAnimated:")
      .method<&acActivateAlertItem>("activateAlertItem:")
      .method<&acDeactivateAlertItem>("deactivateAlertItem:")
      .method<&acDealloc>("dealloc")
      .classMethod<&acShared>("sharedAwayController")
      .registerClass();
}

void registerAwayClasses() {
  registerDeviceLockClasses();
  registerAlertItemClasses();
  registerKeypadClasses();
  registerAwayViewClasses();
  registerAwayControllerClasses();
}

}  // namespace sb6::detail
