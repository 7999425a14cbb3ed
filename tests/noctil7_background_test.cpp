// Notification Center's background with the iOS 7 tweak loaded into the home-screen
// stand-in: the backdrop settings, the custom picture with its blur and dimming, the
// picture kept per orientation, and the ActionMenu switch.
#include "Background.h"
#include "Launch.h"
#include "Options.h"
#include "Startup.h"
#include "TweakController.h"
#include "noctil7/OptionValues.h"

#include <TestSupport.h>

#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>
#include <uikit/UIColor.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>
#include <uikit/MenuAddOn.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using objc::send;
using objc::sel;

namespace {

using noctil7_tests::boolean;
using noctil7_tests::number;
using noctil7_tests::string;
using noctil7_tests::writeOptions;

// A solid red picture saved as JPEG data under the ".png" name, as the settings
// pane saves it.
void writeCustomPicture(CGSize size) {
  objc::AutoreleasePool pool;
  UIGraphicsBeginImageContextWithOptions(size, YES, 1.0);
  send<void>(send<id>(objc_lookUpClass("UIColor"), sel<"redColor">()), sel<"setFill">());
  UIRectFill(CGRectMake(0, 0, size.width, size.height));
  id picture = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  id data = UIImageJPEGRepresentation(picture, 1.0);
  ASSERT_TRUE(send<BOOL>(data, sel<"writeToFile:atomically:">(), string(noctil7::kCustomBackgroundPath), BOOL{YES}));
}

id backdropView() {
  id center = send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">());
  return objc::objectIvar(send<id>(center, sel<"viewController">()), "_backgroundView");
}

// The backdrop's own views (its tint layers) come first; the views of this library
// are the ones added after them.
NSUInteger gHostSubviewCount = 0;

id subviewsOfClass(id view, const char* className) {
  id found = send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
  id subviews = send<id>(view, sel<"subviews">());
  for (NSUInteger i = gHostSubviewCount; i < send<NSUInteger>(subviews, sel<"count">()); ++i) {
    id subview = send<id>(subviews, sel<"objectAtIndex:">(), i);
    if (send<BOOL>(subview, sel<"isMemberOfClass:">(), objc_lookUpClass(className)))
      send<void>(found, sel<"addObject:">(), subview);
  }
  return found;
}

void appearOnce() {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
}

// One SpringBoard with the tweak for the whole program: the method table is
// installed once, as on a device.
class Noctil7Background : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool started = [] {
      objc::AutoreleasePool pool;
      ns::setMainBundleIdentifier("com.apple.springboard");
      sb7::registerClasses();
      noctil7::start();
      return true;
    }();
    (void)started;
  }
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    std::filesystem::create_directories(root_.path() / "var/mobile/Library/Preferences");
    uikit::resetScreen();
    noctil7::resetOptions();
    noctil7::resetBackgroundState();
    noctil7::resetBackgroundPictureState();
    noctil7::resetLaunchState();
    ASSERT_TRUE(sb7::launch().ok());
    gHostSubviewCount = send<NSUInteger>(send<id>(backdropView(), sel<"subviews">()), sel<"count">());
  }
  void TearDown() override { sb7::shutdown(); }

  testing_support::TempDir root_;
  objc::AutoreleasePool pool_;
};

TEST_F(Noctil7Background, StockSettingsUntilTheUserEnablesHisOwn) {
  appearOnce();
  auto stock = sb7::backdropSettings().value();
  EXPECT_EQ(stock.blurRadius, 20.0);
  EXPECT_EQ(stock.grayscaleTintAlpha, 0.73);
  EXPECT_FALSE(stock.hasColorTint);
  EXPECT_EQ(stock.colorTintAlpha, 0.0);

  writeOptions({{"BGSettingsEnabled", boolean(YES)},
                {"BlurValue", number(12)},
                {"GrayscaleValue", number(0.5)},
                {"ColorTint", string("red")},
                {"ColorTintAlpha", number(0.25)}});
  noctil7::loadOptions();
  appearOnce();
  auto user = sb7::backdropSettings().value();
  EXPECT_EQ(user.blurRadius, 12.0);
  EXPECT_EQ(user.grayscaleTintAlpha, 0.5);
  ASSERT_TRUE(user.hasColorTint);
  EXPECT_EQ(user.colorTint[0], 1.0);
  EXPECT_EQ(user.colorTint[1], 0.0);
  EXPECT_EQ(user.colorTintAlpha, 0.25);

  // Switched off again: the stock values come back at the next appearance.
  writeOptions({{"BGSettingsEnabled", boolean(NO)}});
  noctil7::loadOptions();
  appearOnce();
  auto back = sb7::backdropSettings().value();
  EXPECT_EQ(back.blurRadius, 20.0);
  EXPECT_EQ(back.grayscaleTintAlpha, 0.73);
  EXPECT_FALSE(back.hasColorTint);
}

