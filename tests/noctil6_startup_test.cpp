// The iOS 6 tweak's start-up with small stand-in classes of its own: nothing at all
// without a SpringBoard class; each entry of the method table installed its way (in
// place, or with a superclass forwarder) and in the table's order; missing classes
// and selectors skipped; the list window's inherited sendEvent: replaced in place,
// acting for other windows and tracking only the list window; coalesced settings
// notifications; and the library's dependencies.  Start-up runs in child processes of
// their own (death-test style), because the method table is permanent.
#include "ListHooks.h"
#include "ListWindow.h"
#include "LockScreenHooks.h"
#include "MethodTable.h"
#include "Options.h"
#include "PullDown.h"
#include "RowAnimation.h"
#include "Startup.h"
#include "noctil6/OptionFiles.h"

#include <LibraryDependencies.h>
#include <TestSupport.h>

#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>
#include <foundation/Bundle.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>
#include <uikit/Simulation.h>
#include <uikit/UITableView.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

using objc::send;
using objc::sel;

namespace {

using noctil6_tests::boolean;
using noctil6_tests::integer;
using noctil6_tests::number;
using noctil6_tests::string;
using noctil6_tests::writeOptions;

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

std::vector<std::string> gLog;

// ---- Stand-ins for SpringBoard's classes ---------------------------------------------

void springBoardMenuButtonDown(id, SEL, id) { gLog.push_back("SpringBoard.menuButtonDown"); }
void springBoardFrontDisplayDidChange(id, SEL) { gLog.push_back("SpringBoard.frontDisplayDidChange"); }
void uiControllerFinishLaunching(id, SEL) { gLog.push_back("SBUIController.finishLaunching"); }

// SpringBoard, optionally without frontDisplayDidChange.
void registerSpringBoard(bool withFrontDisplay = true) {
  objc::ClassBuilder<NSObjectIvars> builder("SpringBoard", objc::NSObjectClass());
  builder.method<&springBoardMenuButtonDown>("menuButtonDown:");
  if (withFrontDisplay) builder.method<&springBoardFrontDisplayDidChange>("frontDisplayDidChange");
  builder.registerClass();
}

void registerUIController() {
  objc::ClassBuilder<NSObjectIvars>("SBUIController", objc::NSObjectClass())
      .method<&uiControllerFinishLaunching>("finishLaunching")
      .registerClass();
}

// The three windows only inherit UIWindow's sendEvent:, as SpringBoard's do; so do the
// two tables with UITableView's row deletion and the header with UIView's touch end.
// A subclass of the lock screen's window and of the header inherit in turn.
void registerWindowsTablesAndHeader() {
  for (const char* name : {"UIStatusBarWindow", "SBAlertWindow", "SBBulletinWindow"})
    objc::ClassBuilder<UIWindowIvars>(name, uikit::UIWindowClass()).registerClass();
  objc::ClassBuilder<UIWindowIvars>("SBAlertSubWindow", objc_lookUpClass("SBAlertWindow")).registerClass();
  for (const char* name : {"SBBulletinTableView", "SBAwayBulletinTableView"})
    objc::ClassBuilder<UITableViewIvars>(name, uikit::UITableViewClass()).registerClass();
  objc::ClassBuilder<UIViewIvars>("SBBulletinHeaderView", uikit::UIViewClass()).registerClass();
  objc::ClassBuilder<UIViewIvars>("SBBulletinHeaderSubview", objc_lookUpClass("SBBulletinHeaderView")).registerClass();
}

// Logging stand-ins put in place of the host's own UIKit methods before start-up, so
// every chain of replacements ends in a line of the log naming the receiver's class.
IMP gWindowSendEvent = nullptr;
void loggingSendEvent(id self, SEL cmd, id event) {
  gLog.push_back(std::string("UIWindow.sendEvent(") + objc::className(self) + ")");
  objc::callImp<void>(gWindowSendEvent, self, cmd, event);
}
void loggingDeleteRows(id self, SEL, id, NSInteger) {
  gLog.push_back(std::string("UITableView.deleteRows(") + objc::className(self) + ")");
}
void loggingTouchesEnded(id self, SEL, id, id) {
  gLog.push_back(std::string("UIView.touchesEnded(") + objc::className(self) + ")");
}
void laterTouchesEnded(id self, SEL, id, id) {
  gLog.push_back(std::string("UIView.laterTouchesEnded(") + objc::className(self) + ")");
}
void wrapUIKitMethods() {
  gWindowSendEvent = method_setImplementation(class_getInstanceMethod(uikit::UIWindowClass(), sel<"sendEvent:">()),
                                              objc::toImp(&loggingSendEvent));
  method_setImplementation(
      class_getInstanceMethod(uikit::UITableViewClass(), sel<"deleteRowsAtIndexPaths:withRowAnimation:">()),
      objc::toImp(&loggingDeleteRows));
  method_setImplementation(class_getInstanceMethod(uikit::UIViewClass(), sel<"touchesEnded:withEvent:">()),
                           objc::toImp(&loggingTouchesEnded));
}

// The method `cls` defines itself for the selector (not one it inherits), or null.
Method ownMethod(Class cls, SEL selector) {
  unsigned int count = 0;
  Method* methods = class_copyMethodList(cls, &count);
  Method found = nullptr;
  for (unsigned int i = 0; i < count; ++i)
    if (sel_isEqual(method_getName(methods[i]), selector)) found = methods[i];
  std::free(methods);
  return found;
}

void prepareDevice(const testing_support::TempDir& root) {
  ns::setDeviceRoot(root.path());
  ns::setMainBundleIdentifier("com.apple.springboard");
}

objc::Ref makeWindow(const char* className) {
  objc::Ref window = objc::Ref::adopt(send<id>(send<id>(objc_lookUpClass(className), sel<"alloc">()),
                                               sel<"initWithFrame:">(), CGRectMake(0, 0, 320, 480)));
  send<void>(window, sel<"makeKeyAndVisible">());
  return window;
}

// ---- Start-up --------------------------------------------------------------------------

bool gSentinelArrived = false;
void sentinelArrived(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  gSentinelArrived = true;
}
constexpr const char* kSentinel = "test.noctil6.startup.sentinel";

// Posts the settings-changed notification `times` times in a row, then serves the
// main run loop until a sentinel posted after them has arrived.
void postSettingsChanged(int times) {
  for (int i = 0; i < times; ++i) EXPECT_EQ(notify_post(noctil6::kSettingsChangedNotification), NOTIFY_STATUS_OK);
  gSentinelArrived = false;
  EXPECT_EQ(notify_post(kSentinel), NOTIFY_STATUS_OK);
  EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return gSentinelArrived; }, 10.0));
}

