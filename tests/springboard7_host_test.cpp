// The iOS 7 home screen around the lists: launching through the runtime, the lock
// screen's list and cells, icon badges kept on disk, the backdrop settings,
// appearance sent to Notification Center's view controller, the host's long-press
// menu, section-header touches, and methods a subclass only inherits.
#include <springboard7/HostControl.h>

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSArray.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <uikit/UIMenuController.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using objc::sel;
using objc::send;

namespace {

std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

IMP gFinishLaunching = nullptr;
IMP gWillAppear = nullptr;
IMP gWillDisappear = nullptr;
IMP gTouchesEnded = nullptr;
bool gCellsBecomeFirstResponder = false;

void recordingFinishLaunching(id self, SEL cmd) {
  calls().push_back("finishLaunching");
  objc::callImp<void>(gFinishLaunching, self, cmd);
}
void recordingWillAppear(id self, SEL cmd, BOOL animated) {
  calls().push_back(std::string("viewWillAppear:") + (animated ? "YES" : "NO"));
  objc::callImp<void>(gWillAppear, self, cmd, animated);
}
void recordingWillDisappear(id self, SEL cmd, BOOL animated) {
  calls().push_back(std::string("viewWillDisappear:") + (animated ? "YES" : "NO"));
  objc::callImp<void>(gWillDisappear, self, cmd, animated);
}
void recordingTouchesEnded(id self, SEL cmd, id touches, id event) {
  calls().push_back("touchesEnded " + ns::utf8(send<id>(objc::objectIvar(self, "_titleLabel"), sel<"text">())));
  objc::callImp<void>(gTouchesEnded, self, cmd, touches, event);
}
BOOL cellCanBecomeFirstResponder(id, SEL) { return gCellsBecomeFirstResponder ? YES : NO; }
void cellTestAction(id self, SEL, id) {
  calls().push_back("testAction on " + std::string(objc::className(self)));
}

void replace(const char* cls, const char* selector, IMP replacement, IMP& previous) {
  if (previous) return;
  Method m = class_getInstanceMethod(objc::classNamed(cls), sel_registerName(selector));
  ASSERT_NE(m, nullptr) << cls << " " << selector;
  previous = method_setImplementation(m, replacement);
}

class HostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sb7::registerClasses();
    replace("SBUIController", "finishLaunching", objc::toImp(&recordingFinishLaunching), gFinishLaunching);
    replace("SBNotificationCenterViewController", "viewWillAppear:", objc::toImp(&recordingWillAppear), gWillAppear);
    replace("SBNotificationCenterViewController", "viewWillDisappear:", objc::toImp(&recordingWillDisappear),
            gWillDisappear);
    replace("SBNotificationsSectionHeaderView", "touchesEnded:withEvent:", objc::toImp(&recordingTouchesEnded),
            gTouchesEnded);
    // As a tweak does: the cell classes only inherit canBecomeFirstResponder, so the
    // method is added to them.
    Class cell = objc::classNamed("SBNotificationsBulletinCell");
    Method inherited = class_getInstanceMethod(cell, sel<"canBecomeFirstResponder">());
    ASSERT_NE(inherited, nullptr);
    ASSERT_TRUE(class_addMethod(cell, sel<"canBecomeFirstResponder">(), objc::toImp(&cellCanBecomeFirstResponder),
                                method_getTypeEncoding(inherited)));
    ASSERT_TRUE(class_addMethod(cell, sel<"hostTestAction:">(), objc::toImp(&cellTestAction), "v@:@"));
  }
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    calls().clear();
    gCellsBecomeFirstResponder = false;
    ASSERT_TRUE(sb7::launch().ok());
  }
  void TearDown() override {
    sb7::shutdown();
    ns::useRealClock();
  }
  std::string post(const std::string& section, const std::string& message) {
    sb7::Notification n;
    n.sectionID = section;
    n.message = message;
    auto id = sb7::post(n);
    EXPECT_TRUE(id.ok());
    ns::advanceClock(1.0).ok();
    return id.ok() ? id.value() : std::string();
  }
  id lockListController() {
    id manager = send<id>(objc::classNamed("SBLockScreenManager"), sel<"sharedInstance">());
    return objc::objectIvar(send<id>(manager, sel<"lockScreenViewController">()), "_notificationController");
  }
  id ncController() { return send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">()); }
  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

TEST_F(HostTest, LaunchingSendsFinishLaunchingAndMakesTheSharedApplication) {
  EXPECT_EQ(calls(), (std::vector<std::string>{"finishLaunching"}));
  id app = send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">());
  EXPECT_STREQ(objc::className(app), "SpringBoard");
  EXPECT_EQ(send<NSInteger>(app, sel<"activeInterfaceOrientation">()), 1);
  sb7::setInterfaceOrientation(3);
  EXPECT_EQ(send<NSInteger>(app, sel<"activeInterfaceOrientation">()), 3);
  // An app nobody plays cannot be launched.
  EXPECT_FALSE(send<BOOL>(app, sel<"launchApplicationWithIdentifier:suspended:">(), ns::str("com.example.none"),
                          BOOL{YES}));
  EXPECT_FALSE(sb7::launch().ok()) << "a second launch is refused";
}

TEST_F(HostTest, TheLockScreenListFindsANotificationByItsID) {
  std::string before = post("com.apple.MobileSMS", "before locking");
  ASSERT_TRUE(sb7::lock().ok());
  EXPECT_TRUE(send<BOOL>(send<id>(objc::classNamed("SBLockScreenManager"), sel<"sharedInstance">()), sel<"isUILocked">()));
  std::string during = post("com.apple.MobileSMS", "while locked");
  post("com.apple.mobilemail", "mail while locked");

  EXPECT_EQ(sb7::rowCount(sb7::List::LockScreen, "com.apple.MobileSMS"), 1) << "only what arrived while locked";
  id controller = lockListController();
  id item = send<id>(controller, sel<"_listItemContainingBulletinID:">(), ns::str(during));
  ASSERT_NE(item, nil);
  id bulletin = send<id>(item, sel<"bulletinWithID:">(), ns::str(during));
  ASSERT_NE(bulletin, nil);
  EXPECT_EQ(ns::utf8(send<id>(bulletin, sel<"message">())), "while locked");
  EXPECT_EQ(send<id>(controller, sel<"_listItemContainingBulletinID:">(), ns::str(before)), nil);

  // The lock screen's cells: SBLockScreenBulletinCell with the notification's ID and
  // the host's own long-press recogniser on the content view.
  id listView = objc::objectIvar(controller, "_notificationView");
  id table = objc::objectIvar(listView, "_tableView");
  EXPECT_EQ(send<id>(table, sel<"dataSource">()), listView);
  id path = send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), NSInteger{1}, NSInteger{0});
  id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), path);
  ASSERT_NE(cell, nil);
  EXPECT_STREQ(objc::className(cell), "SBLockScreenBulletinCell");
  EXPECT_EQ(ns::utf8(send<id>(send<id>(cell, sel<"unlockActionContext">()), sel<"identifier">())), during);
  EXPECT_EQ(send<id>(cell, sel<"_tableView">()), table);
  auto onContent = ns::elements(send<id>(send<id>(cell, sel<"contentView">()), sel<"gestureRecognizers">()));
  ASSERT_EQ(onContent.size(), 1u);
  EXPECT_NE(ns::utf8(send<id>(onContent[0], sel<"description">())).find("_longPressGestureRecognized:"), std::string::npos);

  // observer:removeBulletin: with the list's own observer takes it out.
  send<void>(controller, sel<"observer:removeBulletin:">(), objc::objectIvar(controller, "_observer"), bulletin);
  sb7::settle();
  EXPECT_EQ(sb7::rowCount(sb7::List::LockScreen, "com.apple.MobileSMS"), 0);
  EXPECT_EQ(sb7::rowCount(sb7::List::LockScreen, "com.apple.mobilemail"), 1);
  // Unlocking takes the list away.
  ASSERT_TRUE(sb7::unlock().ok());
  EXPECT_FALSE(sb7::isLocked());
  EXPECT_EQ(sb7::rowCount(sb7::List::LockScreen, "com.apple.mobilemail"), 0);
}