TEST_F(Noctil7Background, DisabledTintIsTransparentAndItsAlphaStillApplies) {
  writeOptions({{"BGSettingsEnabled", boolean(YES)}, {"ColorTint", string("disabled")}, {"ColorTintAlpha", number(0.6)}});
  noctil7::loadOptions();
  appearOnce();
  auto settings = sb7::backdropSettings().value();
  ASSERT_TRUE(settings.hasColorTint);
  EXPECT_EQ(settings.colorTint[3], 0.0);
  EXPECT_EQ(settings.colorTintAlpha, static_cast<double>(0.6f));
}

TEST_F(Noctil7Background, CustomPictureWithBlurAndDimmingInFrontOfIt) {
  writeCustomPicture({640, 1136});
  writeOptions({{"BGImageEnabled", boolean(YES)},
                {"BGImageAlpha", number(0.7)},
                {"BGImageGrayscaleValue", number(0.4)},
                {"BGImageBlurValue", number(5)}});
  noctil7::loadOptions();
  appearOnce();
  id backdrop = backdropView();
  id pictures = subviewsOfClass(backdrop, "UIImageView");
  ASSERT_EQ(send<NSUInteger>(pictures, sel<"count">()), 1u);
  id pictureView = send<id>(pictures, sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_EQ(send<CGFloat>(pictureView, sel<"alpha">()), static_cast<double>(0.7f));
  id picture = send<id>(pictureView, sel<"image">());
  ASSERT_NE(picture, nil);
  EXPECT_EQ(send<CGSize>(picture, sel<"size">()), CGSizeMake(320, 568));  // scaled to fill the screen
  EXPECT_GE(uikit::pixelAt(picture, 10, 10).r, 250);  // red through JPEG
  EXPECT_EQ(uikit::pixelAt(picture, 10, 10).a, 255);
  id layer = send<id>(pictureView, sel<"layer">());
  id filters = send<id>(layer, sel<"filters">());
  ASSERT_EQ(send<NSUInteger>(filters, sel<"count">()), 1u);
  id blur = send<id>(filters, sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_EQ(send<float>(send<id>(blur, sel<"valueForKey:">(), string("inputRadius")), sel<"floatValue">()), 5.0f);
  EXPECT_TRUE(send<BOOL>(send<id>(blur, sel<"valueForKey:">(), string("inputHardEdges")), sel<"boolValue">()));
  EXPECT_TRUE(send<BOOL>(layer, sel<"shouldRasterize">()));

  id dimmers = subviewsOfClass(backdrop, "UIView");
  ASSERT_EQ(send<NSUInteger>(dimmers, sel<"count">()), 1u);
  id dimming = send<id>(dimmers, sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_EQ(send<CGFloat>(dimming, sel<"alpha">()), static_cast<double>(0.4f));
  EXPECT_EQ(send<CGRect>(dimming, sel<"frame">()), CGRectMake(0, 0, 320, 568));
  id subviews = send<id>(backdrop, sel<"subviews">());
  EXPECT_GT(send<NSUInteger>(subviews, sel<"indexOfObject:">(), dimming),
            send<NSUInteger>(subviews, sel<"indexOfObject:">(), pictureView));

  // The same views are reused; the blur filter list too, until an options reload.
  appearOnce();
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(backdrop, "UIImageView"), sel<"count">()), 1u);
  EXPECT_EQ(send<id>(layer, sel<"filters">()), filters);

  // No blur: the layer loses its filters.
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"BGImageBlurValue", number(0)}});
  noctil7::loadOptions();
  appearOnce();
  EXPECT_EQ(send<NSUInteger>(send<id>(layer, sel<"filters">()), sel<"count">()), 0u);

  // A reload forgets the list: the next blurred appearance makes one with the new radius.
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"BGImageBlurValue", number(9)}});
  noctil7::loadOptions();
  appearOnce();
  id reblurred = send<id>(layer, sel<"filters">());
  ASSERT_EQ(send<NSUInteger>(reblurred, sel<"count">()), 1u);
  EXPECT_EQ(send<float>(send<id>(send<id>(reblurred, sel<"objectAtIndex:">(), NSUInteger{0}), sel<"valueForKey:">(),
                                 string("inputRadius")),
                        sel<"floatValue">()),
            9.0f);
}