void observeSentinel() {
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, &sentinelArrived,
                                  reinterpret_cast<CFStringRef>(string(kSentinel)), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
}

TEST(Noctil6StartupDeathTest, WithoutASpringBoardClassNothingHappensAtAll) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root);
    registerUIController();
    registerWindowsTablesAndHeader();
    IMP finish = class_getMethodImplementation(objc_lookUpClass("SBUIController"), sel<"finishLaunching">());
    IMP windowSendEvent = class_getMethodImplementation(uikit::UIWindowClass(), sel<"sendEvent:">());
    writeOptions({{"DefaultShow", integer(2)}});
    noctil6::start();
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("SBUIController"), sel<"finishLaunching">()), finish);
    EXPECT_EQ(class_getMethodImplementation(uikit::UIWindowClass(), sel<"sendEvent:">()), windowSendEvent);
    EXPECT_EQ(ownMethod(objc_lookUpClass("SBAlertWindow"), sel<"sendEvent:">()), nullptr);
    EXPECT_EQ(objc_lookUpClass("Noctil"), Nil);
    EXPECT_FALSE(class_respondsToSelector(objc_lookUpClass("UIImage"), sel<"ntScaleToCenter:">()));
    EXPECT_EQ(noctil6::options().defaultShow, 0);  // not loaded
    // No observer either: a settings change loads nothing.
    observeSentinel();
    postSettingsChanged(1);
    EXPECT_EQ(noctil6::options().defaultShow, 0);
  });
}

