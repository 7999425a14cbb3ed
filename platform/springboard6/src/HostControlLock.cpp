// Host control, the user at the lock screen: the lock and home buttons, the dim
// timer running out, the lock bar's knob, the passcode keypad, and what the lock
// screen and the status bar show.
#include <springboard6/HostControl.h>

#include "Common.h"
#include "CoreClasses.h"
#include "HostControlState.h"

#include <objcface/Ivar.h>
#include <uikit/Simulation.h>

#include <string>

namespace sb6 {

using detail::sel;
using detail::send;

namespace {

constexpr int kKnobDragSteps = 10;
constexpr double kKnobDragSeconds = 0.3;
constexpr double kNotificationCenterTransition = 0.5;  // a little longer than its slide

id awayView() { return send<id>(detail::awayController(), sel<"awayView">()); }

void pressLockButton() {
  send<void>(detail::application(), sel<"lockButtonDown:">(), id{nil});
  send<void>(detail::application(), sel<"lockButtonUp:">(), id{nil});
}

bool screenDark() {
  id away = detail::awayController();
  return send<BOOL>(away, sel<"isLocked">()) && send<BOOL>(away, sel<"isDimmed">());
}

// Lets the keypad's slide finish (and whatever was asked to run meanwhile).
void waitForKeypad() { uikit::sim::letTimePass(detail::kKeypadAnimationSeconds + 0.05); }

}  // namespace

objc::Status lock() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  if (send<BOOL>(detail::awayController(), sel<"isLocked">())) return objc::makeError("the device is locked already");
  pressLockButton();  // locks; the screen goes dark
  settle();
  pressLockButton();  // and comes on again
  settle();
  return objc::Ok{};
}

objc::Status sleep() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  if (screenDark()) return objc::makeError("the screen is dark already");
  id away = detail::awayController();
  // Running out on an unlocked device, the timer locks it as it darkens the screen.
  if (!send<BOOL>(away, sel<"isLocked">())) send<void>(away, sel<"lock">());
  send<void>(away, sel<"dimScreen:">(), BOOL{YES});
  settle();
  return objc::Ok{};
}

objc::Status wake() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  if (!screenDark()) return objc::makeError("the screen is not dark");
  pressLockButton();
  settle();
  return objc::Ok{};
}

objc::Status unlockWithLockBar() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id away = detail::awayController();
  if (!send<BOOL>(away, sel<"isLocked">())) return objc::makeError("the device is not locked");
  if (screenDark()) return objc::makeError("the screen is dark");
  if (send<BOOL>(awayView(), sel<"isShowingDeviceLock">())) return objc::makeError("the passcode keypad is shown");
  id lockBar = objc::objectIvar(awayView(), "_lockBar");
  id knob = send<id>(lockBar, sel<"knob">());
  if (knob == nil || send<BOOL>(lockBar, sel<"isHidden">())) return objc::makeError("the lock bar is not shown");
  CGRect knobFrame = send<CGRect>(knob, sel<"frame">());
  CGRect well = send<CGRect>(send<id>(knob, sel<"superview">()), sel<"bounds">());
  CGPoint start = CGPointMake(knobFrame.size.width / 2, knobFrame.size.height / 2);
  auto finger = uikit::sim::Finger::down(knob, start);
  if (!finger) return finger.error();
  CGFloat distance = well.size.width;  // past the end of the well
  for (int i = 1; i <= kKnobDragSteps; ++i) {
    auto moved = finger->moveTo(CGPointMake(start.x + distance * i / kKnobDragSteps, start.y),
                                kKnobDragSeconds / kKnobDragSteps);
    if (!moved) return moved;
  }
  auto lifted = finger->up();
  settle();
  return lifted;
}

objc::Status typePasscode(const std::string& code) {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id keypad = send<id>(awayView(), sel<"deviceLockView">());
  if (keypad == nil) return objc::makeError("no passcode keypad is shown");
  for (char c : code) {
    if (c < '0' || c > '9') return objc::makeError(std::string("the keypad has no key '") + c + "'");
  }
  objc::Ref keep = objc::Ref::retain(keypad);
  auto keyTagged = [&](NSInteger tag) -> id {
    for (id key : detail::elements(send<id>(keypad, sel<"subviews">()))) {
      if (detail::isKind(key, "UIButton") && send<NSInteger>(key, sel<"tag">()) == tag) return key;
    }
    return nil;
  };
  for (char c : code) {
    if (send<id>(awayView(), sel<"deviceLockView">()) != keypad) break;  // submitted and gone
    if (auto tapped = uikit::sim::tap(keyTagged(c - '0')); !tapped) return tapped;
  }
  bool submitted = send<id>(awayView(), sel<"deviceLockView">()) != keypad ||
                   send<NSUInteger>(send<id>(keypad, sel<"enteredText">()), sel<"length">()) == 0;
  if (!submitted) {
    if (auto tapped = uikit::sim::tap(keyTagged(detail::kKeypadOKTag)); !tapped) return tapped;  // OK
  }
  waitForKeypad();
  settle();
  return objc::Ok{};
}

objc::Status cancelKeypad() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id keypad = send<id>(awayView(), sel<"deviceLockView">());
  if (keypad == nil) return objc::makeError("no passcode keypad is shown");
  for (id key : detail::elements(send<id>(keypad, sel<"subviews">()))) {
    if (detail::isKind(key, "UIButton") && send<NSInteger>(key, sel<"tag">()) == detail::kKeypadCancelTag) {
      auto tapped = uikit::sim::tap(key);
      if (!tapped) return tapped;
      waitForKeypad();
      settle();
      return objc::Ok{};
    }
  }
  return objc::makeError("the keypad has no Cancel key");
}

objc::Status pressHome() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id list = detail::shared("SBBulletinListController", sel<"sharedInstance">());
  bool listShown = list && send<BOOL>(list, sel<"listViewIsActive">());
  send<void>(detail::application(), sel<"menuButtonDown:">(), id{nil});
  send<void>(detail::application(), sel<"menuButtonUp:">(), id{nil});
  settle();
  if (listShown) uikit::sim::letTimePass(kNotificationCenterTransition);
  settle();
  return objc::Ok{};
}

bool isLocked() { return detail::launchedNow() && send<BOOL>(detail::awayController(), sel<"isLocked">()); }

bool isScreenDark() { return detail::launchedNow() && screenDark(); }

bool isKeypadShown() {
  return detail::launchedNow() && send<BOOL>(awayView(), sel<"isShowingDeviceLock">());
}

bool statusBarShowsTime() {
  if (!detail::launchedNow()) return false;
  objc::AutoreleasePool pool;
  id statusBar = send<id>(send<id>(detail::application(), sel<"statusBarWindow">()), sel<"statusBar">());
  return send<BOOL>(statusBar, sel<"showsTime">());
}

}  // namespace sb6
