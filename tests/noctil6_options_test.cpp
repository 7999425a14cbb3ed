// The iOS 6 tweak's options loader (every key, the Absent and Initial values, the
// special cases and the rules after reading) with files written by the platform's own
// writer and by Python's plistlib, and the tweak controller's accessors inside and
// outside the lock context.
#include "Launch.h"
#include "ListBackground.h"
#include "Options.h"
#include "TweakController.h"
#include "noctil6/OptionFiles.h"

#include <TestSupport.h>

#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using objc::send;
using objc::sel;

namespace {

using noctil6::options;
using noctil6_tests::boolean;
using noctil6_tests::copyOptionsFile;
using noctil6_tests::integer;
using noctil6_tests::number;
using noctil6_tests::string;
using noctil6_tests::writeOptions;

std::string text(id object) {
  if (object == nil) return "(nil)";
  return ns::utf8(send<id>(object, sel<"description">()));
}

std::string sections() {
  id list = options().collapsibleSections;
  if (list == nil) return "(nil)";
  std::string out;
  const NSUInteger count = send<NSUInteger>(list, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i)
    out += (i ? "," : "") + ns::utf8(send<id>(list, sel<"objectAtIndex:">(), i));
  return out;
}

class Noctil6Options : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    noctil6::resetOptions();
    noctil6::resetLaunchState();
  }
  void TearDown() override { noctil6::resetOptions(); }
  testing_support::TempDir root_;
  objc::AutoreleasePool pool_;
};

TEST_F(Noctil6Options, NoFileAtTheFirstLoadKeepsTheInitialValues) {
  noctil6::loadOptions();
  const auto& o = options();
  EXPECT_TRUE(o.noctilEnabled && o.bannerClosebox && o.collapsible && o.swipeToDelete && o.lockEnabled);
  EXPECT_EQ(o.bgAlpha, 0.5f);
  EXPECT_EQ(o.lockBGAlpha, 0.5f);
  EXPECT_EQ(o.blurValue, 5.0f);
  EXPECT_EQ(o.defaultShow, 0);
  EXPECT_TRUE(o.hideTimeView);
  EXPECT_FALSE(o.hideLockBar);
  // Without a file the tints become "darkGray", and then nil because neither list is
  // transparent; the folded set is a new empty array.
  EXPECT_EQ(text(o.tintColor), "(nil)");
  EXPECT_EQ(text(o.lockTintColor), "(nil)");
  EXPECT_EQ(sections(), "");
}

TEST_F(Noctil6Options, AbsentKeysTakeTheirAbsentValuesNotTheInitialOnes) {
  writeOptions({{"BlurValue", number(8)}, {"LockBlurValue", number(9)}});
  noctil6::loadOptions();
  EXPECT_EQ(options().blurValue, 8.0f);
  writeOptions({{"Transparent", boolean(YES)}, {"LockTransparent", boolean(YES)}});
  noctil6::loadOptions();
  const auto& o = options();
  EXPECT_EQ(o.bgAlpha, 1.0f);      // not the initial 0.5
  EXPECT_EQ(o.lockBGAlpha, 1.0f);
  EXPECT_EQ(o.blurValue, 8.0f);    // the two blur amounts keep their values
  EXPECT_EQ(o.lockBlurValue, 9.0f);
  EXPECT_EQ(text(o.tintColor), "darkGray");
  EXPECT_EQ(text(o.lockTintColor), "darkGray");
  EXPECT_EQ(text(o.noNotificationsText), "(nil)");
  EXPECT_EQ(sections(), "");
}