TEST(Noctil6StartupDeathTest, EachEntryIsInstalledItsWayAndInTheTablesOrder) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root);
    ns::useManualClock(1000);
    registerSpringBoard();
    registerUIController();
    registerWindowsTablesAndHeader();
    wrapUIKitMethods();
    writeOptions({{"DefaultShow", integer(2)}});
    noctil6::start();
    EXPECT_EQ(noctil6::options().defaultShow, 2);
    EXPECT_NE(objc_lookUpClass("Noctil"), Nil);
    EXPECT_TRUE(class_respondsToSelector(objc_lookUpClass("UIImage"), sel<"ntScaleToCenter:">()));

    // In place on the classes' own methods.
    EXPECT_EQ(class_getMethodImplementation(objc_lookUpClass("SpringBoard"), sel<"menuButtonDown:">()),
              objc::toImp(&noctil6::menuButtonDownReplacement));
    EXPECT_EQ(noctil6::gMenuButtonDown.previous, objc::toImp(&springBoardMenuButtonDown));
    EXPECT_EQ(noctil6::gFinishLaunching.previous, objc::toImp(&uiControllerFinishLaunching));

    // With a forwarder: the two top windows get sendEvent: of their own, whose
    // previous implementation asks the saved superclass at each call.
    for (const char* name : {"UIStatusBarWindow", "SBAlertWindow"}) {
      Method own = ownMethod(objc_lookUpClass(name), sel<"sendEvent:">());
      ASSERT_NE(own, nullptr) << name;
      EXPECT_STREQ(method_getTypeEncoding(own), "v@:@") << name;
    }
    EXPECT_EQ(noctil6::gAlertWindowSendEvent.savedSuperclass, uikit::UIWindowClass());
    EXPECT_NE(noctil6::gAlertWindowSendEvent.previous, gWindowSendEvent);
    Method header = ownMethod(objc_lookUpClass("SBBulletinHeaderView"), sel<"touchesEnded:withEvent:">());
    ASSERT_NE(header, nullptr);

    // In place on an inherited method: the list window's replacement now answers for
    // UIWindow itself, and the list window has no method of its own.  It was installed
    // after the two top windows' entries, so their forwarders reach it.
    EXPECT_EQ(ownMethod(objc_lookUpClass("SBBulletinWindow"), sel<"sendEvent:">()), nullptr);
    EXPECT_EQ(method_getImplementation(ownMethod(uikit::UIWindowClass(), sel<"sendEvent:">())),
              objc::toImp(&noctil6::listWindowSendEventReplacement));
    EXPECT_EQ(noctil6::gListWindowSendEvent.previous, objc::toImp(&loggingSendEvent));
    // Entry 23 (the list's table) before entry 41 (the lock screen's table), both on
    // UITableView's own row deletion: 41's previous implementation is 23's.
    EXPECT_EQ(noctil6::gTableDeleteRows.previous, objc::toImp(&loggingDeleteRows));
    EXPECT_EQ(noctil6::gAwayTableDeleteRows.previous, objc::toImp(&noctil6::tableDeleteRowsReplacement));

    // Call-order logs: every window reaches UIWindow's own sendEvent: exactly once per
    // event, through whatever chain its class has; a plain table runs both deletion
    // replacements and then UIKit's.
    for (const char* name : {"UIWindow", "SBAlertWindow", "SBAlertSubWindow", "UIStatusBarWindow", "SBBulletinWindow"}) {
      objc::Ref window = makeWindow(name);
      gLog.clear();
      ASSERT_TRUE(uikit::sim::tap(window, CGPointMake(100, 100)).ok()) << name;
      const std::string line = std::string("UIWindow.sendEvent(") + name + ")";
      // The window then hands the touch to itself (UIView's touch end is logged too).
      const std::string viewLine = std::string("UIView.touchesEnded(") + name + ")";
      EXPECT_EQ(gLog, (std::vector<std::string>{line, line, viewLine})) << name;
      send<void>(window, sel<"setHidden:">(), BOOL{YES});
    }
    gLog.clear();
    objc::Ref table = objc::Ref::adopt(objc::allocInit(uikit::UITableViewClass()));
    send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), id{nil}, NSInteger{100});
    EXPECT_EQ(gLog, (std::vector<std::string>{"UITableView.deleteRows(UITableView)"}));

    // The header's forwarder: a subclass that only inherits it reaches what UIView runs
    // at the moment of the call, including a replacement made after start-up.
    objc::Ref subview = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("SBBulletinHeaderSubview")));
    gLog.clear();
    send<void>(subview, sel<"touchesEnded:withEvent:">(), id{nil}, id{nil});
    method_setImplementation(class_getInstanceMethod(uikit::UIViewClass(), sel<"touchesEnded:withEvent:">()),
                             objc::toImp(&laterTouchesEnded));
    send<void>(subview, sel<"touchesEnded:withEvent:">(), id{nil}, id{nil});
    EXPECT_EQ(gLog, (std::vector<std::string>{"UIView.touchesEnded(SBBulletinHeaderSubview)",
                                              "UIView.laterTouchesEnded(SBBulletinHeaderSubview)"}));

    // The host's own launch runs first, then the tweak's.
    gLog.clear();
    objc::Ref ui = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("SBUIController")));
    send<void>(ui, sel<"finishLaunching">());
    EXPECT_EQ(gLog, (std::vector<std::string>{"SBUIController.finishLaunching"}));
    ns::useRealClock();
  });
}

