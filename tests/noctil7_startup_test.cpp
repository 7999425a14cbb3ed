// The iOS 7 tweak's start-up in each kind of host, its options loader, and the
// Notification Center background.  Start-up paths run in child processes of their
// own (death-test style), because the method table and the service are permanent.
#include "Background.h"
#include "Launch.h"
#include "MessageReadService.h"
#include "MethodTable.h"
#include "Options.h"
#include "Startup.h"
#include "TweakController.h"
#include "noctil7/OptionValues.h"

#include <LibraryDependencies.h>
#include <TestSupport.h>

#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>
#include <corefoundation/NotifyDelivery.h>
#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>
#include <uikit/UIColor.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>
#include <string>

using objc::send;
using objc::sel;

namespace {

using noctil7_tests::boolean;
using noctil7_tests::number;
using noctil7_tests::string;
using noctil7_tests::writeOptions;

std::string tintName() { return noctil7::options().colorTint ? ns::utf8(noctil7::options().colorTint) : "(none)"; }

// ---- Options loader --------------------------------------------------------------

class Noctil7Options : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    std::filesystem::create_directories(root_.path() / "var/mobile/Library/Preferences");
    noctil7::resetOptions();
    noctil7::resetLaunchState();
  }
  testing_support::TempDir root_;
  objc::AutoreleasePool pool_;
};

TEST_F(Noctil7Options, NoFileKeepsEveryInitialValue) {
  noctil7::loadOptions();
  const auto& o = noctil7::options();
  EXPECT_TRUE(o.enabled && o.collapsible && o.actionMenuEnabled && o.removeBadge && o.markSMSAsRead);
  EXPECT_FALSE(o.bgSettingsEnabled || o.bgImageEnabled);
  EXPECT_TRUE(o.bgImageScaleToFill);
  EXPECT_EQ(o.blurValue, 20.0);
  EXPECT_EQ(o.grayscaleValue, static_cast<double>(0.73f));
  EXPECT_EQ(o.bgImageAlpha, 1.0);
  EXPECT_EQ(tintName(), "darkGray");
  ASSERT_TRUE(o.foldedSections);
  EXPECT_EQ(send<NSUInteger>(o.foldedSections, sel<"count">()), 0u);
}

TEST_F(Noctil7Options, SwitchedOffFeaturesAreNotReadBackFromAbsentKeys) {
  writeOptions({{"BGSettingsEnabled", boolean(YES)}, {"BlurValue", number(7)}});
  noctil7::loadOptions();
  EXPECT_TRUE(noctil7::options().bgSettingsEnabled);

  writeOptions({{"Enabled", boolean(NO)}});
  noctil7::loadOptions();
  const auto& o = noctil7::options();
  EXPECT_FALSE(o.collapsible || o.actionMenuEnabled || o.removeBadge || o.markSMSAsRead || o.bgSettingsEnabled ||
               o.bgImageEnabled);
  EXPECT_EQ(tintName(), "(none)");
  EXPECT_FALSE(o.foldedSections);
  EXPECT_EQ(o.blurValue, 7.0);  // numbers are not switched off

  writeOptions({{"Enabled", boolean(YES)}});
  noctil7::loadOptions();
  EXPECT_TRUE(o.enabled);
  EXPECT_FALSE(o.collapsible || o.actionMenuEnabled || o.removeBadge || o.markSMSAsRead || o.bgSettingsEnabled);
  EXPECT_EQ(tintName(), "darkGray");  // absent "ColorTint" always means darkGray
  EXPECT_FALSE(o.foldedSections);     // "Collapsible" is still off
}

TEST_F(Noctil7Options, AbsentTintFallsBackToDarkGrayNotThePreviousName) {
  writeOptions({{"ColorTint", string("red")}});
  noctil7::loadOptions();
  EXPECT_EQ(tintName(), "red");
  writeOptions({{"BlurValue", number(3)}});
  noctil7::loadOptions();
  EXPECT_EQ(tintName(), "darkGray");
  // A name outside the table is kept as it is; it only gives no colour.
  writeOptions({{"ColorTint", string("chartreuse")}});
  noctil7::loadOptions();
  EXPECT_EQ(tintName(), "chartreuse");
}