TEST_F(Noctil7Background, APictureLeavesTheBackdropAsTheLastAppearanceWithoutOneSetIt) {
  writeOptions({{"BGSettingsEnabled", boolean(YES)},
                {"BlurValue", number(12)},
                {"GrayscaleValue", number(0.5)},
                {"ColorTint", string("red")},
                {"ColorTintAlpha", number(0.25)}});
  noctil7::loadOptions();
  appearOnce();
  // Other backdrop values with the picture on: none of them reaches the backdrop.
  writeCustomPicture({100, 100});
  writeOptions({{"BGImageEnabled", boolean(YES)},
                {"BGSettingsEnabled", boolean(YES)},
                {"BlurValue", number(30)},
                {"GrayscaleValue", number(0.1)},
                {"ColorTint", string("blue")},
                {"ColorTintAlpha", number(0.9)}});
  noctil7::loadOptions();
  appearOnce();
  ASSERT_EQ(send<NSUInteger>(subviewsOfClass(backdropView(), "UIImageView"), sel<"count">()), 1u);
  auto kept = sb7::backdropSettings().value();
  EXPECT_EQ(kept.blurRadius, 12.0);
  EXPECT_EQ(kept.grayscaleTintAlpha, 0.5);
  ASSERT_TRUE(kept.hasColorTint);
  EXPECT_EQ(kept.colorTint[0], 1.0);
  EXPECT_EQ(kept.colorTint[2], 0.0);
  EXPECT_EQ(kept.colorTintAlpha, 0.25);

  // The stock values stay as well, whatever the options say meanwhile.
  writeOptions({{"BGImageEnabled", boolean(NO)}, {"BGSettingsEnabled", boolean(NO)}});
  noctil7::loadOptions();
  appearOnce();
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"BGSettingsEnabled", boolean(YES)}, {"BlurValue", number(3)}});
  noctil7::loadOptions();
  appearOnce();
  auto stock = sb7::backdropSettings().value();
  EXPECT_EQ(stock.blurRadius, 20.0);
  EXPECT_EQ(stock.grayscaleTintAlpha, 0.73);
  EXPECT_FALSE(stock.hasColorTint);
}