TEST(Noctil6StartupDeathTest, MissingClassesAndSelectorsAreSkipped) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root);
    registerSpringBoard(/*withFrontDisplay=*/false);
    writeOptions({{"DefaultShow", integer(1)}});
    noctil6::start();
    EXPECT_TRUE(noctil6::gMenuButtonDown.installed());
    EXPECT_FALSE(noctil6::gFrontDisplayDidChange.installed());
    EXPECT_FALSE(class_respondsToSelector(objc_lookUpClass("SpringBoard"), sel<"frontDisplayDidChange">()));
    // No SBUIController, no telephony, no lock screen: their entries are skipped.
    for (const hook::SlotBase* slot : {static_cast<const hook::SlotBase*>(&noctil6::gFinishLaunching),
                                       static_cast<const hook::SlotBase*>(&noctil6::gHandleCallNotification),
                                       static_cast<const hook::SlotBase*>(&noctil6::gAttemptUnlock),
                                       static_cast<const hook::SlotBase*>(&noctil6::gAlertWindowSendEvent)}) {
      EXPECT_FALSE(slot->installed());
      EXPECT_EQ(slot->savedSuperclass, Nil);
    }
    // UIKit's own classes are there: the entries on them are not.
    EXPECT_EQ(noctil6::options().defaultShow, 1);
    // The home press runs the host's method even though nothing else of SpringBoard exists.
    gLog.clear();
    objc::Ref springboard = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("SpringBoard")));
    send<void>(springboard, sel<"menuButtonDown:">(), id{nil});
    EXPECT_EQ(gLog, (std::vector<std::string>{"SpringBoard.menuButtonDown"}));
  });
}

// ---- The list window's handler acting for every window ---------------------------------

// A lock screen that is locked, a list that is shown, and a list view whose sliding
// view is 400 points tall.
BOOL standInYes(id, SEL) { return YES; }
BOOL standInNo(id, SEL) { return NO; }
id standInShared(id cls, SEL) {
  static std::vector<std::pair<id, objc::Ref>> instances;
  for (auto& [c, instance] : instances)
    if (c == cls) return instance;
  instances.emplace_back(cls, objc::Ref::adopt(objc::allocInit(reinterpret_cast<Class>(cls))));
  return instances.back().second;
}
objc::Ref gSlidingView;
id standInListView(id, SEL) { return gSlidingView; }  // the sliding view stands for the list view too
id standInSlidingView(id, SEL) { return gSlidingView; }

void registerLockedScreenWithShownList() {
  objc::ClassBuilder<NSObjectIvars>("SBAwayController", objc::NSObjectClass())
      .classMethod<&standInShared>("sharedAwayController")
      .method<&standInYes>("isLocked")
      .method<&standInNo>("cameraIsActive")
      .registerClass();
  objc::ClassBuilder<NSObjectIvars>("SBBulletinListController", objc::NSObjectClass())
      .classMethod<&standInShared>("sharedInstance")
      .method<&standInYes>("listViewIsActive")
      .method<&standInListView>("listView")
      .registerClass();
  class_addMethod(uikit::UIViewClass(), sel<"slidingView">(), objc::toImp(&standInSlidingView), "@@:");
  gSlidingView = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIViewClass(), sel<"alloc">()), sel<"initWithFrame:">(), CGRectMake(0, 0, 320, 400)));
}