TEST_F(HostTest, RemovingALockScreenRowLeavesTheOtherCellsShowingTheirNotifications) {
  ASSERT_TRUE(sb7::lock().ok());
  std::vector<std::string> ids;
  for (int i = 0; i < 3; ++i) ids.push_back(post("com.apple.MobileSMS", "text " + std::to_string(i)));
  id controller = lockListController();
  id table = objc::objectIvar(objc::objectIvar(controller, "_notificationView"), "_tableView");
  std::vector<objc::Ref> cells;
  for (NSInteger row = 0; row < 3; ++row) {
    id path = send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, NSInteger{0});
    cells.push_back(objc::Ref::retain(send<id>(table, sel<"cellForRowAtIndexPath:">(), path)));
    ASSERT_TRUE(cells.back());
  }
  auto shownID = [](id cell) {
    return ns::utf8(send<id>(send<id>(cell, sel<"unlockActionContext">()), sel<"identifier">()));
  };
  // Newest first: the cells show the notifications in reverse order of arrival.
  EXPECT_EQ(shownID(cells[0]), ids[2]);
  EXPECT_EQ(shownID(cells[2]), ids[0]);
  id newest = send<id>(send<id>(controller, sel<"_listItemContainingBulletinID:">(), ns::str(ids[2])),
                       sel<"bulletinWithID:">(), ns::str(ids[2]));
  send<void>(controller, sel<"observer:removeBulletin:">(), objc::objectIvar(controller, "_observer"), newest);
  // Between removals (as in a Clear All) the other cells keep their notifications.
  EXPECT_EQ(shownID(cells[1]), ids[1]);
  EXPECT_EQ(shownID(cells[2]), ids[0]);
  id path = send<id>(table, sel<"indexPathForCell:">(), cells[2].get());
  ASSERT_NE(path, nil);
  EXPECT_EQ(send<NSInteger>(path, sel<"row">()), 1);
  sb7::settle();
  EXPECT_EQ(sb7::rowCount(sb7::List::LockScreen, "com.apple.MobileSMS"), 2);
}

