// The banner close box on the real iOS 6 home screen with Noctil6 started: the box on
// the first banner and on a queued one, its frame, picture and insets, a tap inside
// it closing the banner without opening the app and a tap elsewhere opening it, the
// option switched off, and the category method's fallback to the banner controller
// (with small stand-in classes, in a process of its own).
#include "BannerClosebox.h"
#include "noctil6/HomeScreen.h"

#include <objcface/ClassBuilder.h>
#include <uikit/UIButton.h>
#include <uikit/UIView.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using objc::send;
using objc::sel;

namespace noctil6_tests {
namespace {

id bannerController() {
  return send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBannerController")), sel<"sharedInstance">());
}
id bannerView() {
  return objc::objectIvar(objc::objectIvar(bannerController(), "_bannerAndShadowView"), "_banner");
}
id closebox() { return send<id>(bannerView(), sel<"viewWithTag:">(), noctil6::kCloseboxTag); }
CGRect frameOf(id view) { return send<CGRect>(view, sel<"frame">()); }

class Noctil6CloseboxTest : public Noctil6HomeTest {
 protected:
  void SetUp() override {
    Noctil6HomeTest::SetUp();
    // The settings bundle's close box picture, as installing lays it on a device.
    const auto staged = testing_support::binaryDir() / "settings/Resources";
    const auto bundle = ns::deviceRoot() / "Library/PreferenceBundles/NoctilSettings.bundle";
    std::filesystem::create_directories(bundle);
    for (const char* name : {"banner_closebox.png", "banner_closebox@2x.png"})
      std::filesystem::copy_file(staged / name, bundle / name, std::filesystem::copy_options::overwrite_existing);
  }
  void postMessage(const std::string& text) {
    sb6::Notification n;
    n.sectionID = "com.apple.MobileSMS";
    n.message = text;
    n.url = "sms:+15550100";
    ASSERT_TRUE(sb6::post(n).ok());
    sb6::settle();
  }
};

TEST_F(Noctil6CloseboxTest, EveryBannerGetsACloseBoxAtItsRightEnd) {
  launch();
  postMessage("first");
  ASSERT_TRUE(sb6::isBannerShown());
  id box = closebox();
  ASSERT_NE(box, nil);
  EXPECT_TRUE(send<BOOL>(box, sel<"isKindOfClass:">(), objc_lookUpClass("UIButton")));
  EXPECT_EQ(send<id>(box, sel<"superview">()), bannerView());
  const CGSize banner = frameOf(bannerView()).size;
  const CGRect frame = frameOf(box);
  EXPECT_EQ(frame.origin.x, banner.width - 40);
  EXPECT_EQ(frame.origin.y, banner.height / 2 - 20);
  EXPECT_EQ(frame.size.width, 40);
  EXPECT_EQ(frame.size.height, 40);
  EXPECT_EQ(send<NSUInteger>(box, sel<"autoresizingMask">()), 5u);
  EXPECT_TRUE(send<BOOL>(box, sel<"showsTouchWhenHighlighted">()));
  // The bundle's picture, drawn in the 15 × 16 area the insets leave.
  id picture = send<id>(box, sel<"imageForState:">(), NSUInteger{0});
  ASSERT_NE(picture, nil);
  EXPECT_EQ(send<CGSize>(picture, sel<"size">()).width, 15);
  UIEdgeInsets insets = send<UIEdgeInsets>(box, sel<"imageEdgeInsets">());
  EXPECT_EQ(insets.top, 13);
  EXPECT_EQ(insets.left, 16);
  EXPECT_EQ(insets.bottom, 11);
  EXPECT_EQ(insets.right, 9);
  EXPECT_EQ(send<id>(send<id>(box, sel<"subviews">()), sel<"objectAtIndex:">(), NSUInteger{0}),
            send<id>(box, sel<"imageView">()));

  // The next banner, queued behind this one, comes through the banner controller's
  // own presentation and gets its box too.
  postMessage("second");
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(300, 20)).ok());
  ASSERT_TRUE(sb6::isBannerShown());
  EXPECT_EQ(ns::utf8(send<id>(send<id>(bannerView(), sel<"item">()), sel<"message">())), "second");
  EXPECT_NE(closebox(), nil);
}

TEST_F(Noctil6CloseboxTest, ATapInsideTheBoxClosesTheBannerWithoutOpeningTheApp) {
  launch();
  postMessage("hello");
  ASSERT_TRUE(sb6::isBannerShown());
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(300, 20)).ok());
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);

  // Anywhere else the banner is the platform's: it goes and the app opens.
  postMessage("again");
  ASSERT_TRUE(sb6::isBannerShown());
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(150, 20)).ok());
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
}

TEST_F(Noctil6CloseboxTest, TheBoxsOwnActionClosesTheBanner) {
  launch();
  postMessage("hello");
  ASSERT_NE(closebox(), nil);
  send<void>(closebox(), sel<"sendActionsForControlEvents:">(), NSUInteger{1u << 6});
  ASSERT_TRUE(ns::advanceClock(0.5).ok());
  sb6::settle();
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);
}

TEST_F(Noctil6CloseboxTest, WithTheOptionOffBannersAreThePlatformsOwn) {
  writeOptions({{"BannerClosebox", boolean(NO)}});
  reload();
  launch();
  postMessage("hello");
  ASSERT_TRUE(sb6::isBannerShown());
  EXPECT_EQ(closebox(), nil);
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(300, 20)).ok());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
  // The master switch turns it off too.
  writeOptions({{"NoctilEnabled", boolean(NO)}, {"BannerClosebox", boolean(YES)}});
  reload();
  ASSERT_TRUE(sb6::pressHome().ok());
  postMessage("hello again");
  ASSERT_TRUE(sb6::isBannerShown());
  EXPECT_EQ(closebox(), nil);
}

