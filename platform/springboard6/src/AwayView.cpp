// The lock screen's views: SBAwayView (the clock, the lock screen's own notification
// list, the slide-to-unlock bar and, when asked, the passcode keypad, the camera and
// an alarm), its clock SBAwayDateView, and SBAlertWindow, the window the lock screen
// is shown in (it handles events as every window does: no sendEvent: of its own).
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <foundation/Clock.h>
#include <uikit/UIColor.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include <ctime>

namespace sb6::detail {
namespace {

constexpr CGFloat kDateHeight = 96;
constexpr double kReferenceDateUnixSeconds = 978307200.0;

id colour(CGFloat white, CGFloat alpha) { return uikit::makeColor(uikit::Color::white(white, alpha)); }

id makeSubview(const char* className, CGRect frame, id parent) {
  id view = send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(parent, sel<"addSubview:">(), view);
  objc::release(view);
  return view;
}

id makeLabel(CGRect frame, id parent, CGFloat size) {
  id label = makeSubview("UILabel", frame, parent);
  send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(label, sel<"setTextColor:">(), colour(1, 1));
  send<void>(label, sel<"setFont:">(), send<id>(objc::classNamed("UIFont"), sel<"systemFontOfSize:">(), size));
  return label;
}

id awayController() { return shared("SBAwayController", sel<"sharedAwayController">()); }

// ---- SBAwayDateView: the time and the date, from the process clock ----

struct DateViewIvars : UIViewIvars {
  id _timeLabel;
  id _dateLabel;
};

id dateViewInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBAwayDateView"), cmd, frame);
  if (!self) return nil;
  auto* d = objc::ivars<DateViewIvars>(self);
  d->_timeLabel = makeLabel(CGRectMake(0, 4, frame.size.width, 60), self, 52);
  d->_dateLabel = makeLabel(CGRectMake(0, 64, frame.size.width, 24), self, 15);
  return self;
}

// The clock is brought up to date at every display cycle: laying it out sets it and
// asks for the next layout.
void dateViewLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, objc::classNamed("SBAwayDateView"), cmd);
  auto seconds = static_cast<std::time_t>(ns::now() + kReferenceDateUnixSeconds);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  char time[16];
  char weekdayAndMonth[48];
  char date[64];
  std::snprintf(time, sizeof time, "%d:%02d", parts.tm_hour % 12 == 0 ? 12 : parts.tm_hour % 12, parts.tm_min);
  std::strftime(weekdayAndMonth, sizeof weekdayAndMonth, "%A, %B", &parts);
  std::snprintf(date, sizeof date, "%s %d", weekdayAndMonth, parts.tm_mday);
  auto* d = objc::ivars<DateViewIvars>(self);
  send<void>(d->_timeLabel, sel<"setText:">(), str(time));
  send<void>(d->_dateLabel, sel<"setText:">(), str(date));
  send<void>(self, sel<"setNeedsLayout">());
}

// ---- SBAwayView ----

struct AwayViewIvars : UIViewIvars {
  id _dateHeaderView;    // the clock's container, a subview
  id _dateView;          // SBAwayDateView inside it
  id _bulletinController;  // retained SBAwayBulletinListController; its view is a subview
  id _lockBar;           // SBAwayLockBar, a subview
  id _deviceLockView;    // retained SBDeviceLockView while the keypad shows (or slides out)
  id _alertLabel;        // the alarm's title, hidden without an alarm
  id _cameraView;        // covers the lock screen while the camera is active
  BOOL _showingDeviceLock;
};

AwayViewIvars* av(id self) { return objc::ivars<AwayViewIvars>(self); }
Class avClass() { return objc::classNamed("SBAwayView"); }

CGFloat lockBarHeight() { return isPad() ? 140 : 96; }

id awayViewInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, avClass(), cmd, frame);
  if (!self) return nil;
  auto* a = av(self);
  CGFloat w = frame.size.width;
  CGFloat h = frame.size.height;
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::rgb(0.05, 0.08, 0.16, 1)));
  a->_dateHeaderView = makeSubview("UIView", CGRectMake(0, kStatusBarHeight, w, kDateHeight), self);
  send<void>(a->_dateHeaderView, sel<"setBackgroundColor:">(), colour(0, 0.5));
  a->_dateView = makeSubview("SBAwayDateView", CGRectMake(0, 0, w, kDateHeight), a->_dateHeaderView);
  a->_bulletinController = newObject("SBAwayBulletinListController");
  id list = send<id>(a->_bulletinController, sel<"view">());
  CGFloat listTop = kStatusBarHeight + kDateHeight + 8;
  send<void>(list, sel<"setFrame:">(), CGRectMake(0, listTop, w, h - listTop - lockBarHeight() - 8));
  send<void>(self, sel<"addSubview:">(), list);
  a->_alertLabel = makeLabel(CGRectMake(0, listTop, w, 44), self, 22);
  send<void>(a->_alertLabel, sel<"setBackgroundColor:">(), colour(0.2, 0.85));
  send<void>(a->_alertLabel, sel<"setHidden:">(), BOOL{YES});
  a->_lockBar = makeSubview("SBAwayLockBar", CGRectMake(0, h - lockBarHeight(), w, lockBarHeight()), self);
  send<void>(a->_lockBar, sel<"setDelegate:">(), self);
  a->_cameraView = makeSubview("UIView", CGRectMake(0, 0, w, h), self);
  send<void>(a->_cameraView, sel<"setBackgroundColor:">(), colour(0.02, 1));
  send<void>(makeLabel(CGRectMake(0, h / 2 - 20, w, 40), a->_cameraView, 20), sel<"setText:">(), str("Camera"));
  send<void>(a->_cameraView, sel<"setHidden:">(), BOOL{YES});
  return self;
}

id awayViewDateView(id self, SEL) { return av(self)->_dateView; }
id awayViewBulletinController(id self, SEL) { return av(self)->_bulletinController; }
id awayViewLockBar(id self, SEL) { return av(self)->_lockBar; }
id awayViewDeviceLockView(id self, SEL) { return av(self)->_showingDeviceLock ? av(self)->_deviceLockView : nil; }
BOOL awayViewIsShowingDeviceLock(id self, SEL) { return av(self)->_showingDeviceLock; }

// ---- the lock bar's delegate ----