TEST_F(Noctil7Options, ValuesOfTheWrongKindReadAsNoOrZero) {
  id folded = send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
  send<void>(folded, sel<"addObject:">(), string("com.apple.MobileSMS"));
  writeOptions({{"Collapsible", string("yes")},
                {"RemoveBadge", string("nope")},
                {"BlurValue", string("12.5px")},
                {"GrayscaleValue", string("abc")},
                {"ColorTintAlpha", number(0.1)},
                {"BGImageAlpha", send<id>(objc_lookUpClass("NSArray"), sel<"array">())},
                {"foldedSections", folded}});
  noctil7::loadOptions();
  const auto& o = noctil7::options();
  EXPECT_TRUE(o.collapsible);
  EXPECT_FALSE(o.removeBadge);
  EXPECT_EQ(o.blurValue, 12.5);
  EXPECT_EQ(o.grayscaleValue, 0.0);
  EXPECT_EQ(o.colorTintAlpha, static_cast<double>(0.1f));  // read in single precision
  EXPECT_EQ(o.bgImageAlpha, 0.0);                          // an array answers no number
  ASSERT_TRUE(o.foldedSections);
  EXPECT_EQ(send<NSUInteger>(o.foldedSections, sel<"count">()), 1u);
  // The folded set is a copy owned by the tweak, not the file's array.
  EXPECT_NE(o.foldedSections.get(), folded);

  // A folded set that is not an array gives an empty set rather than a string.
  writeOptions({{"foldedSections", string("com.apple.MobileSMS")}});
  noctil7::loadOptions();
  ASSERT_TRUE(o.foldedSections);
  EXPECT_TRUE(send<BOOL>(o.foldedSections, sel<"isKindOfClass:">(), objc_lookUpClass("NSMutableArray")));
  EXPECT_EQ(send<NSUInteger>(o.foldedSections, sel<"count">()), 0u);
}

TEST_F(Noctil7Options, AnUnreadableFileIsLikeNoFile) {
  writeOptions({{"ColorTint", string("red")}, {"BlurValue", number(3)}});
  noctil7::loadOptions();
  std::FILE* f = std::fopen((root_.path() / "var/mobile/Library/Preferences/com.trelmo.noctil.plist").c_str(), "w");
  std::fputs("not a property list", f);
  std::fclose(f);
  noctil7::loadOptions();
  EXPECT_EQ(tintName(), "darkGray");
  EXPECT_EQ(noctil7::options().blurValue, 3.0);  // kept
}

// ---- Start-up in each host ---------------------------------------------------------

// Runs `body` in a child process of its own and expects it to exit 0; assertion
// failures in the child make it exit 1 and are shown.
#define IN_FRESH_PROCESS(body)                                                \
  EXPECT_EXIT(                                                                \
      {                                                                       \
        body;                                                                 \
        std::fflush(stdout);                                                  \
        std::exit(::testing::Test::HasFailure() ? 1 : 0);                     \
      },                                                                      \
      ::testing::ExitedWithCode(0), "")

// A fresh process playing the program with this bundle identifier on a device root,
// with or without the iOS 7 home-screen classes.
enum class HomeScreen { registered, absent };
void prepareDevice(const testing_support::TempDir& root, const char* bundleIdentifier,
                   HomeScreen homeScreen = HomeScreen::registered) {
  ns::setDeviceRoot(root.path());
  std::filesystem::create_directories(root.path() / "var/mobile/Library/Preferences");
  ns::setMainBundleIdentifier(bundleIdentifier);
  if (homeScreen == HomeScreen::registered) sb7::registerClasses();
}

