// UIScreen: the default 4-inch Retina screen, its mode in pixels, and screens chosen
// from C++ by hosts and tests.
#include <uikit/UIScreen.h>

#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <cmath>

using objc::sel;
using objc::send;

TEST(ScreenTest, DefaultsChangesAndRefusals) {
  uikit::resetScreen();
  id screen = send<id>(uikit::UIScreenClass(), sel<"mainScreen">());
  ASSERT_NE(screen, nil);
  EXPECT_EQ(screen, send<id>(uikit::UIScreenClass(), sel<"mainScreen">()));
  EXPECT_EQ(send<CGRect>(screen, sel<"bounds">()), CGRectMake(0, 0, 320, 568));
  EXPECT_EQ(send<CGFloat>(screen, sel<"scale">()), 2.0);
  EXPECT_EQ(send<CGSize>(send<id>(screen, sel<"currentMode">()), sel<"size">()), CGSizeMake(640, 1136));
  EXPECT_EQ(send<CGRect>(screen, sel<"applicationFrame">()), CGRectMake(0, 20, 320, 548));

  // The same objects answer the new metrics; the origin is always (0, 0).
  ASSERT_TRUE(uikit::setScreen(CGRectMake(5, 5, 768, 1024), 1.0));
  EXPECT_EQ(send<CGRect>(screen, sel<"bounds">()), CGRectMake(0, 0, 768, 1024));
  EXPECT_EQ(send<CGSize>(send<id>(screen, sel<"currentMode">()), sel<"size">()), CGSizeMake(768, 1024));
  ASSERT_TRUE(uikit::setScreen(CGRectMake(0, 0, 414, 736), 3.0));
  EXPECT_EQ(send<CGSize>(send<id>(screen, sel<"currentMode">()), sel<"size">()), CGSizeMake(1242, 2208));

  // Nonsense leaves the screen as it was.
  EXPECT_FALSE(uikit::setScreen(CGRectMake(0, 0, 0, 480), 1.0));
  EXPECT_FALSE(uikit::setScreen(CGRectMake(0, 0, 320, 480), 0.0));
  EXPECT_FALSE(uikit::setScreen(CGRectMake(0, 0, 320, 480), -2.0));
  EXPECT_FALSE(uikit::setScreen(CGRectMake(0, 0, std::nan(""), 480), 1.0));
  EXPECT_EQ(uikit::screen().scale, 3.0);
  uikit::resetScreen();
  EXPECT_EQ(send<CGFloat>(screen, sel<"scale">()), 2.0);
}