TEST_F(HostTest, BadgesAreKeptInTheDeviceRootAcrossARestart) {
  id model = send<id>(objc::classNamed("SBIconModel"), sel<"sharedInstance">());
  EXPECT_EQ(model, send<id>(send<id>(objc::classNamed("SBIconViewMap"), sel<"homescreenMap">()), sel<"iconModel">()));
  id icon = send<id>(model, sel<"applicationIconForDisplayIdentifier:">(), ns::str("com.apple.MobileSMS"));
  ASSERT_NE(icon, nil);
  EXPECT_EQ(send<id>(model, sel<"applicationIconForDisplayIdentifier:">(), ns::str("com.example.absent")), nil);
  EXPECT_EQ(send<NSInteger>(icon, sel<"badgeValue">()), 0);
  send<void>(icon, sel<"setBadge:">(), ns::str("5"));
  EXPECT_EQ(send<NSInteger>(icon, sel<"badgeValue">()), 5);
  ASSERT_TRUE(sb7::setBadge("com.apple.mobilemail", 2).ok());
  EXPECT_TRUE(std::filesystem::exists(root_.path() / "var/mobile/Library/SpringBoard/IconBadges.plist"));

  sb7::shutdown();
  sb7::registerClasses();
  ASSERT_TRUE(sb7::launch().ok());
  EXPECT_EQ(sb7::badge("com.apple.MobileSMS"), 5);
  EXPECT_EQ(sb7::badge("com.apple.mobilemail"), 2);
  EXPECT_EQ(sb7::badge("com.apple.mobilephone"), std::nullopt);

  // nil (and an empty string) removes a badge; a number is taken as its text.
  id sms = send<id>(send<id>(objc::classNamed("SBIconModel"), sel<"sharedInstance">()),
                    sel<"applicationIconForDisplayIdentifier:">(), ns::str("com.apple.MobileSMS"));
  send<void>(sms, sel<"setBadge:">(), id{nil});
  EXPECT_EQ(sb7::badge("com.apple.MobileSMS"), std::nullopt);
  send<void>(sms, sel<"setBadge:">(), send<id>(objc::classNamed("NSNumber"), sel<"numberWithInteger:">(), NSInteger{7}));
  EXPECT_EQ(sb7::badge("com.apple.MobileSMS"), 7);
  send<void>(sms, sel<"setBadge:">(), ns::str(""));
  EXPECT_EQ(sb7::badge("com.apple.MobileSMS"), std::nullopt);
  sb7::shutdown();
  ASSERT_TRUE(sb7::launch().ok());
  EXPECT_EQ(sb7::badge("com.apple.MobileSMS"), std::nullopt);
  EXPECT_EQ(sb7::badge("com.apple.mobilemail"), 2);
}

