// Private to the core group of the iOS 6 home screen (application, lock screen,
// status bar, telephony): the registrations each group of src/Classes.h is made of,
// and the constants its classes share.
#pragma once

#include <objcface/Types.h>

#include <optional>
#include <string>

namespace sb6::detail {

// Parts of registerApplicationClasses(), in this order.
void registerApplicationModelClasses();  // SBApplication, SBApplicationController
void registerSpringBoardClasses();       // SpringBoard, SBAppContextHostView
void registerUIControllerClasses();      // SBUIController

// Parts of registerAwayListClasses(), in this order.
void registerAwayListCellClasses();  // SBUnlockActionContext, SBAwayBulletinListItem, the cell, the table
void registerAwayListViewClasses();  // SBAwayBulletinListView, SBAwayBulletinListController

// Parts of registerAwayClasses(), in this order.
void registerDeviceLockClasses();  // SBDeviceLockController, SBPowerDownController
void registerAlertItemClasses();   // SBAlertItem, SBSystemLocalNotificationAlert
void registerKeypadClasses();      // SBDeviceLockView
void registerAwayViewClasses();    // SBAwayDateView, SBAwayView, SBAlertWindow
void registerAwayControllerClasses();  // SBAwayController

// The device passcode (none: std::nullopt), as Settings sets it.
void setDevicePasscode(std::optional<std::string> passcode);

// Performs a notification's action, as tapping or sliding it does once the device is
// unlocked: SpringBoard applicationOpenURL: with its default action's launch URL,
// else SBUIController activateApplicationAnimated: with the app of its section.
void performBulletinAction(id bulletin);

// The dim timer of the lock screen: the screen goes dark this long after it came on
// or was last used, and a little later while the passcode keypad waits for a code.
inline constexpr double kLockScreenDimSeconds = 8.0;
inline constexpr double kKeypadDimSeconds = 30.0;
// The keypad slides in and out in this time.
inline constexpr double kKeypadAnimationSeconds = 0.3;

// The tags of the passcode keypad's keys: a digit key is tagged with its digit.
inline constexpr NSInteger kKeypadCancelTag = 100;
inline constexpr NSInteger kKeypadOKTag = 101;

// Where an unlock came from (the unlockSource argument of SBAwayController's unlock
// calls).
inline constexpr NSInteger kUnlockSourceLockBar = 1;
inline constexpr NSInteger kUnlockSourceBulletin = 2;
inline constexpr NSInteger kUnlockSourcePasscode = 3;

// The status bar's height.
inline constexpr CGFloat kStatusBarHeight = 20;

}  // namespace sb6::detail
