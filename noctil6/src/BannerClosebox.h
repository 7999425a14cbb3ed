// The banner close box: with "BannerClosebox" on, every banner gets a small close
// button at its right end.  Touching it dismisses the banner at once, and a tap
// inside it never reaches the platform's tap handler, so the notification's app is
// not opened.  The button's picture is a file of the settings bundle.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// The close box's tag, by which the tap handler finds it in the banner view.
inline constexpr NSInteger kCloseboxTag = 333;
inline constexpr CGFloat kCloseboxSize = 40.0;
inline constexpr const char* kCloseboxPicturePath =
    "/Library/PreferenceBundles/NoctilSettings.bundle/banner_closebox.png";

// SBBulletinBannerController _presentBannerForItem: and SBBannerController
// _presentBannerForItem:existingDismissReason:: the previous implementation, then
// the close box.
extern hook::Slot<void(id)> gPresentBanner;
void presentBannerReplacement(id self, SEL cmd, id item);
extern hook::Slot<void(id, NSInteger)> gPresentBannerWithReason;
void presentBannerWithReasonReplacement(id self, SEL cmd, id item, NSInteger reason);

// SBBulletinBannerController _handleBannerTapGesture:: a tap inside the close box
// dismisses the banner with animation; any other tap goes to the previous handler.
extern hook::Slot<void(id)> gBannerTapped;
void bannerTapReplacement(id self, SEL cmd, id recognizer);

// Adds the category method UIView(Noctil) dismissBannerFromNoctil, the close box's
// action: it dismisses the banner on screen.  Nothing happens without UIView.
void installBannerCategory();

// Puts the close box on the banner the controller shows now, when the option is on
// and there is one.
void addClosebox(id bannerController);

}  // namespace noctil6
