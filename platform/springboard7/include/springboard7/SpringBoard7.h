// The runtime classes of the iOS 7 home screen, registered by sb7::registerClasses()
// (HostControl.h), with the C types of their methods as the runtime records them.
// Code outside the home screen reaches them only by name and message send.
//
// Application
//   SpringBoard : UIApplication — the shared application.
//     applicationDidFinishLaunching:(id) sends finishLaunching to SBUIController;
//     launchApplicationWithIdentifier:(NSString)suspended:(BOOL) → BOOL starts the
//     app's host program in the background; activeInterfaceOrientation → NSInteger
//     (inherited); _handleMenuButtonEvent (the home button).
//   SBUIController : NSObject — +sharedInstance; finishLaunching; window;
//     clickedMenuButton (closes Notification Center when shown).
//
// Notification Center
//   SBNotificationCenterController : NSObject — +sharedInstance; isVisible → BOOL;
//     viewController; presentAnimated:(BOOL); dismissAnimated:(BOOL).  Showing sends
//     viewWillAppear: / viewDidAppear: to the view controller, hiding
//     viewWillDisappear: / viewDidDisappear:.
//   SBNotificationCenterViewController : UIViewController — ivars _modeController
//     (SBModeViewController), _todayViewController, _allModeViewController,
//     _missedModeViewController, _backgroundView (_UIBackdropView).
//   SBModeViewController : UIViewController — viewControllers,
//     selectedViewController, setSelectedViewController:.
//   SBBulletinObserverViewController : UIViewController — ivar _observer (BBObserver);
//     bulletinViewController; observer:addBulletin:forFeed:(id, id, NSUInteger);
//     observer:removeBulletin:(id, id) (takes the bulletin, matched by bulletinID,
//     out of the mode's list); subclasses SBTodayViewController,
//     SBNotificationsModeViewController → SBNotificationsAllModeViewController (only
//     inherits) and SBNotificationsMissedModeViewController.
//   SBBulletinViewController : UIViewController — the table's data source and
//     delegate.  Ivars _orderedSections (NSMutableArray of section infos; table
//     section i is entry i), _sectionIDsToBulletins (identifier → NSMutableArray of
//     SBNotificationsBulletinInfo, newest first), _tableView, _headerViews.
//     tableView; setTableViewNeedsReload; numberOfSectionsInTableView: → NSInteger;
//     tableView:numberOfRowsInSection:(id, NSInteger) → NSInteger;
//     tableView:cellForRowAtIndexPath: → SBNotificationsBulletinCell;
//     tableView:heightForRowAtIndexPath: → CGFloat;
//     tableView:viewForHeaderInSection:(id, NSInteger) → SBNotificationsSectionHeaderView;
//     tableView:heightForHeaderInSection:; tableView:shouldShowMenuForRowAtIndexPath:;
//     _insertSection:(id)atIndex:(NSUInteger);
//     _insertBulletin:(id)atIndex:(NSUInteger)inSection:(id) (sent for every arrival);
//     removeBulletin:(id) → BOOL; _removeSection:(id) → id (the clear button: asks
//     the bulletin server to withdraw the section, whose rows leave on a later turn
//     of the run loop; answers the section info, nil when not shown);
//     sectionWithIdentifier:(NSString).
//   SBNotificationsSectionInfo : NSObject — identifier, representedListSection,
//     displayName; SBNotificationsMissedModeSectionInfo (identifier
//     "SBNotificationsMissedModeSectionInfo").
//   SBBulletinListSection : NSObject — sectionID, displayName, bulletins,
//     bulletinCount → NSUInteger, bulletinAtIndex:(NSUInteger) → BBBulletin or nil.
//   SBNotificationsBulletinInfo : NSObject — representedBulletin, identifier.
//   SBNotificationsBulletinCell : UITableViewCell — ivars _menuGesture, _bulletin
//     (and UIKit's _tableView); _setupMenuGesture (sent by init: a long press on the
//     content view with action _longPressGestureRecognized:);
//     _longPressGestureRecognized:(id) (on Began: when the table's
//     _shouldShowMenuForCell: answers YES and the cell becomes first responder,
//     setTargetRect:inView: and setMenuVisible:YES animated:YES on the shared menu);
//     bulletin.  canBecomeFirstResponder and canPerformAction:withSender: are
//     inherited from UIKit.
//   SBNotificationsSectionHeaderView : UIView — ivars _titleLabel (UILabel with the
//     app's display name), _backdrop (_UIBackdropView), _clearButton (UIButton);
//     touchesBegan:withEvent:, touchesEnded:withEvent:, touchesCancelled:withEvent:.
//   _UIBackdropView : UIView — inputSettings, outputSettings (a copy of what was last
//     applied), transitionToSettings:(id).
//   _UIBackdropViewSettings : NSObject — +settingsForStyle:(NSInteger); blurRadius,
//     grayscaleTintAlpha, grayscaleTintLevel, colorTintAlpha (CGFloat) and colorTint
//     (UIColor or nil), each with its setter.
//
// Lock screen
//   SBLockScreenManager : NSObject — +sharedInstance; isUILocked → BOOL;
//     lockScreenViewController; lockUIFromSource:(NSInteger)withOptions:(id);
//     unlockUIFromSource:(NSInteger)withOptions:(id) → BOOL.
//   SBLockScreenViewController : UIViewController — ivar _notificationController.
//   SBLockScreenNotificationListController : UIViewController — ivars _observer,
//     _listItems (newest first), _notificationView; observer:removeBulletin:(id, id);
//     _listItemContainingBulletinID:(NSString) → SBAwayBulletinListItem or nil.
//   SBAwayBulletinListItem : NSObject — activeBulletin, bulletins, bulletinWithID:.
//   SBLockScreenNotificationListView : UIView — ivar _tableView; the lock list's data
//     source and delegate: tableView:cellForRowAtIndexPath: → SBLockScreenBulletinCell.
//   SBLockScreenBulletinCell : UITableViewCell — unlockActionContext (its identifier
//     is the bulletin ID), bulletin; the host's long press on the content view with
//     action _longPressGestureRecognized:.
//   SBUnlockActionContext : NSObject — identifier, lockLabel.
//
// Icons
//   SBIconModel : NSObject — +sharedInstance; applicationIconForDisplayIdentifier:
//     (NSString) → SBApplicationIcon or nil for an app that is not installed.
//   SBIcon → SBLeafIcon → SBApplicationIcon — badgeValue → NSInteger (0 without a
//     badge), badgeNumberOrString, setBadge:(NSString, NSNumber or nil; an empty
//     string is none).  Badges are saved in
//     "/var/mobile/Library/SpringBoard/IconBadges.plist" of the device root.
//   SBIconViewMap : NSObject — +homescreenMap; iconModel; iconViewForIcon:.
//   (The icon classes are those of both home screens: springboardcommon/Icons.h.)
#pragma once

#include <springboard7/HostControl.h>
