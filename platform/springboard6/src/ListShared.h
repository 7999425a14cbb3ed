// Private to the list group of the iOS 6 home screen (Notification Center, its window
// and banners): the parts its register functions are made of, and the measures and
// timings its classes share.
#pragma once

#include <objcface/Types.h>

namespace sb6::detail {

// Parts of registerListCellClasses(), in this order.
void registerBulletinCellClass();  // SBBulletinListCell
void registerHeaderViewClass();    // SBBulletinHeaderView

// Parts of registerBannerClasses(), in this order.
void registerBannerViewClasses();        // SBBulletinBannerItem, SBBulletinBannerView, SBBannerAndShadowView
void registerBannerControllerClasses();  // SBBannerController, SBBulletinBannerController

// The list's layout, in points.  The list view covers the screen (on an iPad it is a
// panel kPadListWidth wide in the middle); its sliding view carries a strip behind
// the status bar, the linen and the table below the strip, and the grabber at its
// bottom, by which the list is pushed back up.
inline constexpr CGFloat kListStatusStripHeight = 20;
inline constexpr CGFloat kPadListWidth = 480;
inline constexpr CGFloat kGrabberZoneHeight = 40;
inline constexpr CGFloat kSectionHeaderHeight = 30;

// A notification's row: a title line and up to four lines of message.
inline constexpr CGFloat kRowBaseHeight = 54;
inline constexpr CGFloat kRowLineHeight = 18;
inline constexpr std::size_t kRowCharactersPerLine = 38;
inline constexpr std::size_t kRowMaxMessageLines = 4;
CGFloat bulletinRowHeight(id bulletin);

// The widgets of Notification Center (phones only, as on iOS 6).
inline constexpr const char* kWeatherWidgetID = "com.apple.weathernotifications.bundle";
inline constexpr const char* kStocksWidgetID = "com.apple.stocksweeapp.bundle";
inline constexpr const char* kWeeAppCellIdentifier = "SBWeeAppCell";
// The widgets shown on this device, made anew for each home-screen launch (an
// NSArray of SBWeeApp, owned by the caller).
id newStockWeeApps();

// Timings, in seconds.
inline constexpr double kListSlideSeconds = 0.3;   // the list coming down or going up
inline constexpr double kBannerSlideSeconds = 0.3;  // a banner coming in or leaving
inline constexpr double kBannerShowSeconds = 5.0;   // how long a banner stays

// A banner's height; it covers the status bar.
inline constexpr CGFloat kBannerHeight = 40;

// The row animation of the list's own insertions and deletions.
inline constexpr NSInteger kListRowAnimation = 0;  // fade

// Whether the device is locked now (SBAwayController isLocked).
bool deviceIsLocked();

}  // namespace sb6::detail
