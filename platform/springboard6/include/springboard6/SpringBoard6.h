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
//
// ---- Notification Center (list group) ----
//   SBBulletinListController : NSObject — +sharedInstance; the observer (ivar
//     _observer, a BBObserver) of Notification Center's feed.  Ivars
//     _visibleSectionIDs (NSMutableArray; table section i shows entry i),
//     _possibleSectionIDs (NSMutableArray: the widgets, then the apps, an app moving
//     up to just below the widgets when a notification of it arrives, so sections go
//     newest first), _sectionIDsToBulletins (section ID → NSMutableArray of BBBulletin,
//     newest first), _weeApps (NSMutableArray of SBWeeApp), _listView.
//     listViewIsActive → BOOL (YES while the list is shown); listView (an
//     SBBulletinListView while the list is on screen, else nil);
//     showListViewAnimated:(BOOL) — asks SBBulletinWindowController
//       allowsShowNotificationsGesture first and does nothing on NO; otherwise makes
//       the list view (_createListViewIfNecessary: initWithFrame:delegate: on
//       SBBulletinListView, which asks its class for linen), sends _setListViewActive:
//       YES, slides the list down (positionSlidingViewAtY:, 0.3 s) and then sends
//       _cleanupAfterShowListView;
//     hideListViewAnimated:(BOOL) — _setListViewActive: NO (when shown), slides the
//       list up, then _cleanupAfterHideListViewKeepingWindow: NO, which releases the
//       list view (its dealloc runs) and takes the window off screen;
//       _cleanupAfterHideListView does the same; both do nothing while the list is
//       shown, so they may be sent again;
//     _setListViewActive:(BOOL) — sent whenever the list becomes shown or hidden;
//     handleShowNotificationsGestureBeganWithTouchLocation:(CGPoint),
//     handleShowNotificationsGestureChangedWithTouchLocation:(CGPoint)velocity:(CGPoint),
//     handleShowNotificationsGestureEndedWithVelocity:(CGPoint) — the pull-down
//       (sent by SBUIController): the list view is made and its bottom follows the
//       finger; released with vy > 0 the list comes down and is shown
//       (_setListViewActive: YES), else it goes up and is released;
//     handlePan:(UIPanGestureRecognizer) — the list's own pan, on the list view
//       (delegate: the controller, whose gestureRecognizerShouldBegin: lets only
//       vertical pans begin, when SBBulletinWindowController
//       allowsHideNotificationsGesture, on a phone only on the bottom 40 points): pushed up (or
//       released above the middle) the list hides, else it springs back;
//     observer:addBulletin:forFeed:(BBObserver, BBBulletin, NSUInteger),
//     observer:removeBulletin:(BBObserver, BBBulletin) — any observer; matched by
//       bulletin ID; the table gets insertRows / insertSections / deleteRows /
//       deleteSections (row animation 0) or reloadData when sections change order;
//     _bulletinAtIndexPath:(NSIndexPath) → BBBulletin or nil (widget rows, no row);
//     _indexPathForBulletin:(BBBulletin) → NSIndexPath or nil;
//     _clearSection:(NSString) — the header's clear button: the section's clearable
//       notifications leave at once (deleteSections:, or deleteRows: when some are
//       not clearable), then the observer's clearSection: asks the server;
//     the table's data source and delegate: numberOfSectionsInTableView:,
//       tableView:numberOfRowsInSection:, tableView:cellForRowAtIndexPath:
//       (SBBulletinListCell, or SBWeeAppCell for a widget),
//       tableView:heightForRowAtIndexPath: → CGFloat, tableView:heightForHeaderInSection:,
//       tableView:viewForHeaderInSection: (a new SBBulletinHeaderView each time; none
//       for widgets), tableView:didSelectRowAtIndexPath: (performs the notification's
//       action — its launch URL, else its app — unless the device is locked; the list
//       goes up when an app came to the front; needs no table, so a nil one will do);
//     scrollViewWillBeginDragging:, scrollViewDidEndDragging:(id)willDecelerate:(BOOL),
//       scrollViewDidEndDecelerating: (the rows' ages are brought up to date).
//     It does not answer tableView:canEditRowAtIndexPath:,
//     tableView:commitEditingStyle:forRowAtIndexPath: or
//     gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:; a data
//     source that answers the first two gets UITableView's own swipe to delete
//     (uikit/TableSwipeDelete.h).
//     Defines tableView:didSelectRowAtIndexPath:, scrollViewDidEndDecelerating:,
//     showListViewAnimated:, _setListViewActive:, handlePan:, _clearSection:,
//     tableView:heightForRowAtIndexPath:, tableView:viewForHeaderInSection:,
//     tableView:cellForRowAtIndexPath:, observer:addBulletin:forFeed: and
//     scrollViewDidEndDragging:willDecelerate:.
//   SBBulletinListView : UIView — +linen → UIImage (the linen texture, drawn once);
//     initWithFrame:(CGRect)delegate:(id) (the list controller, which becomes its
//     table's data source and delegate); dealloc; positionSlidingViewAtY:(CGFloat) puts
//     the sliding view's bottom edge at y (its frame y becomes y − its height);
//     setShowsNoNotificationsLabel:(BOOL)animated:(BOOL) (sent when the list view is
//     made and whenever the list's content changes: shown while the list holds no
//     notification); setCornerAlpha:(CGFloat); tableView; slidingView (carries the
//     rest); linenView (UIImageView of the linen, filling the sliding view); ivars
//     _statusBar (the dark strip behind the status bar, at the top of the sliding
//     view), _noNotificationsLabel (UILabel "No Notifications", 220 points wide,
//     centred), _slidingView, _linenView, _tableView, _grabberView,
//     _topLeftCornerView, _topRightCornerView.  The list view is the screen's size;
//     on an iPad a 480-point panel in its middle.  Defines initWithFrame:delegate:,
//     linen, dealloc, positionSlidingViewAtY: and setShowsNoNotificationsLabel:animated:.
//   SBBulletinTableView : UITableView — initWithFrame:(CGRect)linenView:(id) (plain,
//     clear, no separators; from 20 points below the top of the sliding view to its
//     bottom); linenView.  Defines initWithFrame:linenView:, layoutSubviews,
//     deleteRowsAtIndexPaths:withRowAnimation: and deleteSections:withRowAnimation:
//     (each sends UITableView's, then setNeedsLayout).
//   SBBulletinListCell : UITableViewCell — initWithLinenView:(id)reuseIdentifier:(id)
//     (reuse identifier "SBBulletinListCell"); setBulletin:, bulletin; linenView;
//     updateRelativeDate; ivars _titleLabel, _messageLabel, _dateLabel (in the
//     content view).  Defines initWithLinenView:reuseIdentifier: and layoutSubviews.
//   SBBulletinHeaderView : UIView — initWithFrame:; sectionID / setSectionID:
//     (NSString); title / setTitle: (the text of ivar _sectionLabel, the app's name;
//     layout leaves the label's frame alone, so a width given to it stays);
//     delegate / setDelegate: (the list controller, not retained);
//     setShowsClearButton:(BOOL); resetClearButton; ivar _clearButton (UIButton,
//     action _clearButtonTapped:: its first tap turns the x into "Clear", the second
//     sends _clearSection: with the section ID to the delegate).  Defines none of
//     the touch methods: touchesBegan/Moved/Ended/Cancelled:withEvent: are
//     UIResponder's, which pass the touches to the next responder (the table).
//   SBWeeApp : NSObject — a widget: sectionID ("com.apple.weathernotifications.bundle",
//     "com.apple.stocksweeapp.bundle"), displayName, viewHeight → CGFloat (71, 37),
//     view, launchApp (brings the Weather or Stocks app to the front; refused while
//     locked).  On phones only, as on iOS 6.
//   SBWeeAppCell : UITableViewCell — weeApp / setWeeApp:; _tapped:(id), the action
//     of the cell's UITapGestureRecognizer: sends launchApp to the widget and, when an
//     app came to the front, hideListViewAnimated: YES to the list controller.
//     Defines _tapped:.
//   SBBulletinWindow : UIWindow — Notification Center's window (the screen's size).
//     Defines nothing: sendEvent: and setWindowLevel: are UIWindow's own.
//   SBBulletinWindowController : NSObject — +sharedInstance; window (made on first
//     use); allowsShowNotificationsGesture → BOOL (NO while the device is locked);
//     allowsHideNotificationsGesture → BOOL (the same); showWindow (sends the window setWindowLevel:
//     980, below the lock screen's window, then shows it; at every showing of the
//     list); hideWindow.  Defines allowsShowNotificationsGesture.
//
// ---- Banners (list group) ----
//   SBBulletinBannerController : NSObject — +sharedInstance; the observer (ivar
//     _observer) of the banner feed: a notification arriving while the device is
//     unlocked and the list is not shown becomes an SBBulletinBannerItem, presented
//     by _presentBannerForItem:(item) when no banner shows, else queued (ivar
//     _queue); observer:removeBulletin: drops a withdrawn one (dismissing its banner);
//     _handleBannerTapGesture:(UITapGestureRecognizer), the action of the tap
//     recogniser on the banner view: dismisses the banner and performs its
//     notification's action; dismissBannerWithAnimation:(BOOL) (sends SBBannerController
//     _tryToDismissBannerWithAnimation:); _bannerDidDismissWithReason:(NSInteger)
//     presents the next queued item through SBBannerController.  Defines
//     _presentBannerForItem: and _handleBannerTapGesture:.
//   SBBannerController : NSObject — +sharedInstance; ivars _bannerAndShadowView
//     (SBBannerAndShadowView, whose ivar _banner is the SBBulletinBannerView),
//     _bannerWindow (a UIWindow at level 1010, over the status bar), _currentItem;
//     _presentBannerForItem:(item)existingDismissReason:(NSInteger) (a queued banner,
//     given why the one before went: 1 timed out, 2 dismissed); the banner slides in
//     (0.3 s), stays 5 s, then _tryToDismissBannerWithAnimation:(BOOL) slides it out;
//     isShowingBanner → BOOL (NO once it is leaving); currentItem; bannerWindow.
//     Defines _presentBannerForItem:existingDismissReason:.
//   SBBulletinBannerItem : NSObject — initWithSeedBulletin:, seedBulletin, title (the
//     notification's, else its app's name), message.
//   SBBulletinBannerView : UIView — initWithItem:, item; 40 points high, the screen's
//     width.  SBBannerAndShadowView : UIView — initWithBanner:, banner.
//
// BBBulletin (bulletinboard/BulletinBoard.h) answers observer (the observer that
// delivered it, nil once that observer is gone) and clearable.
#pragma once

#include <springboard6/HostControl.h>
