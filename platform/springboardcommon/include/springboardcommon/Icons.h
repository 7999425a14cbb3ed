// The home screen's icon model and icon views, the same on iOS 6 and iOS 7.
//
// Runtime classes (registered by registerIconClasses()):
//   SBIcon : NSObject — badgeValue → NSInteger (0 without a badge or for a badge that
//     is not a number), badgeNumberOrString, setBadge:(NSString, NSNumber or nil; an
//     empty string is none).
//   SBLeafIcon : SBIcon — initWithLeafIdentifier:, leafIdentifier, displayName.
//   SBApplicationIcon : SBLeafIcon — applicationBundleID.
//   SBIconModel : NSObject — +sharedInstance; applicationIconForDisplayIdentifier:
//     and applicationIconForBundleIdentifier:(NSString) → SBApplicationIcon or nil for
//     an app that is not installed; leafIcons.  Badges are saved in
//     "/var/mobile/Library/SpringBoard/IconBadges.plist" of the device root, read
//     when the model is made, so they survive a restart.
//   SBIconView : UIView — initWithIcon:, icon, updateBadge; ivars _icon, _imageView
//     (a square of the app's colour with its initial), _labelView
//     (the display name), _badgeView (the badge, hidden without one).
//   SBIconViewMap : NSObject — +homescreenMap; iconModel; iconViewForIcon: (made on
//     first use), mappedIconViewForIcon:, setIconListView: (the view the icons live
//     in, which gets a view for every installed app).
#pragma once

#include <objcface/Types.h>

#include <string>

namespace sbcommon {

inline constexpr const char* kBadgeFile = "/var/mobile/Library/SpringBoard/IconBadges.plist";

// The colour of an app's icon picture (autoreleased UIColor), the same for the same
// bundle identifier, so the app's other pictures (a lock-screen row) can match it.
id appIconColour(const std::string& bundleID);

// Registers the classes above; a second call does nothing.
void registerIconClasses();

}  // namespace sbcommon