TEST(Noctil7StartupDeathTest, SpringBoardInstallsTheTableObservesAndLoadsOptions) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.springboard");
    writeOptions({{"BlurValue", number(5)}});
    noctil7::start();
    // Options are loaded at start-up, before the launched flag is set.
    EXPECT_FALSE(noctil7::launched());
    EXPECT_EQ(noctil7::options().blurValue, 5.0);
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("SBUIController"), sel<"finishLaunching">()),
              objc::toImp(&noctil7::finishLaunchingReplacement));
    EXPECT_TRUE(class_respondsToSelector(objc_lookUpClass("SBLockScreenBulletinCell"), sel<"noctil_delete:">()));
    EXPECT_TRUE(class_respondsToSelector(objc_lookUpClass("UIImage"), sel<"ntScaleToCenter:">()));

    // The settings-changed notification reloads the options on the main run loop.
    writeOptions({{"BlurValue", number(9)}});
    notify_post(noctil7::kSettingsChangedNotification);
    EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return noctil7::options().blurValue == 9.0; }, 10.0));

    // finishLaunching runs the host's own, then sets the flag and makes the controller.
    ASSERT_TRUE(sb7::launch().ok());
    EXPECT_TRUE(noctil7::launched());
    id controller = noctil7::tweakController();
    ASSERT_NE(controller, nil);
    EXPECT_STREQ(objc::className(controller), "Noctil");
    EXPECT_EQ(objc::objectIvar(controller, "springboard"),
              send<id>(objc_lookUpClass("UIApplication"), sel<"sharedApplication">()));
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "var/mobile/Library/Noctil"));
  });
}

// The host methods the tweak replaces in SpringBoard, and the ones it adds.  A
// misspelt selector would be skipped silently at start-up, so each is checked here.
struct HostMethod {
  const char* className;
  const char* selector;
};
constexpr HostMethod kReplaced[] = {
    {"SBUIController", "finishLaunching"},
    {"UITableView", "_shouldShowMenuForCell:"},
    {"SBLockScreenNotificationListView", "tableView:cellForRowAtIndexPath:"},
    {"SBLockScreenBulletinCell", "canBecomeFirstResponder"},
    {"SBLockScreenBulletinCell", "canPerformAction:withSender:"},
    {"SBBulletinViewController", "_removeSection:"},
    {"SBBulletinViewController", "tableView:cellForRowAtIndexPath:"},
    {"SBBulletinViewController", "tableView:heightForRowAtIndexPath:"},
    {"SBBulletinViewController", "tableView:viewForHeaderInSection:"},
    {"SBBulletinViewController", "_insertBulletin:atIndex:inSection:"},
    {"SBNotificationsBulletinCell", "canBecomeFirstResponder"},
    {"SBNotificationsBulletinCell", "canPerformAction:withSender:"},
    {"SBNotificationsBulletinCell", "_longPressGestureRecognized:"},
    {"SBNotificationsBulletinCell", "_setupMenuGesture"},
    {"SBNotificationsSectionHeaderView", "touchesEnded:withEvent:"},
    {"SBNotificationCenterViewController", "viewWillAppear:"},
    {"SBNotificationCenterViewController", "viewWillDisappear:"},
};
constexpr HostMethod kAdded[] = {
    {"SBLockScreenBulletinCell", "noctil_longPress:"},    {"SBLockScreenBulletinCell", "noctil_delete:"},
    {"SBLockScreenBulletinCell", "noctil_clearAll:"},     {"SBNotificationsBulletinCell", "noctil_delete:"},
    {"SBNotificationsBulletinCell", "noctil_clearAll:"},
};