TEST_F(Noctil6Options, OnlyTheMasterSwitchOffWrittenByPlistlib) {
  copyOptionsFile("only_disabled.plist");
  noctil6::loadOptions();
  const auto& o = options();
  EXPECT_FALSE(o.noctilEnabled);
  EXPECT_FALSE(o.lockEnabled || o.swipeToDelete || o.collapsible || o.bannerClosebox || o.transparent ||
               o.lockTransparent || o.blur || o.lockBlur || o.bgImageEnabled || o.lockBGImageEnabled);
  EXPECT_FALSE(o.sdRemoveBadge || o.sdMarkSMSAsRead || o.csRemoveBadge || o.csMarkSMSAsRead);
  EXPECT_EQ(o.defaultShow, 0);
  EXPECT_EQ(o.topShelfWidgets, 0);
  EXPECT_TRUE(o.showNoNotificationsLabel);
  EXPECT_EQ(sections(), "(nil)");
  EXPECT_EQ(text(o.tintColor), "(nil)");
  // Options the master switch leaves alone keep their absent values.
  EXPECT_TRUE(o.sdRequireConfirm);
  EXPECT_FALSE(o.pullUpToUnlock);
  EXPECT_TRUE(o.hideTimeView);
  EXPECT_TRUE(o.unlockSound);

  // Switched back on, the features come back from the file (here: their absent values).
  writeOptions({{"NoctilEnabled", boolean(YES)}, {"DefaultShow", integer(1)}});
  noctil6::loadOptions();
  EXPECT_TRUE(o.lockEnabled && o.swipeToDelete && o.collapsible && o.bannerClosebox);
  EXPECT_EQ(o.defaultShow, 1);
  EXPECT_EQ(sections(), "");
}

TEST_F(Noctil6Options, ABlurredLockScreenWithoutItsPictureKeepsClockAndLockBar) {
  copyOptionsFile("lock_blur.plist");  // binary, from plistlib
  noctil6::loadOptions();
  EXPECT_TRUE(options().lockBlur);
  EXPECT_FALSE(options().hideTimeView);
  EXPECT_FALSE(options().hideLockBar);

  // With its own picture under the blur, the clock may fade; with the blur applied to
  // the picture it may not.
  writeOptions({{"LockBlur", boolean(YES)}, {"LockBGImageEnabled", boolean(YES)}, {"HideLockBar", boolean(YES)}});
  noctil6::loadOptions();
  EXPECT_TRUE(options().hideTimeView);
  EXPECT_TRUE(options().hideLockBar);
  writeOptions({{"LockBlur", boolean(YES)}, {"LockBGImageEnabled", boolean(YES)}, {"LockBlurApplyToBack", boolean(YES)}});
  noctil6::loadOptions();
  EXPECT_FALSE(options().hideTimeView);
}

TEST_F(Noctil6Options, EveryKeyIsReadInBothFormats) {
  for (const char* file : {"every_key.plist", "every_key.bplist"}) {
    SCOPED_TRACE(file);
    noctil6::resetOptions();
    copyOptionsFile(file);
    noctil6::loadOptions();
    const auto& o = options();
    EXPECT_TRUE(o.noctilEnabled && o.collapsible && o.transparent && o.bgImageEnabled && o.blur && o.blurApplyToBack);
    EXPECT_FALSE(o.bannerClosebox || o.swipeToDelete || o.sdRequireConfirm || o.sdRemoveBadge || o.sdMarkSMSAsRead ||
                 o.csRemoveBadge || o.csMarkSMSAsRead || o.showNoNotificationsLabel || o.scaleToFill);
    EXPECT_EQ(text(o.noNotificationsText), "Nothing here");
    EXPECT_EQ(o.topShelfWidgets, 2);
    EXPECT_EQ(o.bgAlpha, 0.3f);  // single precision
    EXPECT_EQ(o.blurValue, 7.5f);
    EXPECT_EQ(o.cellBackAlpha, 0.4f);
    EXPECT_TRUE(o.lockTransparent);
    EXPECT_EQ(o.lockBGAlpha, 0.7f);
    EXPECT_FALSE(o.lockBlur);
    EXPECT_EQ(o.lockBlurValue, 3.0f);
    EXPECT_FALSE(o.lockEnabled);
    EXPECT_EQ(o.defaultShow, 2);
    EXPECT_TRUE(o.pullUpToUnlock && o.enableLockBar && o.hideLockBar && o.unlockAnimation);
    EXPECT_FALSE(o.hideTimeView || o.unlockSound);
    EXPECT_EQ(o.lockCellBackAlpha, 0.2f);
    EXPECT_TRUE(o.lockBGImageEnabled && o.lockBlurApplyToBack);
    EXPECT_EQ(text(o.tintColor), "hotpink");
    EXPECT_EQ(text(o.lockTintColor), "red");
    EXPECT_EQ(sections(), "com.apple.MobileSMS,com.apple.mobilemail");
    // The folded set is a mutable array of the tweak's own.
    EXPECT_TRUE(send<BOOL>(o.collapsibleSections, sel<"isKindOfClass:">(), objc_lookUpClass("NSMutableArray")));
  }
}

