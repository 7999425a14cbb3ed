#include "ListHooks.h"

#include "HostAccess.h"
#include "Launch.h"
#include "LockScreen.h"
#include "Options.h"

#include <uikit/UIKitTypes.h>


namespace noctil6 {

using objc::sel;

hook::Slot<void(id, id)> gDidSelectRow;
hook::Slot<void(id)> gDidEndDecelerating;
hook::Slot<void(BOOL)> gShowListView;
hook::Slot<void(BOOL)> gSetListViewActive;
hook::Slot<BOOL()> gAllowsGesture;
hook::Slot<void(CGFloat)> gSetWindowLevel;
hook::Slot<void(id)> gWidgetTapped;

namespace {

constexpr double kScrollDimTimer = 20.0;
constexpr double kWidgetDimTimer = 20.0;
constexpr double kPadFadeDuration = 0.2;
constexpr CGFloat kAboveStatusBar = 50.0;

// Widgets whose tap needs the device unlocked first.
constexpr const char* kUnlockingWidgets[] = {"com.apple.stocksweeapp.bundle", "com.apple.weathernotifications.bundle",
                                             "com.dorvane.appscenter"};

BOOL listOnLockScreen() { return options().lockEnabled && launched() && inLockContext() ? YES : NO; }

BOOL isString(id value, const char* text) {
  return isKindOfClassNamed(value, "NSString") && objc::send<BOOL>(value, sel<"isEqualToString:">(), nsString(text))
             ? YES
             : NO;
}

// On a passcode-protected device: hide the list and bring the keypad up; otherwise
// unlock quietly.
void unlockOrAskForPasscode() {
  if (ask<BOOL>(tweakController(), sel<"isPasswordProtected">())) {
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
    ask<void>(tweakController(), sel<"lockBarUnlocked">());
  } else {
    silentUnlock();
  }
}

}  // namespace

void didSelectRowReplacement(id self, SEL cmd, id tableView, id indexPath) {
  if (listOnLockScreen()) {
    id bulletin = ask(self, sel<"_bulletinAtIndexPath:">(), indexPath);
    // With biteSMS installed, that tweak answers Messages notifications itself.
    const BOOL biteSMS = isString(ask(bulletin, sel<"sectionID">()), "com.apple.MobileSMS") && fileExists(kBiteSMSLibraryPath);
    if (!biteSMS) {
      if (ask<BOOL>(tweakController(), sel<"isPasswordProtected">())) {
        lockState().pendingBulletin = objc::Ref::retain(bulletin);
        ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
        ask<void>(tweakController(), sel<"lockBarUnlocked">());
      } else {
        silentUnlock();
      }
    }
  }
  gDidSelectRow(self, cmd, tableView, indexPath);
}

void didEndDeceleratingReplacement(id self, SEL cmd, id scrollView) {
  gDidEndDecelerating(self, cmd, scrollView);
  if (options().lockEnabled) ask<void>(awayController(), sel<"restartDimTimer:">(), kScrollDimTimer);
}

void showListViewReplacement(id self, SEL cmd, BOOL animated) {
  lockState().shownByCall = YES;
  gShowListView(self, cmd, animated);
}

void setListViewActiveReplacement(id self, SEL cmd, BOOL active) {
  if (inLockContext()) {
    beginAnimation(UIViewAnimationCurveEaseInOut, isPad() ? kPadFadeDuration : 0.0);
    fadeLockScreenViews(active ? 0.0f : 1.0f);
    commitAnimation();
    ask<void>(tweakController(), sel<"enableLockStatusBarTime:">(), active);
  }
  gSetListViewActive(self, cmd, active);
}

BOOL allowsGestureReplacement(id self, SEL cmd) {
  const BOOL allowed = gAllowsGesture(self, cmd);
  LockState& state = lockState();
  if (listOnLockScreen() && !allowed && state.shownByCall) {
    state.shownByCall = NO;
    return YES;
  }
  return allowed;
}

void setWindowLevelReplacement(id self, SEL cmd, CGFloat level) {
  gSetWindowLevel(self, cmd, listOnLockScreen() ? UIWindowLevelStatusBar + kAboveStatusBar : level);
}

void widgetTappedReplacement(id self, SEL cmd, id sender) {
  ask<void>(awayController(), sel<"restartDimTimer:">(), kWidgetDimTimer);
  if (!listOnLockScreen()) {
    gWidgetTapped(self, cmd, sender);
    return;
  }
  id sectionID = ask(ask(self, sel<"weeApp">()), sel<"sectionID">());
  for (const char* widget : kUnlockingWidgets) {
    if (isString(sectionID, widget)) {
      unlockOrAskForPasscode();
      break;
    }
  }
  gWidgetTapped(self, cmd, sender);
  // The tap opened an application: unlock and put the list away.
  if (ask(application(), sel<"_accessibilityFrontMostApplication">()) != nil) {
    silentUnlock();
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
  }
}

}  // namespace noctil6