TEST(Noctil7StartupDeathTest, EveryEntryOfTheTableReachesItsHostMethod) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.springboard");
    std::vector<IMP> before;
    std::vector<std::string> types;
    for (const HostMethod& m : kReplaced) {
      Class cls = objc_lookUpClass(m.className);
      ASSERT_NE(cls, Nil) << m.className;
      Method method = class_getInstanceMethod(cls, sel_registerName(m.selector));
      ASSERT_NE(method, nullptr) << m.className << " " << m.selector << ": the host lacks it";
      before.push_back(method_getImplementation(method));
      types.emplace_back(method_getTypeEncoding(method));
    }
    IMP plainCellAnswer =
        class_getMethodImplementation(objc_lookUpClass("UITableViewCell"), sel<"canBecomeFirstResponder">());
    IMP plainCellCanPerform =
        class_getMethodImplementation(objc_lookUpClass("UITableViewCell"), sel<"canPerformAction:withSender:">());
    for (const HostMethod& m : kAdded)
      EXPECT_FALSE(class_respondsToSelector(objc_lookUpClass(m.className), sel_registerName(m.selector)));
    noctil7::start();
    for (std::size_t i = 0; i < std::size(kReplaced); ++i) {
      const HostMethod& m = kReplaced[i];
      Method method = class_getInstanceMethod(objc_lookUpClass(m.className), sel_registerName(m.selector));
      EXPECT_NE(method_getImplementation(method), before[i]) << m.className << " " << m.selector;
      EXPECT_EQ(method_getTypeEncoding(method), types[i]) << m.className << " " << m.selector;
    }
    for (const HostMethod& m : kAdded) {
      Method method = class_getInstanceMethod(objc_lookUpClass(m.className), sel_registerName(m.selector));
      ASSERT_NE(method, nullptr) << m.className << " " << m.selector;
      EXPECT_STREQ(method_getTypeEncoding(method), "v@:@") << m.className << " " << m.selector;
    }
    // The two cells answer YES to becoming first responder whatever the host said.
    for (const char* cell : {"SBLockScreenBulletinCell", "SBNotificationsBulletinCell"}) {
      objc::Ref object = objc::Ref::adopt(objc::allocInit(objc_lookUpClass(cell)));
      EXPECT_TRUE(send<BOOL>(object, sel<"canBecomeFirstResponder">())) << cell;
    }
    // Plain table cells, which the two cell classes inherit from, are untouched.
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("UITableViewCell"), sel<"canBecomeFirstResponder">()),
              plainCellAnswer);
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("UITableViewCell"), sel<"canPerformAction:withSender:">()),
              plainCellCanPerform);
  });
}

TEST(Noctil7StartupDeathTest, SpringBoardWithoutItsPrivateClassesStillStarts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.springboard", HomeScreen::absent);
    // No home-screen classes: only UIKit's UITableView entry finds its method.
    writeOptions({{"BlurValue", number(5)}, {"Collapsible", boolean(NO)}});
    IMP before = class_getMethodImplementation(objc_lookUpClass("UITableView"), sel<"_shouldShowMenuForCell:">());
    noctil7::start();
    EXPECT_NE(class_getMethodImplementation(objc_lookUpClass("UITableView"), sel<"_shouldShowMenuForCell:">()), before);
    EXPECT_EQ(objc_lookUpClass("SBLockScreenBulletinCell"), Nil);
    EXPECT_EQ(noctil7::options().blurValue, 5.0);
    // A settings change still loads; with no Notification Center to reload, nothing more.
    noctil7::didFinishLaunching();
    writeOptions({{"BlurValue", number(7)}, {"Collapsible", boolean(NO)}});
    notify_post(noctil7::kSettingsChangedNotification);
    EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return noctil7::options().blurValue == 7.0; }, 10.0));
  });
}

bool gSentinelArrived = false;
void sentinelArrived(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  gSentinelArrived = true;
}
constexpr const char* kSentinel = "test.noctil7.startup.sentinel";

// Posts the settings-changed notification `times` times in a row, then serves the
// main run loop until a sentinel posted after them has arrived, so every one of
// them has been delivered.
void postSettingsChanged(int times) {
  for (int i = 0; i < times; ++i) EXPECT_EQ(notify_post(noctil7::kSettingsChangedNotification), NOTIFY_STATUS_OK);
  gSentinelArrived = false;
  EXPECT_EQ(notify_post(kSentinel), NOTIFY_STATUS_OK);
  EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return gSentinelArrived; }, 10.0));
}

TEST(Noctil7StartupDeathTest, MessagesOnlyStartsTheService) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.MobileSMS", HomeScreen::absent);
    writeOptions({{"BlurValue", number(5)}});
    IMP before = class_getMethodImplementation(objc_lookUpClass("UITableView"), sel<"_shouldShowMenuForCell:">());
    noctil7::start();
    CFMessagePortRef remote = nullptr;
    EXPECT_TRUE(ns::RunLoop::main().runUntil(
        [&] {
          remote = CFMessagePortCreateRemote(nullptr, reinterpret_cast<CFStringRef>(string(noctil7::kServicePortName)));
          return remote != nullptr;
        },
        10.0));
    EXPECT_EQ(noctil7::options().blurValue, 20.0);  // no option is loaded
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("UITableView"), sel<"_shouldShowMenuForCell:">()), before);
    EXPECT_FALSE(class_respondsToSelector(objc_lookUpClass("UIImage"), sel<"ntScaleToCenter:">()));

    // Nothing observes the settings-changed notification: a post reaches no process of
    // the device, and once one that this test observes has been delivered, the options
    // are still unread.
    auto report = cf::notify::post(noctil7::kSettingsChangedNotification);
    ASSERT_TRUE(report.ok());
    EXPECT_EQ(report->delivered, 0u);
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, &sentinelArrived,
                                    reinterpret_cast<CFStringRef>(string(kSentinel)), nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
    postSettingsChanged(2);
    EXPECT_EQ(noctil7::options().blurValue, 20.0);
  });
}