TEST_F(Noctil7Background, TheKeptViewsMoveIntoTheBackdropOfAViewControllerMadeAgain) {
  writeCustomPicture({640, 1136});
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"BGImageGrayscaleValue", number(0.4)}});
  noctil7::loadOptions();
  appearOnce();
  id first = backdropView();
  id pictureView = send<id>(subviewsOfClass(first, "UIImageView"), sel<"firstObject">());
  id dimming = send<id>(subviewsOfClass(first, "UIView"), sel<"firstObject">());
  ASSERT_NE(pictureView, nil);
  ASSERT_NE(dimming, nil);

  // SpringBoard lets go of its Notification Center view controller and makes a new
  // one the next time it shows Notification Center.  The old one is kept alive here
  // only so its backdrop can be looked at.
  id center = send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">());
  objc::Ref oldController = objc::Ref::retain(send<id>(center, sel<"viewController">()));
  ASSERT_TRUE(objc::setObjectIvarRetained(center, "_viewController", nil));
  appearOnce();
  id backdrop = backdropView();
  ASSERT_NE(backdrop, first);
  id pictures = subviewsOfClass(backdrop, "UIImageView");
  id dimmers = subviewsOfClass(backdrop, "UIView");
  ASSERT_EQ(send<NSUInteger>(pictures, sel<"count">()), 1u);
  ASSERT_EQ(send<NSUInteger>(dimmers, sel<"count">()), 1u);
  EXPECT_EQ(send<id>(pictures, sel<"firstObject">()), pictureView);
  EXPECT_EQ(send<id>(dimmers, sel<"firstObject">()), dimming);
  EXPECT_NE(send<id>(pictureView, sel<"image">()), nil);
  id subviews = send<id>(backdrop, sel<"subviews">());
  EXPECT_GT(send<NSUInteger>(subviews, sel<"indexOfObject:">(), dimming),
            send<NSUInteger>(subviews, sel<"indexOfObject:">(), pictureView));
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(first, "UIImageView"), sel<"count">()), 0u);

  // A picture view alone in the backdrop gets its dimming view back in front of it.
  send<void>(dimming, sel<"removeFromSuperview">());
  appearOnce();
  subviews = send<id>(backdrop, sel<"subviews">());
  EXPECT_EQ(send<id>(dimming, sel<"superview">()), backdrop);
  EXPECT_GT(send<NSUInteger>(subviews, sel<"indexOfObject:">(), dimming),
            send<NSUInteger>(subviews, sel<"indexOfObject:">(), pictureView));
  // And a picture view taken out goes back behind the dimming view.
  send<void>(pictureView, sel<"removeFromSuperview">());
  appearOnce();
  subviews = send<id>(backdrop, sel<"subviews">());
  EXPECT_EQ(send<id>(pictureView, sel<"superview">()), backdrop);
  EXPECT_GT(send<NSUInteger>(subviews, sel<"indexOfObject:">(), dimming),
            send<NSUInteger>(subviews, sel<"indexOfObject:">(), pictureView));
}

TEST_F(Noctil7Background, PictureOptionWithoutAFileRemovesEarlierViews) {
  writeCustomPicture({100, 100});
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  noctil7::loadOptions();
  appearOnce();
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(backdropView(), "UIImageView"), sel<"count">()), 1u);
  std::filesystem::remove(root_.path() / "var/mobile/Library/Noctil/CustomBGImage.png");
  appearOnce();
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(backdropView(), "UIImageView"), sel<"count">()), 0u);
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(backdropView(), "UIView"), sel<"count">()), 0u);
  EXPECT_EQ(sb7::backdropSettings().value().blurRadius, 20.0);
}

TEST_F(Noctil7Background, ThePictureIsKeptPerOrientationAndReloadedOnATurn) {
  writeCustomPicture({200, 100});
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  noctil7::loadOptions();
  id controller = noctil7::tweakController();
  send<void>(controller, sel<"createCustomBGImage">());
  id portrait = noctil7::cachedBackgroundPicture();
  EXPECT_EQ(send<CGSize>(portrait, sel<"size">()), CGSizeMake(320, 568));
  send<void>(controller, sel<"createCustomBGImage">());
  EXPECT_EQ(noctil7::cachedBackgroundPicture(), portrait);  // reused

  sb7::setInterfaceOrientation(3);
  send<void>(controller, sel<"createCustomBGImage">());
  id landscape = noctil7::cachedBackgroundPicture();
  ASSERT_NE(landscape, portrait);
  CGSize box = send<CGSize>(landscape, sel<"size">());
  EXPECT_EQ(box.width, 568);
  // The box is 568 x 1008.2 points; at scale 2.0 its bitmap takes whole pixels, 2017 high.
  EXPECT_EQ(box.height * 2.0, std::ceil(568.0 * 568.0 / 320.0 * 2.0));
  // Stretched over the whole box: red to the last whole pixel row and column.
  EXPECT_GE(uikit::pixelAt(landscape, 1135, 2015).r, 250);
  EXPECT_EQ(uikit::pixelAt(landscape, 1135, 2015).a, 255);
  EXPECT_EQ(uikit::pixelAt(landscape, 1136, 2015).a, 0);

  // Not scaled to fill: the picture as it is.
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"BGImageScaleToFill", boolean(NO)}});
  noctil7::loadOptions();
  EXPECT_EQ(noctil7::cachedBackgroundPicture(), nil);  // a reload drops it
  send<void>(controller, sel<"createCustomBGImage">());
  EXPECT_EQ(send<CGSize>(noctil7::cachedBackgroundPicture(), sel<"size">()), CGSizeMake(200, 100));
}

