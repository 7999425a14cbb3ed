// The registration of each group of iOS 6 home-screen classes, in the order
// registerClasses() runs them (superclasses first), and names shared between them.
#pragma once

#include <objcface/Types.h>

namespace sb6::detail {

// Reuse identifiers of the cells.
inline constexpr const char* kBulletinCellIdentifier = "SBBulletinListCell";
inline constexpr const char* kAwayCellIdentifier = "SBAwayBulletinCell";

// Window levels, lowest first.  The list window sits below the lock screen's window,
// so Notification Center never shows over the lock screen of a device without a
// tweak; the status bar (UIWindowLevelStatusBar, 1000) is above both, and banners
// cover the status bar.
inline constexpr CGFloat kBulletinWindowLevel = 980;    // SBBulletinWindow
inline constexpr CGFloat kLockScreenWindowLevel = 990;  // SBAlertWindow of the away view
inline constexpr CGFloat kBannerWindowLevel = 1010;     // the banner's window

// Application, lock screen, status bar, telephony, icons (core group).
void registerIconClasses();
void registerApplicationClasses();
void registerStatusBarClasses();
void registerLockBarClasses();
void registerAwayListClasses();
void registerAwayClasses();
void registerTelephonyClasses();

// Notification Center, its windows and banners (list group).
void registerBulletinWindowClasses();
void registerListCellClasses();
void registerListViewClasses();
void registerWeeAppClasses();
void registerListControllerClasses();
void registerBannerClasses();

}  // namespace sb6::detail