// Drags a finger on the window from y 380 (the bottom 60 points of the list) to y 340,
// and answers the sliding view's frame y while the finger is still down.
CGFloat slidingYAfterDrag(id window) {
  auto finger = uikit::sim::Finger::down(window, CGPointMake(160, 380));
  EXPECT_TRUE(finger.ok());
  if (!finger.ok()) return 0;
  EXPECT_TRUE(finger->moveTo(CGPointMake(160, 360), 0.05).ok());
  EXPECT_TRUE(finger->moveTo(CGPointMake(160, 340), 0.05).ok());
  CGFloat y = send<CGRect>(gSlidingView, sel<"frame">()).origin.y;
  EXPECT_TRUE(finger->cancel().ok());
  send<void>(gSlidingView, sel<"setFrame:">(), CGRectMake(0, 0, 320, 400));
  return y;
}

TEST(Noctil6StartupDeathTest, TheListWindowsInheritedSendEventActsForEveryWindowButTracksOnlyTheList) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root);
    ns::useManualClock(1000);
    registerSpringBoard();
    registerWindowsTablesAndHeader();
    registerLockedScreenWithShownList();
    wrapUIKitMethods();
    noctil6::start();
    // The same handler runs for a plain window and the lock screen's: neither is the
    // list window, so neither moves the list, and each event reaches UIWindow's own.
    for (const char* name : {"UIWindow", "SBAlertSubWindow"}) {
      objc::Ref window = makeWindow(name);
      gLog.clear();
      EXPECT_EQ(slidingYAfterDrag(window), 0) << name;
      EXPECT_EQ(gLog.size(), 4u) << name;  // began, two moves, cancelled
      send<void>(window, sel<"setHidden:">(), BOOL{YES});
    }
    objc::Ref list = makeWindow("SBBulletinWindow");
    EXPECT_EQ(slidingYAfterDrag(list), 340 - 400);  // the list's bottom edge follows the finger
    // With the list switched off on the lock screen the list window is left alone too.
    writeOptions({{"LockEnabled", boolean(NO)}});
    noctil6::loadOptions();
    EXPECT_EQ(slidingYAfterDrag(list), 0);
    ns::useRealClock();
  });
}

// ---- Settings notifications ------------------------------------------------------------

// Loads are counted at the file read: NSDictionary's dictionaryWithContentsOfFile: of
// the options file.
int gOptionReads = 0;
IMP gDictionaryWithContentsOfFile = nullptr;
id countingDictionaryWithContentsOfFile(id self, SEL cmd, id path) {
  if (ns::utf8(path) == noctil6::kOptionsPath) ++gOptionReads;
  return objc::callImp<id>(gDictionaryWithContentsOfFile, self, cmd, path);
}

TEST(Noctil6StartupDeathTest, SettingsNotificationsCoalesceIntoOneLoad) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  IN_FRESH_PROCESS({
    objc::AutoreleasePool pool;
    prepareDevice(root);
    registerSpringBoard();
    gDictionaryWithContentsOfFile =
        method_setImplementation(class_getClassMethod(objc_lookUpClass("NSDictionary"), sel<"dictionaryWithContentsOfFile:">()),
                                 objc::toImp(&countingDictionaryWithContentsOfFile));
    observeSentinel();
    writeOptions({{"DefaultShow", integer(1)}});
    noctil6::start();
    EXPECT_EQ(gOptionReads, 1);  // loaded once at start-up
    EXPECT_EQ(noctil6::options().defaultShow, 1);

    // Three posts in a row before the main run loop gets to them: one load.
    writeOptions({{"DefaultShow", integer(2)}, {"HideTimeView", boolean(NO)}});
    postSettingsChanged(3);
    EXPECT_EQ(gOptionReads, 2);
    EXPECT_EQ(noctil6::options().defaultShow, 2);
    EXPECT_FALSE(noctil6::options().hideTimeView);
    postSettingsChanged(1);
    EXPECT_EQ(gOptionReads, 3);
  });
}

// ---- The library's dependencies ---------------------------------------------------------

TEST(Noctil6Library, LinksOnlyTheRuntimeAndTheFrameworkStandIns) {
  // SpringBoard's classes are only ever found by name.
  testing_support::expectOnlyRuntimeAndStandIns(testing_support::binaryDir() / "lib/libNoctil6.so",
                                                {"SpringBoard6", "SpringBoard7", "Telephony", "ChatKit", "BulletinBoard",
                                                 "Preferences", "Noctil7", "NoctilSettings"});
}

}  // namespace
