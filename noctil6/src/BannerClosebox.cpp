#include "BannerClosebox.h"

#include "HostAccess.h"
#include "Options.h"

#include <objcface/ClassBuilder.h>
#include <objcface/NSObject.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id)> gPresentBanner;
hook::Slot<void(id, NSInteger)> gPresentBannerWithReason;
hook::Slot<void(id)> gBannerTapped;

namespace {

constexpr NSUInteger kFlexibleSideMargins = UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin;
constexpr NSUInteger kTouchUpInside = 1 << 6;
constexpr NSUInteger kStateNormal = 0;
// The picture lies in a 15 × 16 area near the box's top right corner.
const UIEdgeInsets kPictureInsets = UIEdgeInsetsMake(13.0, 16.0, 11.0, 9.0);

// The banner view on screen: _banner of the controller's _bannerAndShadowView.  The
// bulletin banner controller holds no banner of its own on every SpringBoard; then
// the banner controller's, which owns the banner on screen, is the one.
id bannerViewOf(id controller) {
  id carrier = ivarNamed(controller, "_bannerAndShadowView");
  if (carrier == nil) carrier = ivarNamed(ask(classObject("SBBannerController"), sel<"sharedInstance">()), "_bannerAndShadowView");
  return ivarNamed(carrier, "_banner");
}

void dismissBannerFromNoctil(id, SEL) {
  id bulletinBanners = ask(classObject("SBBulletinBannerController"), sel<"sharedInstance">());
  if (answers(bulletinBanners, sel<"dismissBannerWithAnimation:">())) {
    objc::send<void>(bulletinBanners, sel<"dismissBannerWithAnimation:">(), BOOL{YES});
    return;
  }
  ask<void>(ask(classObject("SBBannerController"), sel<"sharedInstance">()), sel<"_tryToDismissBannerWithAnimation:">(),
            BOOL{YES});
}

}  // namespace

void addClosebox(id bannerController) {
  if (!options().bannerClosebox) return;
  id banner = bannerViewOf(bannerController);
  if (banner == nil) return;
  objc::AutoreleasePool pool;
  const CGSize size = frameOf(banner).size;
  objc::Ref button = objc::Ref::adopt(
      objc::send<id>(objc::send<id>(classObject("UIButton"), sel<"alloc">()), sel<"initWithFrame:">(),
                     CGRectMake(size.width - kCloseboxSize, size.height * 0.5 - kCloseboxSize / 2, kCloseboxSize,
                                kCloseboxSize)));
  if (!button) return;
  objc::send<void>(button, sel<"setShowsTouchWhenHighlighted:">(), BOOL{YES});
  objc::send<void>(button, sel<"setAutoresizingMask:">(), kFlexibleSideMargins);
  objc::send<void>(button, sel<"setTag:">(), kCloseboxTag);
  objc::send<void>(button, sel<"addTarget:action:forControlEvents:">(), banner, sel<"dismissBannerFromNoctil">(),
                   kTouchUpInside);
  // A missing picture leaves a button without an image, which still closes.
  id picture = objc::send<id>(classObject("UIImage"), sel<"imageWithContentsOfFile:">(), nsString(kCloseboxPicturePath));
  objc::send<void>(button, sel<"setImage:forState:">(), picture, kStateNormal);
  objc::send<void>(button, sel<"sendSubviewToBack:">(), objc::send<id>(button, sel<"imageView">()));
  objc::send<void>(button, sel<"setImageEdgeInsets:">(), kPictureInsets);
  objc::send<void>(banner, sel<"addSubview:">(), button.get());
}

void presentBannerReplacement(id self, SEL cmd, id item) {
  gPresentBanner(self, cmd, item);
  addClosebox(self);
}

void presentBannerWithReasonReplacement(id self, SEL cmd, id item, NSInteger reason) {
  gPresentBannerWithReason(self, cmd, item, reason);
  addClosebox(self);
}

void bannerTapReplacement(id self, SEL cmd, id recognizer) {
  id closebox = ask(ask(recognizer, sel<"view">()), sel<"viewWithTag:">(), kCloseboxTag);
  if (closebox != nil) {
    const CGPoint at = objc::send<CGPoint>(recognizer, sel<"locationInView:">(), closebox);
    const CGSize size = frameOf(closebox).size;
    if (CGRectContainsPoint(CGRectMake(0, 0, size.width, size.height), at)) {
      ask<void>(self, sel<"dismissBannerWithAnimation:">(), BOOL{YES});
      return;
    }
  }
  gBannerTapped(self, cmd, recognizer);
}

void installBannerCategory() {
  Class view = objc_lookUpClass("UIView");
  if (view == Nil) return;
  class_replaceMethod(view, sel<"dismissBannerFromNoctil">(), objc::toImp(&dismissBannerFromNoctil),
                      objc::methodEncoding<void>().c_str());
}

}  // namespace noctil6
