// Values of Notification Center's lists shared by the list controller, the lock-screen
// list and host control: geometry, row heights, and the reading of a bulletin's date.
#pragma once

#include <objcface/Types.h>

namespace sb7::detail {

inline constexpr CGFloat kScreenWidth = 320;
inline constexpr CGFloat kScreenHeight = 568;
// Notification Center's mode bar above its lists.
inline constexpr CGFloat kNotificationCenterHeaderHeight = 64;
inline constexpr CGFloat kSectionHeaderHeight = 30;
// A row shows the title and the message; a longer message takes up to four lines.
inline constexpr CGFloat kRowBaseHeight = 58;
inline constexpr CGFloat kLineHeight = 18;
inline constexpr std::size_t kCharactersPerLine = 36;
inline constexpr std::size_t kMaxMessageLines = 4;

inline constexpr NSInteger kAutomaticRowAnimation = 100;

// The height of a notification's row in either list.
CGFloat rowHeightForBulletin(id bulletin);
// A bulletin's date as seconds since 2001 (0 without a date).
double bulletinDate(id bulletin);

}  // namespace sb7::detail
