// Host control, banners: whether one is on screen, and a finger tapping it.
#include <springboard6/HostControl.h>

#include "Common.h"
#include "HostControlState.h"
#include "ListShared.h"

#include <uikit/Simulation.h>

namespace sb6 {

using detail::sel;
using detail::send;

namespace {

id bannerController() { return detail::shared("SBBannerController", sel<"sharedInstance">()); }

}  // namespace

bool isBannerShown() {
  return detail::launchedNow() && send<BOOL>(bannerController(), sel<"isShowingBanner">());
}

objc::Status tapBanner(CGPoint point) {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  settle();
  if (!isBannerShown()) return objc::makeError("no banner is shown");
  id banner = objc::objectIvar(objc::objectIvar(bannerController(), "_bannerAndShadowView"), "_banner");
  if (banner == nil) return objc::makeError("no banner is shown");
  objc::Ref keep = objc::Ref::retain(banner);
  auto status = uikit::sim::tap(banner, point);
  uikit::sim::letTimePass(detail::kBannerSlideSeconds + 0.05);  // it slides away
  settle();
  return status;
}

}  // namespace sb6
