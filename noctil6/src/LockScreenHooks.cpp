#include "LockScreenHooks.h"

#include "HostAccess.h"
#include "Launch.h"
#include "ListEditing.h"
#include "LockScreen.h"
#include "Options.h"

#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id)> gMenuButtonDown;
hook::Slot<void()> gFrontDisplayDidChange;
hook::Slot<void()> gFinishLaunching;
hook::Slot<void()> gAttemptUnlock;
hook::Slot<void()> gDidAnimateLockKeypadOut;
hook::Slot<void(void*, id, id)> gHandleCallNotification;
hook::Slot<BOOL(id, id)> gAttemptDeviceUnlock;

namespace {

// Seconds; the single-precision constants of the original timings, widened.
constexpr double kFirstShowDelay = 12.0;
constexpr double kLaunchDimTimer = 16.0;
constexpr double kHomePressWindow = 0.5;
constexpr double kHomeCloseDimTimer = 6.0;
constexpr double kBlurredShowDelay = static_cast<double>(0.04f);
constexpr double kPasscodeActionDelay = static_cast<double>(0.1f);
constexpr double kFadeDuration = static_cast<double>(0.2f);
constexpr int kIncomingCall = 4;

void statusBarTime(BOOL show) { ask<void>(tweakController(), sel<"enableLockStatusBarTime:">(), show); }

}  // namespace

void finishLaunchingReplacement(id self, SEL cmd) {
  gFinishLaunching(self, cmd);
  didFinishLaunching();
  // Launched on the lock screen (after a boot): the list shows by itself a little later.
  if (inLockContext() && options().defaultShow != 0 && !listShown()) {
    id away = awayController();
    performAfterDelay(away, sel<"attemptUnlock">(), kFirstShowDelay);
    ask<void>(away, sel<"restartDimTimer:">(), kLaunchDimTimer);
  }
  addListEditingMethods();
}

void attemptUnlockReplacement(id self, SEL cmd) {
  Options& o = options();
  LockState& state = lockState();
  if (launched() && inLockContext() && o.defaultShow == 0 && !state.homePress && listShown()) {
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{NO});
    statusBarTime(NO);
    fadeLockScreenViews(1.0f);
  }
  gAttemptUnlock(self, cmd);
  if (!launched() || !inLockContext()) return;
  // With the list off the lock screen it cannot show there; the status bar and the
  // lock screen's own views are then left as they are rather than switched for a
  // list that never comes (the lock screen's own notifications would vanish).
  if (o.defaultShow == 1 && o.lockEnabled && !state.homePress && !listShown()) {
    if (ask<BOOL>(tweakController(), sel<"blurEnabled">()))
      performAfterDelay(tweakController(), sel<"delayShowListView">(), kBlurredShowDelay);
    else
      ask<void>(listController(), sel<"showListViewAnimated:">(), BOOL{NO});
    statusBarTime(YES);
    fadeLockScreenViews(0.0f);
  }
  if (listShown()) {
    ask<void>(listController(), sel<"_cleanupAfterShowListView">());
    statusBarTime(YES);
    fadeLockScreenViews(0.0f);
  }
}

void didAnimateLockKeypadOutReplacement(id self, SEL cmd) {
  // As for attemptUnlock: nothing to show, and so nothing to switch, with the list off
  // the lock screen.
  if (launched() && inLockContext() && options().defaultShow != 0 && options().lockEnabled) {
    if (!listShown()) ask<void>(listController(), sel<"showListViewAnimated:">(), BOOL{YES});
    statusBarTime(YES);
    ask<void>(listController(), sel<"_cleanupAfterShowListView">());
  }
  gDidAnimateLockKeypadOut(self, cmd);
}

void menuButtonDownReplacement(id self, SEL cmd, id event) {
  LockState& state = lockState();
  state.homePress = YES;
  if (launched() && inLockContext()) {
    id away = awayController();
    const BOOL screenOn = ask<BOOL>(away, sel<"isLockedAndUndimmed">());
    if (listShown() && screenOn) {
      // On an iPad the lock views and the status bar follow through _setListViewActive:.
      if (!isPad()) {
        beginAnimation(UIViewAnimationCurveEaseInOut, kFadeDuration);
        fadeLockScreenViews(1.0f);
        commitAnimation();
        statusBarTime(NO);
      }
      ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
      ask<void>(away, sel<"restartDimTimer:">(), kHomeCloseDimTimer);
    } else if ((options().defaultShow == 0 || options().defaultShow == 1) && !screenOn) {
      // A press that wakes the screen does not count as a home press.
      state.homePress = NO;
    }
  }
  performAfterDelay(tweakController(), sel<"resetHomeButtonPress">(), kHomePressWindow);
  gMenuButtonDown(self, cmd, event);
}

void frontDisplayDidChangeReplacement(id self, SEL cmd) {
  gFrontDisplayDidChange(self, cmd);
  id controller = tweakController();
  if (ask<BOOL>(controller, sel<"bgImageEnabled">())) ask<void>(controller, sel<"createCustomBGImage">());
  id powerDown = ask(classObject("SBPowerDownController"), sel<"sharedInstance">());
  if (ask<BOOL>(awayController(), sel<"isLocked">()) || ask<BOOL>(powerDown, sel<"isOrderedFront">())) return;
  id identifier = ask(ask(controller, sel<"topApplication">()), sel<"displayIdentifier">());
  lockState().frontApplication =
      identifier != nil ? objc::Ref::adopt(objc::send<id>(identifier, sel<"copy">())) : objc::Ref();
}

void handleCallNotificationReplacement(id self, SEL cmd, void* connection, id type, id info) {
  id status = ask(info, sel<"objectForKey:">(), nsString("kCTCallStatus"));
  if (ask<int>(status, sel<"intValue">()) == kIncomingCall)
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
  gHandleCallNotification(self, cmd, connection, type, info);
}

BOOL attemptDeviceUnlockReplacement(id self, SEL cmd, id password, id lockViewOwner) {
  performAfterDelay(tweakController(), sel<"handleBBAction">(), kPasscodeActionDelay);
  return gAttemptDeviceUnlock(self, cmd, password, lockViewOwner);
}

}  // namespace noctil6
