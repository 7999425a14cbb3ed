// The iOS 7 backdrop as the screen draws it: what lies behind is blurred by the
// settings' blur radius, then the greyscale tint (white of the tint level at the tint
// alpha) and the colour tint (at its alpha) are laid over it, each changing the drawn
// colour by the amount it says; Notification Center's backdrop blurs the home screen.
#include <springboard7/HostControl.h>

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <uikit/Blur.h>
#include <uikit/CALayer.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIScreen.h>
#include <uikit/UIWindow.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using objc::sel;
using objc::send;

namespace {

id rgb(CGFloat r, CGFloat g, CGFloat b, CGFloat a = 1) {
  return send<id>(objc::classNamed("UIColor"), sel<"colorWithRed:green:blue:alpha:">(), r, g, b, a);
}

objc::Ref makeView(const char* cls, CGRect frame) {
  return objc::Ref::adopt(send<id>(send<id>(objc::classNamed(cls), sel<"alloc">()), sel<"initWithFrame:">(), frame));
}

class BackdropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    uikit::resetScreen();
    sb7::registerClasses();
  }
  void TearDown() override {
    sb7::shutdown();
    ns::useRealClock();
  }

  // A window of one colour with a backdrop over its right half, drawn at scale 1;
  // answers the colour drawn in the middle of the backdrop.
  uikit::Rgba drawnThrough(id settings) {
    objc::Ref window = makeView("UIWindow", CGRectMake(0, 0, 100, 50));
    send<void>(window, sel<"setBackgroundColor:">(), rgb(200 / 255.0, 100 / 255.0, 40 / 255.0));
    send<void>(window, sel<"makeKeyAndVisible">());
    objc::Ref backdrop = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("_UIBackdropView"), sel<"alloc">()),
                                                   sel<"initWithFrame:settings:">(), CGRectMake(50, 0, 50, 50), settings));
    send<void>(window, sel<"addSubview:">(), backdrop.get());
    auto picture = uikit::renderView(window, 1.0);
    EXPECT_TRUE(picture.ok());
    return picture.ok() ? picture->pixel(75, 25) : uikit::Rgba{};
  }

  id settings(CGFloat blur, CGFloat greyLevel, CGFloat greyAlpha, id tint, CGFloat tintAlpha) {
    id s = send<id>(objc::classNamed("_UIBackdropViewSettings"), sel<"settingsForStyle:">(), NSInteger{0});
    send<void>(s, sel<"setBlurRadius:">(), blur);
    send<void>(s, sel<"setGrayscaleTintLevel:">(), greyLevel);
    send<void>(s, sel<"setGrayscaleTintAlpha:">(), greyAlpha);
    send<void>(s, sel<"setColorTint:">(), tint);
    send<void>(s, sel<"setColorTintAlpha:">(), tintAlpha);
    return s;
  }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

void expectNear(uikit::Rgba got, double r, double g, double b) {
  EXPECT_NEAR(got.r, r, 2.0);
  EXPECT_NEAR(got.g, g, 2.0);
  EXPECT_NEAR(got.b, b, 2.0);
  EXPECT_EQ(got.a, 255);
}

TEST_F(BackdropTest, TheTintsChangeTheDrawnColourByWhatTheySay) {
  objc::Ref lone = makeView("_UIBackdropView", CGRectMake(0, 0, 10, 10));
  ASSERT_TRUE(uikit::isBackdropLayer(send<id>(lone, sel<"layer">())));
  // Blur alone: behind is one colour, so it stays that colour.
  expectNear(drawnThrough(settings(20, 0, 0, nil, 0)), 200, 100, 40);
  // Black at 0.73 keeps 27 % of the colour behind.
  expectNear(drawnThrough(settings(20, 0, 0.73, nil, 0)), 200 * 0.27, 100 * 0.27, 40 * 0.27);
  // White (level 1) at 0.5 goes half way to white.
  expectNear(drawnThrough(settings(20, 1, 0.5, nil, 0)), 227.5, 177.5, 147.5);
  // Then the colour tint at its alpha over that: blue at 0.25 over black-at-0.5.
  expectNear(drawnThrough(settings(20, 0, 0.5, rgb(0, 0, 1), 0.25)), 100 * 0.75, 50 * 0.75, 20 * 0.75 + 255 * 0.25);
  // A colour tint of alpha 0 in itself, as "disabled" gives, changes nothing.
  expectNear(drawnThrough(settings(20, 0, 0, rgb(0, 0, 0, 0), 0.6)), 200, 100, 40);
}