TEST_F(Noctil7Background, BackgroundPictureNeedsTheOptionAndAFileOfAnyContent) {
  id controller = noctil7::tweakController();
  EXPECT_FALSE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  noctil7::loadOptions();
  EXPECT_FALSE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  std::filesystem::create_directories(root_.path() / "var/mobile/Library/Noctil");
  std::FILE* f = std::fopen((root_.path() / "var/mobile/Library/Noctil/CustomBGImage.png").c_str(), "w");
  std::fputs("not a picture", f);
  std::fclose(f);
  EXPECT_TRUE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  // Undecodable: the cache stays empty and the views are made without a picture.
  send<void>(controller, sel<"createCustomBGImage">());
  EXPECT_EQ(noctil7::cachedBackgroundPicture(), nil);
  appearOnce();
  EXPECT_EQ(send<NSUInteger>(subviewsOfClass(backdropView(), "UIView"), sel<"count">()), 1u);
}

// ---- ActionMenu ----------------------------------------------------------------------

id readActionMenuOptions() {
  return send<id>(objc_lookUpClass("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(),
                  string(noctil7::kActionMenuOptionsPath));
}
std::string actionMenuEnabled() {
  id settings = readActionMenuOptions();
  if (settings == nil) return "no file";
  id value = send<id>(settings, sel<"objectForKey:">(), string("AMEnabled"));
  if (value == nil) return "absent";
  return send<BOOL>(value, sel<"boolValue">()) ? "YES" : "NO";
}
void writeActionMenuOptions(std::initializer_list<std::pair<const char*, id>> entries) {
  id dictionary = send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
  for (const auto& [key, value] : entries) send<void>(dictionary, sel<"setObject:forKey:">(), value, string(key));
  send<BOOL>(dictionary, sel<"writeToFile:atomically:">(), string(noctil7::kActionMenuOptionsPath), BOOL{YES});
}

TEST_F(Noctil7Background, ActionMenuNotLoadedMeansItsFileIsNeverTouched) {
  ASSERT_FALSE(send<BOOL>(send<id>(objc_lookUpClass("UIMenuController"), sel<"sharedMenuController">()),
                          sel<"respondsToSelector:">(), sel<"registerAction:title:canPerform:">()));
  appearOnce();
  EXPECT_EQ(actionMenuEnabled(), "no file");
  EXPECT_FALSE(noctil7::actionMenuSuspended());
}

// Counts ActionMenu's change notifications as another process would see them.  A
// sentinel posted after them arrives after them, so once it is in, every earlier
// post has been delivered.
int gActionMenuPosts = 0;
bool gSentinelArrived = false;
int gObserverToken = 0;
constexpr const char* kSentinel = "test.noctil7.background.sentinel";

void countActionMenuPost(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  ++gActionMenuPosts;
}
void sentinelArrived(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  gSentinelArrived = true;
}

class Noctil7ActionMenu : public Noctil7Background {
 protected:
  void SetUp() override {
    Noctil7Background::SetUp();
    gActionMenuPosts = 0;
    auto center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, &gObserverToken, &countActionMenuPost,
                                    reinterpret_cast<CFStringRef>(string(noctil7::kActionMenuNotification)), nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
    CFNotificationCenterAddObserver(center, &gObserverToken, &sentinelArrived,
                                    reinterpret_cast<CFStringRef>(string(kSentinel)), nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
    uikit::setMenuAddOnInstalled(true);
  }
  void TearDown() override {
    uikit::setMenuAddOnInstalled(false);
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &gObserverToken);
    Noctil7Background::TearDown();
  }
  // The number of ActionMenu notifications delivered since the last call.
  int deliveredPosts() {
    gSentinelArrived = false;
    EXPECT_EQ(notify_post(kSentinel), NOTIFY_STATUS_OK);
    EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return gSentinelArrived; }, 10.0));
    return std::exchange(gActionMenuPosts, 0);
  }
};