void awayViewLockBarStartedTracking(id, SEL, id) {
  send<void>(awayController(), sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}
void awayViewLockBarStoppedTracking(id, SEL, id) {
  send<void>(awayController(), sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

// The knob reached the end: the device unlocks, or the keypad comes up when a
// passcode is set.
void awayViewLockBarUnlocked(id, SEL, id) {
  send<void>(awayController(), sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">(), BOOL{YES},
             kUnlockSourceLockBar, BOOL{NO}, BOOL{NO});
}

void awayViewResetLockBar(id self, SEL) {
  send<void>(av(self)->_lockBar, sel<"resetKnobPosition">());
  send<void>(av(self)->_lockBar, sel<"setHidden:">(), BOOL{av(self)->_showingDeviceLock});
}

// ---- the passcode keypad ----

CGFloat keypadHeight() { return 260; }

void awayViewShowDeviceLock(id self, SEL, BOOL animated) {
  auto* a = av(self);
  if (a->_showingDeviceLock) return;
  CGRect bounds = send<CGRect>(self, sel<"bounds">());
  if (a->_deviceLockView) send<void>(a->_deviceLockView, sel<"removeFromSuperview">());
  clear(a->_deviceLockView);
  a->_deviceLockView = send<id>(send<id>(objc::classNamed("SBDeviceLockView"), sel<"alloc">()), sel<"initWithFrame:">(),
                                CGRectMake(0, bounds.size.height, bounds.size.width, keypadHeight()));
  send<void>(a->_deviceLockView, sel<"setDelegate:">(), self);
  send<void>(self, sel<"addSubview:">(), a->_deviceLockView);
  a->_showingDeviceLock = YES;
  send<void>(a->_lockBar, sel<"setHidden:">(), BOOL{YES});
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBAwayViewKeypadIn"), static_cast<void*>(nullptr));
  send<void>(view, sel<"setAnimationDuration:">(), animated ? kKeypadAnimationSeconds : 0.0);
  send<void>(a->_deviceLockView, sel<"setFrame:">(),
             CGRectMake(0, bounds.size.height - keypadHeight(), bounds.size.width, keypadHeight()));
  send<void>(view, sel<"commitAnimations">());
}

// The keypad slides out; once it is gone the lock bar is back and the away
// controller hears didAnimateLockKeypadOut.
void awayViewHideDeviceLock(id self, SEL, BOOL animated) {
  auto* a = av(self);
  if (!a->_showingDeviceLock) return;
  a->_showingDeviceLock = NO;
  CGRect frame = send<CGRect>(a->_deviceLockView, sel<"frame">());
  frame.origin.y = send<CGRect>(self, sel<"bounds">()).size.height;
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBAwayViewKeypadOut"), static_cast<void*>(nullptr));
  send<void>(view, sel<"setAnimationDuration:">(), animated ? kKeypadAnimationSeconds : 0.0);
  send<void>(view, sel<"setAnimationDelegate:">(), self);
  send<void>(view, sel<"setAnimationDidStopSelector:">(), sel<"_deviceLockViewAnimatedOut">());
  send<void>(a->_deviceLockView, sel<"setFrame:">(), frame);
  send<void>(view, sel<"commitAnimations">());
}

void awayViewDeviceLockAnimatedOut(id self, SEL) {
  auto* a = av(self);
  if (a->_showingDeviceLock) return;  // shown again meanwhile
  if (a->_deviceLockView) send<void>(a->_deviceLockView, sel<"removeFromSuperview">());
  clear(a->_deviceLockView);
  send<void>(self, sel<"resetLockBar">());
  id controller = awayController();
  if (send<id>(controller, sel<"awayView">()) == self) send<void>(controller, sel<"didAnimateLockKeypadOut">());
}

// The keypad's owner passes a typed passcode on to the away controller; a wrong one
// is cleared from the keypad with a message.
void awayViewPasscodeEntered(id self, SEL, id keypad, id passcode) {
  objc::Ref keep = objc::Ref::retain(keypad);
  BOOL right = send<BOOL>(awayController(), sel<"attemptDeviceUnlockWithPassword:lockViewOwner:">(), passcode, self);
  if (!right) send<void>(keypad, sel<"showWrongPasscode">());
}

void awayViewPasscodeCancelled(id self, SEL, id) { send<void>(self, sel<"hideDeviceLockKeypadAnimated:">(), BOOL{YES}); }

// ---- alarm and camera ----

void awayViewSetAlertTitle(id self, SEL, id title) {
  send<void>(av(self)->_alertLabel, sel<"setText:">(), title);
  send<void>(av(self)->_alertLabel, sel<"setHidden:">(), BOOL{title == nil});
}

void awayViewSetCameraVisible(id self, SEL, BOOL visible) {
  send<void>(av(self)->_cameraView, sel<"setHidden:">(), BOOL{!visible});
}

void awayViewDealloc(id self, SEL cmd) {
  clear(av(self)->_bulletinController);
  clear(av(self)->_deviceLockView);
  objc::sendSuper<void>(self, avClass(), cmd);
}

}  // namespace

void registerAwayViewClasses() {
  objc::ClassBuilder<DateViewIvars>("SBAwayDateView", objc::classNamed("UIView"))
      .ivar<&DateViewIvars::_timeLabel>("_timeLabel")
      .ivar<&DateViewIvars::_dateLabel>("_dateLabel")
      .method<&dateViewInit>("initWithFrame:")
      .method<&dateViewLayoutSubviews>("layoutSubviews")
      .registerClass();
  objc::ClassBuilder<AwayViewIvars>("SBAwayView", objc::classNamed("UIView"))
      .ivar<&AwayViewIvars::_dateHeaderView>("_dateHeaderView")
      .ivar<&AwayViewIvars::_dateView>("_dateView")
      .ivar<&AwayViewIvars::_bulletinController>("_bulletinController")
      .ivar<&AwayViewIvars::_lockBar>("_lockBar")
      .ivar<&AwayViewIvars::_deviceLockView>("_deviceLockView")
      .ivar<&AwayViewIvars::_alertLabel>("_alertLabel")
      .ivar<&AwayViewIvars::_cameraView>("_cameraView")
      .ivar<&AwayViewIvars::_showingDeviceLock>("_showingDeviceLock")
      .method<&awayViewInit>("initWithFrame:")
      .method<&awayViewDateView>("dateView")
      .method<&awayViewBulletinController>("bulletinController")
      .method<&awayViewLockBar>("lockBar")
      .method<&awayViewDeviceLockView>("deviceLockView")
      .method<&awayViewIsShowingDeviceLock>("isShowingDeviceLock")
      .method<&awayViewLockBarStartedTracking>("lockBarStartedTracking:")
      .method<&awayViewLockBarStoppedTracking>("lockBarStoppedTracking:")
      .method<&awayViewLockBarUnlocked>("lockBarUnlocked:")
      .method<&awayViewResetLockBar>("resetLockBar")
      .method<&awayViewShowDeviceLock>("showDeviceLockKeypadAnimated:")
      .method<&awayViewHideDeviceLock>("hideDeviceLockKeypadAnimated:")
      .method<&awayViewDeviceLockAnimatedOut>("_deviceLockViewAnimatedOut")
      .method<&awayViewPasscodeEntered>("deviceLockView:passcodeEntered:")
      .method<&awayViewPasscodeCancelled>("deviceLockViewPasscodeEntryCancelled:")
      .method<&awayViewSetAlertTitle>("setAlertTitle:")
      .method<&awayViewSetCameraVisible>("setCameraVisible:")
      .method<&awayViewDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<UIWindowIvars>("SBAlertWindow", objc::classNamed("UIWindow")).registerClass();
}

}  // namespace sb6::detail
