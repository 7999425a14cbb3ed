// The Notification Center list on the lock screen: the state kept between the
// replaced host methods (the home-press flag, the shown-by-call flag, the pending
// notification, the front application's identifier), the fade of the lock screen's
// own views around the list, the silent unlock, and the tweak controller's methods
// that unlock, switch the status bar and run a notification's action.
#pragma once

#include <objcface/NSObject.h>

namespace noctil6 {

inline constexpr const char* kBiteSMSLibraryPath = "/usr/lib/biteSMSfw4.dylib";

struct LockState {
  BOOL homePress = NO;        // the home button was pressed less than 0.5 s ago
  BOOL shownByCall = NO;      // showListViewAnimated: ran since the gesture was last allowed
  objc::Ref pendingBulletin;  // tapped on a passcode-protected lock screen; run after the passcode
  objc::Ref frontApplication; // display identifier of the application in front, or nil
};

// The live state.  Main thread only.
LockState& lockState();
void resetLockState();

// Hides (alpha 0) or restores (alpha 1) the lock screen's own list, clock and lock
// bar around the list; the clock and lock bar only as the options say.
void fadeLockScreenViews(float alpha);

// Unlocks without the unlock sound and without touching the status bar.
void silentUnlock();

// The tweak controller's methods (class Noctil), bound by TweakController.cpp.
void enableLockStatusBarTime(id self, SEL cmd, BOOL show);
BOOL isPasswordProtected(id self, SEL cmd);
void lockBarUnlocked(id self, SEL cmd);
void unlockDevice(id self, SEL cmd);
void stopPlayingAlertIfNeeded(id self, SEL cmd);
void resetHomeButtonPress(id self, SEL cmd);
void delayShowListView(id self, SEL cmd);
void hideListViewAnimateFinished(id self, SEL cmd);
void handleBBAction(id self, SEL cmd);

}  // namespace noctil6