TEST(Noctil7StartupDeathTest, AnyOtherHostGetsNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.Preferences");
    writeOptions({{"BlurValue", number(5)}});
    IMP before = class_getMethodImplementation(objc_lookUpClass("SBUIController"), sel<"finishLaunching">());
    noctil7::start();
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("SBUIController"), sel<"finishLaunching">()), before);
    EXPECT_EQ(noctil7::options().blurValue, 20.0);
    EXPECT_EQ(CFMessagePortCreateRemote(nullptr, reinterpret_cast<CFStringRef>(string(noctil7::kServicePortName))),
              nullptr);
  });
}

// Loader runs are counted through what a run with "Collapsible" NO does once the
// home screen has launched: it asks Notification Center's list to reload.
int gReloadRequests = 0;
IMP gHostNeedsReload = nullptr;
void countReloadRequest(id self, SEL cmd) {
  ++gReloadRequests;
  objc::callImp<void>(gHostNeedsReload, self, cmd);
}

TEST(Noctil7StartupDeathTest, SettingsNotificationsCoalesceAndOnlyCollapsibleOffReloadsTheList) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root, "com.apple.springboard");
    Method needsReload =
        class_getInstanceMethod(objc_lookUpClass("SBBulletinViewController"), sel<"setTableViewNeedsReload">());
    gHostNeedsReload = method_setImplementation(needsReload, objc::toImp(&countReloadRequest));
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, &sentinelArrived,
                                    reinterpret_cast<CFStringRef>(string(kSentinel)), nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
    // Before launch a "Collapsible" NO file is read but nothing is reloaded.
    writeOptions({{"Collapsible", boolean(NO)}});
    noctil7::start();
    EXPECT_FALSE(noctil7::options().collapsible);
    ASSERT_TRUE(sb7::launch().ok());
    sb7::settle();
    gReloadRequests = 0;

    // Three posts in a row before the main run loop gets to them: one load.
    writeOptions({{"Collapsible", boolean(NO)}, {"BlurValue", number(6)}});
    postSettingsChanged(3);
    EXPECT_EQ(noctil7::options().blurValue, 6.0);
    EXPECT_EQ(gReloadRequests, 1);

    // "Collapsible" YES: the options change, the list is left alone.
    writeOptions({{"Collapsible", boolean(YES)}, {"BlurValue", number(4)}});
    postSettingsChanged(1);
    EXPECT_EQ(noctil7::options().blurValue, 4.0);
    EXPECT_TRUE(noctil7::options().collapsible);
    EXPECT_EQ(gReloadRequests, 1);

    // "Enabled" NO switches folding off too, so the list reloads.
    writeOptions({{"Enabled", boolean(NO)}, {"Collapsible", boolean(YES)}});
    postSettingsChanged(2);
    EXPECT_FALSE(noctil7::options().collapsible);
    EXPECT_EQ(gReloadRequests, 2);
    // The controller's tint follows the switched-off name: none.
    EXPECT_EQ(send<id>(noctil7::tweakController(), sel<"getTintColor">()), nil);
  });
}

TEST(Noctil7Library, LinksOnlyTheRuntimeAndTheFrameworkStandIns) {
  // SpringBoard's classes are only ever found by name.
  testing_support::expectOnlyRuntimeAndStandIns(testing_support::binaryDir() / "lib/libNoctil7.so",
                                                {"SpringBoard7", "SpringBoard6", "ChatKit", "BulletinBoard", "Preferences",
                                                 "NoctilSettings"});
}

}  // namespace