TEST_F(HostTest, TheBackdropAppliesItsSettingsOnTransition) {
  auto stock = sb7::backdropSettings();
  ASSERT_TRUE(stock);
  EXPECT_DOUBLE_EQ(stock->blurRadius, 20.0);
  EXPECT_DOUBLE_EQ(stock->grayscaleTintAlpha, 0.73);
  EXPECT_FALSE(stock->hasColorTint);

  id backdrop = objc::objectIvar(send<id>(ncController(), sel<"viewController">()), "_backgroundView");
  ASSERT_NE(backdrop, nil);
  id settings = send<id>(backdrop, sel<"inputSettings">());
  send<void>(settings, sel<"setGrayscaleTintAlpha:">(), CGFloat{0.5});
  send<void>(settings, sel<"setBlurRadius:">(), CGFloat{7.0});
  id red = send<id>(objc::classNamed("UIColor"), sel<"colorWithRed:green:blue:alpha:">(), CGFloat{1}, CGFloat{0},
                    CGFloat{0}, CGFloat{1});
  send<void>(settings, sel<"setColorTint:">(), red);
  send<void>(settings, sel<"setColorTintAlpha:">(), CGFloat{0.25});
  EXPECT_DOUBLE_EQ(sb7::backdropSettings()->blurRadius, 20.0) << "nothing applies before the transition";
  send<void>(backdrop, sel<"transitionToSettings:">(), settings);
  auto applied = sb7::backdropSettings();
  EXPECT_DOUBLE_EQ(applied->blurRadius, 7.0);
  EXPECT_DOUBLE_EQ(applied->grayscaleTintAlpha, 0.5);
  EXPECT_DOUBLE_EQ(applied->colorTintAlpha, 0.25);
  ASSERT_TRUE(applied->hasColorTint);
  EXPECT_DOUBLE_EQ(applied->colorTint[0], 1.0);
  EXPECT_DOUBLE_EQ(applied->colorTint[1], 0.0);
  // The getters answer what was set; the blur reaches the layer as a filter.
  EXPECT_DOUBLE_EQ(send<CGFloat>(settings, sel<"blurRadius">()), 7.0);
  EXPECT_EQ(send<id>(settings, sel<"colorTint">()), red);
  id filters = send<id>(send<id>(backdrop, sel<"layer">()), sel<"filters">());
  EXPECT_EQ(ns::elements(filters).size(), 1u);
  // Later edits of the settings object do not change what was applied.
  send<void>(settings, sel<"setBlurRadius:">(), CGFloat{1.0});
  EXPECT_DOUBLE_EQ(sb7::backdropSettings()->blurRadius, 7.0);
}

TEST_F(HostTest, NotificationCenterSendsAppearanceToItsViewController) {
  calls().clear();
  EXPECT_FALSE(send<BOOL>(ncController(), sel<"isVisible">()));
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_TRUE(send<BOOL>(ncController(), sel<"isVisible">()));
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_FALSE(sb7::isNotificationCenterVisible());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_TRUE(sb7::pressHome().ok());
  EXPECT_FALSE(sb7::isNotificationCenterVisible());
  EXPECT_EQ(calls(), (std::vector<std::string>{"viewWillAppear:YES", "viewWillDisappear:YES", "viewWillAppear:YES",
                                               "viewWillDisappear:YES"}));
  // Locking puts it away too.
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_TRUE(sb7::lock().ok());
  EXPECT_FALSE(sb7::isNotificationCenterVisible());
}