TEST_F(BackdropTest, TheBlurRadiusBlursWhatLiesBehind) {
  objc::Ref window = makeView("UIWindow", CGRectMake(0, 0, 100, 60));
  send<void>(window, sel<"makeKeyAndVisible">());
  objc::Ref white = makeView("UIView", CGRectMake(50, 0, 50, 60));
  send<void>(window, sel<"setBackgroundColor:">(), rgb(0, 0, 0));
  send<void>(white, sel<"setBackgroundColor:">(), rgb(1, 1, 1));
  send<void>(window, sel<"addSubview:">(), white.get());
  objc::Ref backdrop = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("_UIBackdropView"), sel<"alloc">()),
                                                 sel<"initWithFrame:settings:">(), CGRectMake(0, 0, 100, 30),
                                                 settings(0, 0, 0, nil, 0)));
  send<void>(window, sel<"addSubview:">(), backdrop.get());
  auto sharp = uikit::renderView(window, 2.0);
  ASSERT_TRUE(sharp.ok());
  EXPECT_EQ(sharp->pixel(99, 20).r, 0);
  EXPECT_EQ(sharp->pixel(100, 20).r, 255);

  // 5 points at scale 2: a sigma of 10 pixels across the edge at x = 100 pixels.
  send<void>(backdrop, sel<"transitionToSettings:">(), settings(5, 0, 0, nil, 0));
  auto blurred = uikit::renderView(window, 2.0);
  ASSERT_TRUE(blurred.ok());
  EXPECT_NEAR(blurred->pixel(100, 20).r, 128, 16);
  EXPECT_GT(blurred->pixel(90, 20).r, 20);
  EXPECT_LT(blurred->pixel(110, 20).r, 235);
  EXPECT_EQ(blurred->pixel(90, 100).r, 0);  // below the backdrop: untouched
  EXPECT_EQ(blurred->pixel(110, 100).r, 255);
}

TEST_F(BackdropTest, NotificationCenterBlursTheHomeScreenBehindIt) {
  ASSERT_TRUE(sb7::launch().ok());
  // A white square on the home screen, a hard edge for the backdrop to soften.
  id home = send<id>(send<id>(objc::classNamed("SBUIController"), sel<"sharedInstance">()), sel<"window">());
  ASSERT_NE(home, nil);
  objc::Ref square = makeView("UIView", CGRectMake(100, 300, 120, 120));
  send<void>(square, sel<"setBackgroundColor:">(), rgb(1, 1, 1));
  send<void>(home, sel<"addSubview:">(), square.get());
  auto before = uikit::renderScreen(1.0);
  ASSERT_TRUE(before.ok());
  EXPECT_EQ(before->pixel(99, 360).r, 0);
  EXPECT_EQ(before->pixel(100, 360).r, 255);

  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  id nc = send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">());
  id backdrop = objc::objectIvar(send<id>(nc, sel<"viewController">()), "_backgroundView");
  ASSERT_NE(backdrop, nil);
  // The stock look: radius 20, black at 0.73.
  const std::uint64_t blurs = uikit::blurCount();
  auto shown = uikit::renderScreen(1.0);
  ASSERT_TRUE(shown.ok());
  EXPECT_EQ(uikit::blurCount(), blurs + 1);
  // At the square's edge the blur gives about half its white, and the tint keeps 27 %.
  EXPECT_NEAR(shown->pixel(100, 360).r, 255 * 0.5 * 0.27, 8);
  EXPECT_GT(shown->pixel(90, 360).r, 5);  // white reaches beyond the edge
  EXPECT_NEAR(shown->pixel(160, 360).r, 255 * 0.27, 8);  // the middle stays nearly white
  // Drawing the same screen again reuses the blur.
  ASSERT_TRUE(uikit::renderScreen(1.0).ok());
  EXPECT_EQ(uikit::blurCount(), blurs + 1);
}

}  // namespace
