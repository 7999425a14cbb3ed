// The runtime classes of the iOS 6 home screen, registered by sb6::registerClasses()
// (HostControl.h), with the C types of their methods as the runtime records them.
// Code outside the home screen reaches them only by name and message send.
//
// Which class defines and which only inherits each method a tweak replaces is stated
// with the class: a replacement installed in place on an inherited method acts for
// the superclass and every class that inherits it.
//
// (Each group below is completed by the files that register it; see src/Classes.h.)
//
// ---- Application (core group) ----
//   SpringBoard : UIApplication — the shared application.
//     applicationDidFinishLaunching:(id) sends finishLaunching to SBUIController;
//     statusBarWindow (UIStatusBarWindow, made on first use);
//     menuButtonDown:(id) and menuButtonUp:(id), the home button (a GSEventRef, nil
//       here): the press wakes a dark screen (undimScreen, then attemptUnlock to
//       SBAwayController); the release restarts the lock screen's dim timer, or,
//       unlocked, sends clickedMenuButton to SBUIController;
//     lockButtonDown:(id) / lockButtonUp:(id), the lock button: wakes a dark screen,
//       else locks (when unlocked) and darkens the screen;
//     frontDisplayDidChange (sent whenever the app in front changes: the status
//       bar turns opaque over an app); noteInterfaceOrientationChanged:(NSInteger);
//     _accessibilityFrontMostApplication → SBApplication or nil on the home screen;
//     hideSpringBoardStatusBar / showSpringBoardStatusBar;
//     applicationOpenURL:(NSURL) opens the URL in the app of its scheme (sms, mailto,
//       tel, http, …), which comes to the front; refused while locked (nothing
//       performed, nothing recorded).
//     Defines menuButtonDown:, frontDisplayDidChange and
//     noteInterfaceOrientationChanged:; inherits activeInterfaceOrientation
//     (NSInteger) from UIApplication.
//   SBUIController : NSObject — +sharedInstance; finishLaunching (defined: builds the
//     home screen, the lock screen and Notification Center); window; rootView (its
//     first subview holds the ivars _wallpaperView and _iconsView, which leave it
//     while the device is locked, when rootView's alpha is 0: tearDownIconListAndBar
//     and restoreIconListAndBar); frontApplication;
//     activateApplicationAnimated:(SBApplication) brings an app to the front (an
//     SBAppContextHostView in the window; refused while locked); clickedMenuButton
//     (hides Notification Center when shown, else returns to the home screen);
//     _showNotificationsGestureBeganWithLocation:(CGPoint),
//     _showNotificationsGestureChangedWithLocation:(CGPoint)velocity:(CGPoint),
//     _showNotificationsGestureEndedWithLocation:(CGPoint)velocity:(CGPoint) — the
//     pull-down, passed on to SBBulletinListController without asking whether it is
//     allowed; the status bar window's pan recogniser (ivar
//     _showNotificationsGestureRecognizer, delegate SBUIController) begins only when
//     SBBulletinWindowController allowsShowNotificationsGesture, and sends the three.
//   SBApplication : NSObject — displayIdentifier, bundleIdentifier, displayName.
//   SBApplicationController : NSObject — +sharedInstance;
//     applicationWithDisplayIdentifier:(NSString) → SBApplication or nil (not
//     installed); allApplications.
//   SBAppContextHostView : UIView — the display of the app in front; its
//     description contains the app's display identifier.
//
// ---- Status bar (core group) ----
//   UIStatusBarWindow : UIWindow — level 1000 (UIWindowLevelStatusBar), as wide as
//     the screen and 20 points high; statusBar.  Inherits sendEvent: from UIWindow.
//   UIStatusBar : UIView — setShowsTime:lock:(BOOL, BOOL), showsTime, showsLock.
//   SBStatusBarDataManager : NSObject — +sharedDataManager; enableLock:(BOOL)time:(BOOL)
//     (the status bar shows the time, or the lock when only the lock is enabled);
//     enableTime:(BOOL); lockEnabled, timeEnabled.
//
// ---- Lock screen (core group) ----
//   SBAwayController : NSObject — +sharedAwayController; awayView; isLocked,
//     isDimmed, isLockedAndUndimmed, cameraIsActive, isPasswordProtected (BOOL);
//     currentAlertItem; lock; dimScreen:(BOOL); undimScreen;
//     restartDimTimer:(double) (the screen goes dark when it runs out; only while
//       the lock screen is lit);
//     attemptUnlock (sent when the screen wakes: keeps the lock screen lit, never
//       unlocks by itself);
//     _unlockWithSound:(BOOL)unlockSource:(NSInteger)isAutoUnlock:(BOOL)bypassPinLock:(BOOL)
//       (shows the passcode keypad when a passcode is set and not bypassed, else
//       unlocks); _finishUnlockWithSound:(BOOL)unlockSource:(NSInteger)isAutoUnlock:(BOOL)
//       (unlocks at once); _unlockWithSound:(BOOL)isAutoUnlock:(BOOL) (the first
//       without a source or bypass) — each plays the unlock sound exactly when its
//       sound argument is YES;
//     attemptDeviceUnlockWithPassword:(NSString)lockViewOwner:(id) → BOOL (the right
//       passcode unlocks with the sound); didAnimateLockKeypadOut (the keypad has
//       gone); _unlockWithPendingBulletin:(BBBulletin) (a slid lock-screen row: unlock,
//       then its action); activateCamera, dismissCameraAnimated:(BOOL);
//       activateAlertItem:, deactivateAlertItem:.
//     Defines attemptUnlock, didAnimateLockKeypadOut and
//     attemptDeviceUnlockWithPassword:lockViewOwner:.
//   SBAwayView : UIView — ivar _lockBar (SBAwayLockBar); dateView (SBAwayDateView,
//     whose superview is the clock's container); bulletinController (the lock
//     screen's own list: SBAwayBulletinListController); lockBarStartedTracking:,
//     lockBarStoppedTracking:, lockBarUnlocked: (the lock bar's delegate: unlock, or
//     the keypad with a passcode); resetLockBar; showDeviceLockKeypadAnimated:(BOOL),
//     hideDeviceLockKeypadAnimated:(BOOL), isShowingDeviceLock, deviceLockView.
//     Its direct subviews are the clock's container, the SBAwayBulletinListView, the
//     alarm's label, the lock bar, the camera and (while shown) the keypad.
//   SBAlertWindow : UIWindow — the lock screen's window.  Inherits sendEvent: from
//     UIWindow.
//   TPBottomLockBar : UIView → SBAwayLockBar — the slide-to-unlock bar: subviews
//     TPWell (holding TPLockTextView and TPLockKnobView); tracks a finger on its knob
//     (touchesBegan/Moved/Ended/Cancelled:withEvent:); knob travel from x 2 to the
//     well's width less the knob's and 3; delegate; knob; resetKnobPosition.
//   SBDeviceLockView : UIView — the passcode keypad (digit keys tagged with their
//     digit, Cancel 100, OK 101; a four-digit passcode submits itself); delegate;
//     enteredText; clearEntry; showWrongPasscode.
//   SBDeviceLockController : NSObject — +sharedController; isPasswordProtected,
//     isUsingSimplePasscode; attemptDeviceUnlockWithPassword:(NSString)appRequested:(BOOL).
//   SBPowerDownController : NSObject — +sharedInstance; isOrderedFront; orderFront;
//     orderOut.
//   SBAlertItem : NSObject → SBSystemLocalNotificationAlert (the alarm) —
//     initWithTitle:, title, isPlayingSound, playSound, stopSound;
//     +stopPlayingAlertSoundOrRingtone silences the alarm sounding.
//
// ---- The lock screen's own list (core group) ----
//   SBAwayBulletinListController : NSObject — a BBObserver of the lock-screen feed,
//     taking notifications only while locked (one lights a dark screen); view
//     (SBAwayBulletinListView, hidden while empty); listItems (SBAwayBulletinListItem,
//     newest first, springboardcommon/AwayListItem.h); observer:addBulletin:forFeed:,
//     observer:removeBulletin:(BBObserver, BBBulletin); listItemAtIndexPath:; the
//     table's data source and delegate (one section).
//   SBAwayBulletinListView : UIView — tableView (SBAwayBulletinTableView).
//   SBAwayBulletinTableView : UITableView — defines
//     deleteRowsAtIndexPaths:withRowAnimation: (keeps the scroll position inside the
//     shorter content).
//   SBAwayBulletinCell : UITableViewCell — defines initWithReuseIdentifier: and
//     layoutSubviews; actionContext (SBUnlockActionContext: bulletinID, lockLabel);
//     the app icon at its left slides to the right with a finger; slid to the end,
//     the list unlocks into the notification.
//
// ---- Telephony (core group) ----
//   SBTelephonyManager : NSObject — +sharedTelephonyManager; callCenter (SpringBoard's
//     CTCallCenter, telephony/Telephony.h, which defines
//     handleNotificationFromConnection:ofType:withInfo:); incomingCallExists, inCall.
//
// ---- Icons (core group) ----
//   SBIconModel, SBIcon → SBLeafIcon → SBApplicationIcon, SBIconView, SBIconViewMap:
//   the icon model and badges of both home screens (springboardcommon/Icons.h).
#pragma once

#include <springboard6/HostControl.h>