TEST_F(HostTest, ALongPressShowsTheHostsMenuWhenTheCellCanBecomeFirstResponder) {
  post("com.apple.MobileSMS", "text");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  id menu = uikit::sharedMenuController();
  id item = send<id>(send<id>(objc::classNamed("UIMenuItem"), sel<"alloc">()), sel<"initWithTitle:action:">(),
                     ns::str("Test"), sel<"hostTestAction:">());
  send<void>(menu, sel<"setMenuItems:">(), ns::array({item}));
  objc::release(item);

  // The host's gesture is on the content view and kept in _menuGesture.
  id table = send<id>(send<id>(objc::objectIvar(send<id>(ncController(), sel<"viewController">()),
                                                "_allModeViewController"),
                               sel<"bulletinViewController">()),
                      sel<"tableView">());
  id path = send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), NSInteger{0}, NSInteger{0});
  id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), path);
  ASSERT_NE(cell, nil);
  id gesture = objc::objectIvar(cell, "_menuGesture");
  ASSERT_NE(gesture, nil);
  EXPECT_EQ(send<id>(gesture, sel<"view">()), send<id>(cell, sel<"contentView">()));

  // Without first-responder status there is no menu.
  ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).ok());
  EXPECT_TRUE(sb7::visibleMenuItems().empty());

  gCellsBecomeFirstResponder = true;
  ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).ok());
  EXPECT_EQ(sb7::visibleMenuItems(), (std::vector<std::string>{"Test"}));
  ASSERT_TRUE(sb7::performMenuItem("Test").ok());
  EXPECT_EQ(calls().back(), "testAction on SBNotificationsBulletinCell");
  EXPECT_TRUE(sb7::visibleMenuItems().empty());
  EXPECT_FALSE(sb7::performMenuItem("Test").ok());
}

TEST_F(HostTest, HeaderTouchesArriveBySend) {
  post("com.apple.MobileSMS", "text");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  calls().clear();
  ASSERT_TRUE(sb7::tapHeader("com.apple.MobileSMS").ok());
  EXPECT_EQ(calls(), (std::vector<std::string>{"touchesEnded Messages"}));
  EXPECT_FALSE(sb7::tapHeader("com.apple.mobilemail").ok());
  ASSERT_TRUE(sb7::hideNotificationCenter().ok());
  EXPECT_FALSE(sb7::tapHeader("com.apple.MobileSMS").ok()) << "no header on screen";
}

// A tweak adds its method to a class that only inherits it and forwards to what the
// superclass runs; the inherited behaviour must be reachable that way.
IMP gForwardedTo = nullptr;
void forwardingRemove(id self, SEL cmd, id observer, id bulletin) {
  calls().push_back("forwarded");
  IMP super = class_getMethodImplementation(objc::classNamed("SBNotificationsModeViewController"), cmd);
  objc::callImp<void>(super, self, cmd, observer, bulletin);
}

TEST_F(HostTest, ASubclassThatOnlyInheritsAMethodReachesIt) {
  Class all = objc::classNamed("SBNotificationsAllModeViewController");
  SEL remove = sel<"observer:removeBulletin:">();
  Method inherited = class_getInstanceMethod(all, remove);
  ASSERT_NE(inherited, nullptr);
  if (!gForwardedTo) {
    ASSERT_TRUE(class_addMethod(all, remove, objc::toImp(&forwardingRemove), method_getTypeEncoding(inherited)));
    gForwardedTo = objc::toImp(&forwardingRemove);
  }
  post("com.apple.MobileSMS", "one");
  post("com.apple.MobileSMS", "two");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  id mode = objc::objectIvar(send<id>(ncController(), sel<"viewController">()), "_allModeViewController");
  id list = send<id>(mode, sel<"bulletinViewController">());
  id info = send<id>(list, sel<"sectionWithIdentifier:">(), ns::str("com.apple.MobileSMS"));
  id newest = send<id>(send<id>(info, sel<"representedListSection">()), sel<"bulletinAtIndex:">(), NSUInteger{0});
  calls().clear();
  send<void>(mode, remove, objc::objectIvar(mode, "_observer"), newest);
  sb7::settle();
  EXPECT_EQ(calls(), (std::vector<std::string>{"forwarded"}));
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, "com.apple.MobileSMS"), 1);
  // The same holds for the cells: they inherit the responder methods from UIKit.
  EXPECT_FALSE(class_addMethod(objc::classNamed("SBNotificationsBulletinCell"), sel<"_setupMenuGesture">(),
                               objc::toImp(&forwardingRemove), "v@:"))
      << "the cell defines _setupMenuGesture itself";
  EXPECT_TRUE(class_addMethod(objc::classNamed("SBLockScreenBulletinCell"), sel<"canPerformAction:withSender:">(),
                              class_getMethodImplementation(objc::classNamed("UITableViewCell"),
                                                            sel<"canPerformAction:withSender:">()),
                              "c@::@"))
      << "the lock-screen cell only inherits canPerformAction:withSender:";
}

}  // namespace