TEST_F(Noctil6CloseboxTest, WithoutItsPictureTheBoxStillCloses) {
  std::filesystem::remove_all(ns::deviceRoot() / "Library/PreferenceBundles");
  launch();
  postMessage("hello");
  ASSERT_NE(closebox(), nil);
  EXPECT_EQ(send<id>(closebox(), sel<"imageForState:">(), NSUInteger{0}), nil);
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(300, 20)).ok());
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);
}

TEST_F(Noctil6CloseboxTest, TheScreenShowsTheBoxOnTheBanner) {
  launch();
  postMessage("hello");
  ASSERT_TRUE(ns::advanceClock(0.4).ok());  // the banner has slid in
  sb6::settle();
  // The glyph is light on the dark banner, inside x 296…311, y 13…29 of the banner.
  int light = 0;
  for (int y = 13; y < 29; ++y)
    for (int x = 296; x < 311; ++x) {
      uikit::Rgba p = screenPixel(x, y);
      if (p.r > 150 && p.g > 150 && p.b > 150) ++light;
    }
  EXPECT_GT(light, 10);
  int lightElsewhere = 0;
  for (int y = 13; y < 29; ++y)
    for (int x = 250; x < 270; ++x) {
      uikit::Rgba p = screenPixel(x, y);
      if (p.r > 150 && p.g > 150 && p.b > 150) ++lightElsewhere;
    }
  EXPECT_EQ(lightElsewhere, 0);
}

// A holder of a banner of any size, as the banner controllers hold theirs.
struct HolderIvars : NSObjectIvars {
  id _bannerAndShadowView;
};

TEST_F(Noctil6CloseboxTest, OnABanner320By60TheBoxSpans280To320And10To50) {
  launch();  // the home screen's banner classes
  static const Class holderClass = objc::ClassBuilder<HolderIvars>("TestBannerHolder", objc::NSObjectClass())
                                       .ivar<&HolderIvars::_bannerAndShadowView>("_bannerAndShadowView")
                                       .registerClass();
  objc::Ref banner = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(objc_lookUpClass("UIView")), sel<"alloc">()),
                                               sel<"initWithFrame:">(), CGRectMake(0, 0, 320, 60)));
  objc::Ref carrier = objc::Ref::adopt(
      send<id>(send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBannerAndShadowView")), sel<"alloc">()),
               sel<"initWithBanner:">(), banner.get()));
  objc::Ref holder = objc::Ref::adopt(objc::allocInit(holderClass));
  objc::ivars<HolderIvars>(holder)->_bannerAndShadowView = carrier.get();
  noctil6::addClosebox(holder);
  id box = send<id>(banner, sel<"viewWithTag:">(), noctil6::kCloseboxTag);
  ASSERT_NE(box, nil);
  const CGRect frame = frameOf(box);
  EXPECT_EQ(frame.origin.x, 280);
  EXPECT_EQ(frame.origin.x + frame.size.width, 320);
  EXPECT_EQ(frame.origin.y, 10);
  EXPECT_EQ(frame.origin.y + frame.size.height, 50);
  objc::ivars<HolderIvars>(holder)->_bannerAndShadowView = nil;
}

// ---- The category method's fallback, with stand-ins in a process of its own ----

std::vector<std::string> gLog;
id standInShared(id cls, SEL) {
  static std::vector<std::pair<id, objc::Ref>> instances;
  for (auto& [c, instance] : instances)
    if (c == cls) return instance;
  instances.emplace_back(cls, objc::Ref::adopt(objc::allocInit(reinterpret_cast<Class>(cls))));
  return instances.back().second;
}
void logDismiss(id self, SEL, BOOL animated) {
  gLog.push_back(std::string(objc::className(self)) + (animated ? " animated" : " at once"));
}

TEST(Noctil6CloseboxDeathTest, DismissingFallsBackToTheBannerController) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        objc::AutoreleasePool pool;
        // A bulletin banner controller that cannot dismiss; the banner controller can.
        objc::ClassBuilder<NSObjectIvars>("SBBulletinBannerController", objc::NSObjectClass())
            .classMethod<&standInShared>("sharedInstance")
            .registerClass();
        objc::ClassBuilder<NSObjectIvars>("SBBannerController", objc::NSObjectClass())
            .classMethod<&standInShared>("sharedInstance")
            .method<&logDismiss>("_tryToDismissBannerWithAnimation:")
            .registerClass();
        noctil6::installBannerCategory();
        objc::Ref view = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UIView")));
        send<void>(view, sel<"dismissBannerFromNoctil">());
        if (gLog != std::vector<std::string>{"SBBannerController animated"}) std::exit(1);
        // When the bulletin banner controller can, it does, and alone.
        class_addMethod(objc_lookUpClass("SBBulletinBannerController"), sel<"dismissBannerWithAnimation:">(),
                        objc::toImp(&logDismiss), "v@:c");
        gLog.clear();
        send<void>(view, sel<"dismissBannerFromNoctil">());
        std::exit(gLog == std::vector<std::string>{"SBBulletinBannerController animated"} ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Noctil6CloseboxDeathTest, WithoutBannerClassesDismissingDoesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        objc::AutoreleasePool pool;
        noctil6::installBannerCategory();
        objc::Ref view = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UIView")));
        send<void>(view, sel<"dismissBannerFromNoctil">());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace noctil6_tests
