#include "LockScreen.h"

#include "HostAccess.h"
#include "Launch.h"
#include "Options.h"

namespace noctil6 {

using objc::sel;

LockState& lockState() {
  static LockState state;
  return state;
}

void resetLockState() { lockState() = LockState{}; }

void fadeLockScreenViews(float alpha) {
  id view = awayView();
  const CGFloat value = alpha;
  // The lock screen's own notification list: hidden when faded out, and when shown
  // only if it has something to show.
  id subviews = ask(view, sel<"subviews">());
  const NSUInteger count = ask<NSUInteger>(subviews, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id subview = objc::send<id>(subviews, sel<"objectAtIndex:">(), i);
    if (!descriptionContains(subview, "SBAwayBulletinListView")) continue;
    ask<void>(subview, sel<"setAlpha:">(), value);
    BOOL hidden = YES;
    if (alpha > 0) {
      id items = ask(ask(view, sel<"bulletinController">()), sel<"listItems">());
      hidden = ask<NSUInteger>(items, sel<"count">()) == 0 ? YES : NO;
    }
    ask<void>(subview, sel<"setHidden:">(), hidden);
  }
  if (options().hideTimeView) {
    id clock = answers(view, sel<"dateView">())
                   ? ask(objc::send<id>(view, sel<"dateView">()), sel<"superview">())
                   : ask(ask(ask(view, sel<"dateHeaderView">()), sel<"superview">()), sel<"superview">());
    ask<void>(clock, sel<"setAlpha:">(), value);
  }
  if (options().hideLockBar) ask<void>(ivarNamed(view, "_lockBar"), sel<"setAlpha:">(), value);
  if (inLockContext() && alpha == 0.0f) {
    ask<void>(ask(listController(), sel<"listView">()), sel<"setCornerAlpha:">(), CGFloat{1.0});
  }
}

// Both unlock paths prefer the newer unlock call when the away controller has it.
static BOOL hasNewerUnlock(id away) {
  return answers(away, sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">());
}

static void finishUnlockQuietly(id away) {
  ask<void>(away, sel<"_finishUnlockWithSound:unlockSource:isAutoUnlock:">(), BOOL{NO}, NSInteger{0}, BOOL{YES});
}

void silentUnlock() {
  id away = awayController();
  if (hasNewerUnlock(away)) finishUnlockQuietly(away);
  else ask<void>(away, sel<"_unlockWithSound:isAutoUnlock:">(), BOOL{NO}, BOOL{YES});
}

void enableLockStatusBarTime(id, SEL, BOOL show) {
  id manager = ask(classObject("SBStatusBarDataManager"), sel<"sharedDataManager">());
  if (answers(manager, sel<"enableLock:time:">()))
    objc::send<void>(manager, sel<"enableLock:time:">(), BOOL{show ? NO : YES}, show);
  else
    ask<void>(manager, sel<"enableTime:">(), show);
}

BOOL isPasswordProtected(id, SEL) {
  id away = awayController();
  if (answers(away, sel<"isPasswordProtected">())) return objc::send<BOOL>(away, sel<"isPasswordProtected">());
  return ask<BOOL>(ask(classObject("SBDeviceLockController"), sel<"sharedController">()), sel<"isPasswordProtected">());
}

void lockBarUnlocked(id, SEL) {
  id view = awayView();
  ask<void>(view, sel<"lockBarUnlocked:">(), ivarNamed(view, "_lockBar"));
}

void unlockDevice(id self, SEL) {
  id away = awayController();
  if (hasNewerUnlock(away)) {
    finishUnlockQuietly(away);
    if (objc::send<id>(self, sel<"topApplication">()) != nil) ask<void>(application(), sel<"hideSpringBoardStatusBar">());
    else ask<void>(application(), sel<"showSpringBoardStatusBar">());
  } else {
    ask<void>(away, sel<"_unlockWithSound:isAutoUnlock:">(), options().unlockSound, BOOL{YES});
  }
}

void stopPlayingAlertIfNeeded(id, SEL) {
  if (ask(awayController(), sel<"currentAlertItem">()) == nil) return;
  id alert = classObject("SBSystemLocalNotificationAlert");
  if (answers(alert, sel<"stopPlayingAlertSoundOrRingtone">()))
    objc::send<void>(alert, sel<"stopPlayingAlertSoundOrRingtone">());
  else
    ask<void>(alert, sel<"stopPlayingAlertSoundOrTone">());
}

void resetHomeButtonPress(id, SEL) { lockState().homePress = NO; }

void delayShowListView(id, SEL) { ask<void>(listController(), sel<"showListViewAnimated:">(), BOOL{NO}); }

void hideListViewAnimateFinished(id, SEL) {
  id list = listController();
  ask<void>(list, sel<"hideListViewAnimated:">(), BOOL{NO});
  if (answers(list, sel<"_cleanupAfterHideListView">()))
    objc::send<void>(list, sel<"_cleanupAfterHideListView">());
  else
    ask<void>(list, sel<"_cleanupAfterHideListViewKeepingWindow:">(), BOOL{YES});
}

void handleBBAction(id, SEL) {
  LockState& state = lockState();
  if (!isKindOfClassNamed(state.pendingBulletin, "BBBulletin")) return;
  // Kept alive while the selection runs: a wrong passcode makes it pending again.
  objc::Ref bulletin = state.pendingBulletin;
  id list = listController();
  id tableView = ask(ask(list, sel<"listView">()), sel<"tableView">());
  id indexPath = ask(list, sel<"_indexPathForBulletin:">(), bulletin.get());
  ask<void>(list, sel<"tableView:didSelectRowAtIndexPath:">(), tableView, indexPath);
  state.pendingBulletin.reset();
}

}  // namespace noctil6