TEST_F(Noctil7ActionMenu, EachSwitchIsWrittenAndAnnounced) {
  writeActionMenuOptions({{"AMEnabled", boolean(YES)}, {"Other", number(3)}});
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "NO");
  EXPECT_TRUE(noctil7::actionMenuSuspended());
  EXPECT_EQ(deliveredPosts(), 1);
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "YES");
  EXPECT_FALSE(noctil7::actionMenuSuspended());
  EXPECT_EQ(deliveredPosts(), 1);
  // The add-on's other settings survive both rewrites.
  EXPECT_EQ(send<NSInteger>(send<id>(readActionMenuOptions(), sel<"objectForKey:">(), string("Other")),
                            sel<"integerValue">()),
            3);

  // "AMEnabled" absent counts as on: switched off, then back on explicitly.
  writeActionMenuOptions({{"Other", number(3)}});
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "NO");
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "YES");
  EXPECT_EQ(deliveredPosts(), 2);
}

TEST_F(Noctil7ActionMenu, SwitchedOffByTheUserIsNeitherWrittenNorAnnounced) {
  writeActionMenuOptions({{"AMEnabled", boolean(NO)}});
  auto file = root_.path() / "var/mobile/Library/Preferences/com.booleanmagic.ActionMenu.plist";
  auto written = std::filesystem::last_write_time(file);
  std::filesystem::last_write_time(file, written - std::chrono::hours(1));
  written = std::filesystem::last_write_time(file);
  appearOnce();
  EXPECT_EQ(std::filesystem::last_write_time(file), written);
  EXPECT_EQ(actionMenuEnabled(), "NO");
  EXPECT_EQ(deliveredPosts(), 0);
}

TEST_F(Noctil7ActionMenu, AFileGoneBeforeTheDisappearanceIsNotRecreatedButTheChangeIsAnnounced) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "NO");  // made holding only AMEnabled = NO
  std::filesystem::remove(root_.path() / "var/mobile/Library/Preferences/com.booleanmagic.ActionMenu.plist");
  EXPECT_EQ(deliveredPosts(), 1);
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "no file");
  EXPECT_FALSE(noctil7::actionMenuSuspended());
  EXPECT_EQ(deliveredPosts(), 1);
  // Nothing is owed any more: the next disappearance neither writes nor announces.
  send<void>(send<id>(send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">()),
                      sel<"viewController">()),
             sel<"viewWillDisappear:">(), BOOL{NO});
  EXPECT_EQ(actionMenuEnabled(), "no file");
  EXPECT_EQ(deliveredPosts(), 0);
}

TEST_F(Noctil7ActionMenu, ADamagedSettingsFileOfTheAddOnIsLeftAsItIs) {
  auto file = root_.path() / "var/mobile/Library/Preferences/com.booleanmagic.ActionMenu.plist";
  const std::string truncated =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>AMEnabled</key>\n\t<tr";
  const std::string wrongRoot =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>\n\t<string>x</string>\n"
      "</array>\n</plist>\n";
  for (const std::string& content : {truncated, wrongRoot}) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    ASSERT_TRUE(sb7::showNotificationCenter().ok());
    EXPECT_FALSE(noctil7::actionMenuSuspended());
    ASSERT_TRUE(sb7::hideNotificationCenter().ok());
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content);
    EXPECT_EQ(deliveredPosts(), 0);
  }
}