TEST_F(Noctil6Options, TintsNeedTransparencyAndEmptyTextIsNoText) {
  writeOptions({{"TintColor", string("red")},
                {"Transparent", boolean(NO)},
                {"LockTintColor", string("hotpink")},
                {"LockTransparent", boolean(YES)},
                {"NoNotificationsText", string("")}});
  noctil6::loadOptions();
  EXPECT_EQ(text(options().tintColor), "(nil)");
  EXPECT_EQ(text(options().lockTintColor), "hotpink");
  EXPECT_EQ(text(options().noNotificationsText), "(nil)");
}

TEST_F(Noctil6Options, ValuesOfTheWrongKindReadAsNoOrZero) {
  copyOptionsFile("wrong_kinds.plist");
  noctil6::loadOptions();
  const auto& o = options();
  EXPECT_TRUE(o.collapsible);     // "yes"
  EXPECT_FALSE(o.swipeToDelete);  // "nope"
  EXPECT_EQ(o.bgAlpha, 0.25f);    // "0.25px"
  EXPECT_EQ(o.lockBGAlpha, 0.0f); // "abc"
  EXPECT_EQ(o.defaultShow, 1);    // "1"
  EXPECT_EQ(o.topShelfWidgets, 0);  // an array answers no number
  EXPECT_TRUE(o.transparent);     // 1
  EXPECT_EQ(text(o.tintColor), "12");  // kept as read; it names no colour
  EXPECT_EQ(text(o.noNotificationsText), "(nil)");
  // A folded set that is not an array gives an empty set rather than a dictionary.
  EXPECT_EQ(sections(), "");
}

TEST_F(Noctil6Options, AnUnreadableFileSetsOnlyTheTintsAndTheFoldedSet) {
  copyOptionsFile("every_key.plist");
  noctil6::loadOptions();
  std::ofstream(noctil6_tests::optionsFile(), std::ios::trunc) << "not a property list";
  noctil6::loadOptions();
  const auto& o = options();
  EXPECT_EQ(text(o.tintColor), "darkGray");  // still transparent, so the tint stays
  EXPECT_EQ(text(o.lockTintColor), "darkGray");
  EXPECT_EQ(sections(), "");
  EXPECT_EQ(o.defaultShow, 2);  // kept
  EXPECT_EQ(o.bgAlpha, 0.3f);
  EXPECT_EQ(text(o.noNotificationsText), "Nothing here");
}

TEST_F(Noctil6Options, FoldingOffDropsTheFoldedSetAndEveryLoadForgetsThePictures) {
  noctil6::BackgroundCaches& caches = noctil6::backgroundCaches();
  caches.lockPicture = objc::Ref::retain(string("picture"));
  caches.centerBlurFilters = objc::Ref::retain(string("filters"));
  caches.backView = objc::Ref::retain(string("back view"));
  writeOptions({{"Collapsible", boolean(NO)}, {"CollapsibleSections", string("ignored")}});
  noctil6::loadOptions();
  EXPECT_EQ(sections(), "(nil)");
  EXPECT_FALSE(caches.lockPicture);
  EXPECT_FALSE(caches.centerBlurFilters);
  EXPECT_TRUE(caches.backView);  // belongs to its list view
  caches.backView.reset();
}

// ---- The accessors and the lock context -----------------------------------------

// A stand-in away controller whose lock and camera states the test sets.
BOOL gLocked = NO;
BOOL gCameraActive = NO;
id sharedAwayController(id cls, SEL) {
  static objc::Ref instance = objc::Ref::adopt(objc::allocInit(reinterpret_cast<Class>(cls)));
  return instance;
}
BOOL awayIsLocked(id, SEL) { return gLocked; }
BOOL awayCameraIsActive(id, SEL) { return gCameraActive; }

void registerStandInAwayController() {
  if (objc_lookUpClass("SBAwayController") != Nil) return;
  objc::ClassBuilder<NSObjectIvars>("SBAwayController", objc::NSObjectClass())
      .classMethod<&sharedAwayController>("sharedAwayController")
      .method<&awayIsLocked>("isLocked")
      .method<&awayCameraIsActive>("cameraIsActive")
      .registerClass();
}