TEST_F(Noctil7ActionMenu, TheAddOnGoingAwayWhileShownStillGetsItsSwitchBack) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  uikit::setMenuAddOnInstalled(false);
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_EQ(actionMenuEnabled(), "YES");
  EXPECT_EQ(deliveredPosts(), 2);
  // Without the add-on an appearance leaves its file alone.
  appearOnce();
  EXPECT_EQ(actionMenuEnabled(), "YES");
  EXPECT_EQ(deliveredPosts(), 0);
}

// Every setMenuVisible:animated: the shared menu gets, recorded on the way through.
std::vector<std::pair<BOOL, BOOL>> gMenuVisibility;
IMP gHostSetMenuVisible = nullptr;
void recordMenuVisible(id self, SEL cmd, BOOL visible, BOOL animated) {
  gMenuVisibility.emplace_back(visible, animated);
  objc::callImp<void, BOOL, BOOL>(gHostSetMenuVisible, self, cmd, visible, animated);
}

TEST_F(Noctil7ActionMenu, DisappearanceHidesTheSharedMenuAnimated) {
  if (gHostSetMenuVisible == nullptr) {
    Method method = class_getInstanceMethod(objc_lookUpClass("UIMenuController"), sel<"setMenuVisible:animated:">());
    gHostSetMenuVisible = method_setImplementation(method, objc::toImp(&recordMenuVisible));
  }
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  gMenuVisibility.clear();
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_NE(std::find(gMenuVisibility.begin(), gMenuVisibility.end(), std::pair<BOOL, BOOL>{NO, YES}),
            gMenuVisibility.end());
}

void answerRegisterAction(id, SEL, id, id, id) {}

// The ActionMenu sequences run in a child process: making the menu controller answer
// registerAction:title:canPerform: cannot be undone.
TEST(Noctil7ActionMenuDeathTest, SwitchedOffWhileShownAndBackOnAfter) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  EXPECT_EXIT(
      {
        objc::AutoreleasePool pool;
        ns::setDeviceRoot(root.path());
        std::filesystem::create_directories(root.path() / "var/mobile/Library/Preferences");
        ns::setMainBundleIdentifier("com.apple.springboard");
        sb7::registerClasses();
        class_addMethod(objc_lookUpClass("UIMenuController"), sel<"registerAction:title:canPerform:">(),
                        objc::toImp(&answerRegisterAction), "v@:@@@");
        noctil7::start();
        EXPECT_TRUE(sb7::launch().ok());

        // No file: a new one holding only AMEnabled = NO, then YES.
        ASSERT_TRUE(sb7::showNotificationCenter().ok());
        EXPECT_EQ(actionMenuEnabled(), "NO");
        EXPECT_EQ(send<NSUInteger>(readActionMenuOptions(), sel<"count">()), 1u);
        EXPECT_TRUE(noctil7::actionMenuSuspended());
        ASSERT_TRUE(sb7::hideNotificationCenter().ok());
        EXPECT_EQ(actionMenuEnabled(), "YES");
        EXPECT_FALSE(noctil7::actionMenuSuspended());

        // Switched off by the user: not touched, and not switched on afterwards.
        writeActionMenuOptions({{"AMEnabled", boolean(NO)}, {"Other", string("kept")}});
        appearOnce();
        EXPECT_EQ(actionMenuEnabled(), "NO");
        EXPECT_FALSE(noctil7::actionMenuSuspended());

        // Two appearances in a row: the second finds it already off and forgets that
        // it switched it off, so the disappearance leaves it off.
        writeActionMenuOptions({{"AMEnabled", boolean(YES)}, {"Other", string("kept")}});
        ASSERT_TRUE(sb7::showNotificationCenter().ok());
        EXPECT_TRUE(noctil7::actionMenuSuspended());
        send<void>(send<id>(send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">()),
                            sel<"viewController">()),
                   sel<"viewWillAppear:">(), BOOL{NO});
        EXPECT_FALSE(noctil7::actionMenuSuspended());
        ASSERT_TRUE(sb7::hideNotificationCenter().ok());
        EXPECT_EQ(actionMenuEnabled(), "NO");
        EXPECT_TRUE(send<BOOL>(send<id>(readActionMenuOptions(), sel<"objectForKey:">(), string("Other")),
                               sel<"isEqualToString:">(), string("kept")));
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