TEST_F(Noctil6Options, AccessorsAnswerTheLockVariantInsideTheLockContext) {
  registerStandInAwayController();
  noctil6::registerTweakControllerClass();
  objc::Ref controller = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
  writeOptions({{"Transparent", boolean(NO)},       {"LockTransparent", boolean(YES)},
                {"BlurApplyToBack", boolean(YES)},  {"LockBlurApplyToBack", boolean(NO)},
                {"BGAlpha", number(0.25)},          {"LockBGAlpha", number(0.75)},
                {"Blur", boolean(YES)},             {"LockBlur", boolean(NO)},
                {"BlurValue", number(4)},           {"LockBlurValue", number(6)},
                {"CellBackAlpha", number(0.1)},     {"LockCellBackAlpha", number(0.3)},
                {"LockTintColor", string("red")},   {"BGImageEnabled", boolean(YES)},
                {"LockBGImageEnabled", boolean(YES)}});
  noctil6::loadOptions();
  struct Case {
    bool locked, camera;
    bool lockVariant;
  };
  for (Case c : {Case{false, false, false}, Case{true, false, true}, Case{true, true, false}, Case{false, true, false}}) {
    SCOPED_TRACE(std::string(c.locked ? "locked" : "unlocked") + (c.camera ? ", camera" : ""));
    gLocked = c.locked;
    gCameraActive = c.camera;
    EXPECT_EQ(send<BOOL>(controller, sel<"transparentEnabled">()), c.lockVariant ? YES : NO);
    EXPECT_EQ(send<BOOL>(controller, sel<"blurApplyToBack">()), c.lockVariant ? NO : YES);
    EXPECT_EQ(send<float>(controller, sel<"bgAlpha">()), c.lockVariant ? 0.75f : 0.25f);
    EXPECT_EQ(send<BOOL>(controller, sel<"blurEnabled">()), c.lockVariant ? NO : YES);
    EXPECT_EQ(send<float>(controller, sel<"blurValue">()), c.lockVariant ? 6.0f : 4.0f);
    EXPECT_EQ(send<float>(controller, sel<"cellBackAlpha">()), c.lockVariant ? 0.3f : 0.1f);
    EXPECT_EQ(text(send<id>(controller, sel<"tintColor">())), c.lockVariant ? "red" : "(nil)");
    // The option is on but no picture file exists yet.
    EXPECT_FALSE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  }

  // Each picture counts once its own file is there.
  std::filesystem::create_directories(root_.path() / "var/mobile/Library/Noctil");
  std::ofstream(root_.path() / "var/mobile/Library/Noctil/LockCustomBGImage.png") << "jpeg";
  gLocked = YES;
  gCameraActive = NO;
  EXPECT_TRUE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  gLocked = NO;
  EXPECT_FALSE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  std::ofstream(root_.path() / "var/mobile/Library/Noctil/CustomBGImage.png") << "jpeg";
  EXPECT_TRUE(send<BOOL>(controller, sel<"bgImageEnabled">()));
  // With the option off the file does not matter.
  writeOptions({{"BGImageEnabled", boolean(NO)}});
  noctil6::loadOptions();
  EXPECT_FALSE(send<BOOL>(controller, sel<"bgImageEnabled">()));
}

TEST_F(Noctil6Options, TheControllerKeepsTheApplicationAndScreenHeightAndMakesItsFolder) {
  noctil6::registerTweakControllerClass();
  objc::Ref controller = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
  EXPECT_EQ(objc::objectIvar(controller, "springboard"),
            send<id>(objc_lookUpClass("UIApplication"), sel<"sharedApplication">()));
  EXPECT_TRUE(std::filesystem::is_directory(root_.path() / "var/mobile/Library/Noctil"));
  CGRect bounds = send<CGRect>(send<id>(objc_lookUpClass("UIScreen"), sel<"mainScreen">()), sel<"bounds">());
  EXPECT_EQ(noctil6::screenHeight(), bounds.size.height);
  // No application answers _accessibilityFrontMostApplication here: no top application.
  EXPECT_EQ(send<id>(controller, sel<"topApplication">()), nil);
}

}  // namespace
