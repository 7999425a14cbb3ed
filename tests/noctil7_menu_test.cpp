// The cell action menu inside the iOS 7 home screen: the lock screen's cells get the
// tweak's own long-press recogniser as the list hands them out, Notification Center's
// cells keep the host's press and get Delete and Clear All put into the shared menu
// first, and both kinds of cell answer the menu's questions.  Where a replacement
// calls the host's method, the host's method is watched through the replacement's
// slot, so the order of the two is seen.
#include "noctil7/Noctil7Fixture.h"

#include "ActionMenu.h"

#include <foundation/DeviceRoot.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIMenuController.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace noctil7_tests;
using objc::sel;
using Strings = std::vector<std::string>;

constexpr const char* kSMS = "com.apple.MobileSMS";

// The long-press recognisers attached to the view itself whose target action is `action`.
std::vector<id> longPresses(id view, const std::string& action) {
  std::vector<id> found;
  id list = objc::send<id>(view, sel<"gestureRecognizers">());
  NSUInteger count = objc::send<NSUInteger>(list, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id recognizer = objc::send<id>(list, sel<"objectAtIndex:">(), i);
    if (!objc::send<BOOL>(recognizer, sel<"isKindOfClass:">(), objc_lookUpClass("UILongPressGestureRecognizer")))
      continue;
    if (text(objc::send<id>(recognizer, sel<"description">())).find("action=" + action) != std::string::npos)
      found.push_back(recognizer);
  }
  return found;
}

// The shared menu's items as (title, action) pairs.
std::vector<std::pair<std::string, std::string>> menuItems() {
  std::vector<std::pair<std::string, std::string>> out;
  id items = objc::send<id>(uikit::sharedMenuController(), sel<"menuItems">());
  NSUInteger count = objc::send<NSUInteger>(items, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id item = objc::send<id>(items, sel<"objectAtIndex:">(), i);
    out.emplace_back(text(objc::send<id>(item, sel<"title">())), sel_getName(objc::send<SEL>(item, sel<"action">())));
  }
  return out;
}

void setMenuItem(const char* title, const char* action) {
  objc::AutoreleasePool pool;
  id item = objc::send<id>(objc::send<id>(objc_lookUpClass("UIMenuItem"), sel<"alloc">()), sel<"initWithTitle:action:">(),
                           str(title), sel_registerName(action));
  objc::send<void>(uikit::sharedMenuController(), sel<"setMenuItems:">(),
                   objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), item));
  objc::release(item);
}

objc::Ref recognizerInState(NSInteger state) {
  objc::Ref recognizer = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UILongPressGestureRecognizer")));
  objc::send<void>(recognizer, sel<"setState:">(), state);
  return recognizer;
}

objc::Ref freshCell(const char* className) {
  return objc::Ref::adopt(objc::send<id>(objc::send<id>(objc_lookUpClass(className), sel<"alloc">()),
                                         sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, str("test")));
}

const std::vector<const char*> kDefaultMenu = {"Delete", "Clear All"};

// What the host's long-press handler of a Notification Center cell saw, call by call.
struct HostPress {
  NSInteger state;
  std::vector<std::pair<std::string, std::string>> menu;
};
std::vector<HostPress> gHostPresses;
IMP gHostLongPress = nullptr;
bool gHostSelectsCell = false;

void watchedHostLongPress(id self, SEL cmd, id recognizer) {
  gHostPresses.push_back({objc::send<NSInteger>(recognizer, sel<"state">()), menuItems()});
  objc::callImp<void>(gHostLongPress, self, cmd, recognizer);
  // A host that leaves the cell selected: the replacement must deselect after it.
  if (gHostSelectsCell) objc::send<void>(self, sel<"setSelected:">(), BOOL{YES});
}

std::vector<std::string> gHostCanPerform;
IMP gHostLockCanPerform = nullptr;
IMP gHostCenterCanPerform = nullptr;

BOOL watchedLockCanPerform(id self, SEL cmd, SEL action, id sender) {
  gHostCanPerform.push_back(std::string("lock ") + sel_getName(action));
  return objc::callImp<BOOL>(gHostLockCanPerform, self, cmd, action, sender);
}
BOOL watchedCenterCanPerform(id self, SEL cmd, SEL action, id sender) {
  gHostCanPerform.push_back(std::string("center ") + sel_getName(action));
  return objc::callImp<BOOL>(gHostCenterCanPerform, self, cmd, action, sender);
}

class MenuTest : public Noctil7Test {
 protected:
  void SetUp() override {
    Noctil7Test::SetUp();
    gHostPresses.clear();
    gHostCanPerform.clear();
    gHostSelectsCell = false;
    gHostLongPress = std::exchange(noctil7::gLongPressRecognized.previous, objc::toImp(&watchedHostLongPress));
    gHostLockCanPerform = std::exchange(noctil7::gLockCellCanPerform.previous, objc::toImp(&watchedLockCanPerform));
    gHostCenterCanPerform =
        std::exchange(noctil7::gCenterCellCanPerform.previous, objc::toImp(&watchedCenterCanPerform));
  }
  void TearDown() override {
    noctil7::gLongPressRecognized.previous = gHostLongPress;
    noctil7::gLockCellCanPerform.previous = gHostLockCanPerform;
    noctil7::gCenterCellCanPerform.previous = gHostCenterCanPerform;
    Noctil7Test::TearDown();
  }

  static void postMessage(const std::string& message) {
    sb7::Notification n;
    n.sectionID = kSMS;
    n.message = message;
    n.url = "sms:+15551234";
    ASSERT_TRUE(sb7::post(n).ok());
  }
  void switchMenuOff() {
    writeOptions({{"ActionMenuEnabled", OptionValue::no()}});
    reloadOptions();
  }
  // The lock-screen list hands its cells out again.
  static id handOutLockCellAgain() {
    objc::send<void>(lockScreenTable(), sel<"reloadData">());
    return cellOf(true, kSMS, 0);
  }
};

TEST_F(MenuTest, ALockCellHandedOutThreeTimesCarriesExactlyOneRecognizerOfTheTweak) {
  // The host fits its lock-screen cells with a press of its own on the content view.
  objc::Ref plain = freshCell("SBLockScreenBulletinCell");
  ASSERT_EQ(longPresses(objc::send<id>(plain.get(), sel<"contentView">()), "_longPressGestureRecognized:").size(), 1u);

  ASSERT_TRUE(sb7::lock().ok());
  postMessage("hello");
  id cell = cellOf(true, kSMS, 0);
  ASSERT_NE(cell, nil);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(handOutLockCellAgain(), cell) << "the table reuses the one cell";

  auto own = longPresses(cell, "noctil_longPress:");
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(objc::send<id>(own[0], sel<"view">()), cell);
  EXPECT_DOUBLE_EQ(objc::send<double>(own[0], sel<"minimumPressDuration">()), 0.3);
  id content = objc::send<id>(cell, sel<"contentView">());
  EXPECT_TRUE(longPresses(content, "_longPressGestureRecognized:").empty());
  EXPECT_TRUE(longPresses(content, "noctil_longPress:").empty());

  // Switched off, the next hand-out strips the tweak's recogniser and does not give
  // the host's back; a press then finds nothing to press.
  switchMenuOff();
  ASSERT_EQ(handOutLockCellAgain(), cell);
  EXPECT_TRUE(longPresses(cell, "noctil_longPress:").empty());
  EXPECT_TRUE(longPresses(content, "_longPressGestureRecognized:").empty());
  EXPECT_FALSE(sb7::longPress(sb7::List::LockScreen, kSMS, 0).ok());
  EXPECT_TRUE(sb7::visibleMenuItems().empty());
}

TEST_F(MenuTest, ALockScreenPressReplacesEarlierItemsWithDeleteThenClearAll) {
  setMenuItem("Earlier", "copy:");
  ASSERT_TRUE(sb7::lock().ok());
  postMessage("hello");
  id cell = cellOf(true, kSMS, 0);
  ASSERT_TRUE(sb7::longPress(sb7::List::LockScreen, kSMS, 0).ok());

  using Item = std::pair<std::string, std::string>;
  EXPECT_EQ(menuItems(), (std::vector<Item>{{"Delete", "noctil_delete:"}, {"Clear All", "noctil_clearAll:"}}));
  EXPECT_EQ(sb7::visibleMenuItems(), (Strings{"Delete", "Clear All"}));
  EXPECT_TRUE(objc::send<BOOL>(cell, sel<"isFirstResponder">()));
  // The menu points at the cell's frame in its superview.
  id menu = uikit::sharedMenuController();
  EXPECT_EQ(objc::objectIvar(menu, "_targetView"), objc::send<id>(cell, sel<"superview">()));
  CGRect target = *objc::getIvar<CGRect>(menu, "_targetRect");
  CGRect frame = objc::send<CGRect>(cell, sel<"frame">());
  EXPECT_EQ(target.origin.y, frame.origin.y);
  EXPECT_EQ(target.size.height, frame.size.height);
}

TEST_F(MenuTest, ALockScreenPressShowsNothingUnlessItBeganWithTheOptionOn) {
  ASSERT_TRUE(sb7::lock().ok());
  postMessage("hello");
  id cell = cellOf(true, kSMS, 0);
  for (NSInteger state : {0, 2, 3, 4}) {
    objc::send<void>(cell, sel<"noctil_longPress:">(), recognizerInState(state).get());
    EXPECT_FALSE(objc::send<BOOL>(uikit::sharedMenuController(), sel<"isMenuVisible">())) << "state " << state;
  }
  EXPECT_TRUE(menuItems().empty());

  switchMenuOff();
  objc::send<void>(cell, sel<"noctil_longPress:">(), recognizerInState(1).get());
  EXPECT_FALSE(objc::send<BOOL>(uikit::sharedMenuController(), sel<"isMenuVisible">()));
  EXPECT_TRUE(menuItems().empty());

  writeOptions({{"ActionMenuEnabled", OptionValue::yes()}});
  reloadOptions();
  objc::send<void>(cell, sel<"noctil_longPress:">(), recognizerInState(1).get());
  EXPECT_EQ(sb7::visibleMenuItems(), (Strings{"Delete", "Clear All"}));
}

TEST_F(MenuTest, ANotificationCenterPressFillsTheMenuBeforeTheHostShowsItAndDeselectsAfter) {
  setMenuItem("Earlier", "copy:");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  postMessage("hello");
  id cell = cellOf(false, kSMS, 0);
  ASSERT_NE(cell, nil);
  gHostSelectsCell = true;
  ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, kSMS, 0).ok());

  // Began, then ended: the host sees the two items already in the menu both times.
  ASSERT_EQ(gHostPresses.size(), 2u);
  using Item = std::pair<std::string, std::string>;
  const std::vector<Item> ours{{"Delete", "noctil_delete:"}, {"Clear All", "noctil_clearAll:"}};
  EXPECT_EQ(gHostPresses[0].state, 1);
  EXPECT_EQ(gHostPresses[0].menu, ours);
  EXPECT_EQ(gHostPresses[1].state, 3);
  EXPECT_EQ(sb7::visibleMenuItems(), (Strings{"Delete", "Clear All"}));
  EXPECT_FALSE(objc::send<BOOL>(cell, sel<"isSelected">()));
}

TEST_F(MenuTest, ANotificationCenterPressThatDidNotBeginStillReachesTheHostAndDeselects) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  postMessage("hello");
  id cell = cellOf(false, kSMS, 0);
  gHostSelectsCell = true;
  objc::send<void>(cell, sel<"_longPressGestureRecognized:">(), recognizerInState(2).get());
  ASSERT_EQ(gHostPresses.size(), 1u);
  EXPECT_EQ(gHostPresses[0].state, 2);
  EXPECT_TRUE(gHostPresses[0].menu.empty());
  EXPECT_TRUE(menuItems().empty());
  EXPECT_FALSE(objc::send<BOOL>(cell, sel<"isSelected">()));
}

TEST_F(MenuTest, AnotherAddOnsOpenItemLeavesTheNotificationCenterMenuAlone) {
  setMenuItem("Open", "parvel_open:");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  postMessage("hello");
  ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, kSMS, 0).ok());
  using Item = std::pair<std::string, std::string>;
  EXPECT_EQ(menuItems(), (std::vector<Item>{{"Open", "parvel_open:"}}));
  ASSERT_FALSE(gHostPresses.empty());
  EXPECT_EQ(gHostPresses[0].menu, (std::vector<Item>{{"Open", "parvel_open:"}}));
}

TEST_F(MenuTest, WithTheOptionOffNotificationCenterShowsNoMenuButTheHostStillRuns) {
  switchMenuOff();
  setMenuItem("Earlier", "copy:");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  postMessage("hello");
  id cell = cellOf(false, kSMS, 0);
  ASSERT_TRUE(sb7::longPress(sb7::List::NotificationCenter, kSMS, 0).ok());
  EXPECT_EQ(gHostPresses.size(), 2u);
  EXPECT_EQ(menuItems().size(), 1u);
  EXPECT_TRUE(sb7::visibleMenuItems().empty());
  EXPECT_FALSE(objc::send<BOOL>(notificationCenterTable(), sel<"_shouldShowMenuForCell:">(), cell));
}

TEST_F(MenuTest, TheHostsMenuGestureIsShortenedWhateverTheOption) {
  // UIKit's own default, to show the change is the tweak's.
  objc::Ref plain = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UILongPressGestureRecognizer")));
  EXPECT_DOUBLE_EQ(objc::send<double>(plain.get(), sel<"minimumPressDuration">()), 0.5);
  for (bool on : {true, false}) {
    if (!on) switchMenuOff();
    objc::Ref cell = freshCell("SBNotificationsBulletinCell");
    id gesture = objc::objectIvar(cell.get(), "_menuGesture");
    ASSERT_NE(gesture, nil);
    EXPECT_DOUBLE_EQ(objc::send<double>(gesture, sel<"minimumPressDuration">()), 0.3) << (on ? "on" : "off");
  }
}

TEST_F(MenuTest, BothCellKindsAnswerTheMenusQuestions) {
  objc::Ref lock = freshCell("SBLockScreenBulletinCell");
  objc::Ref center = freshCell("SBNotificationsBulletinCell");
  auto canPerform = [](id cell, const char* action) {
    return objc::send<BOOL>(cell, sel<"canPerformAction:withSender:">(), sel_registerName(action), id{nil}) == YES;
  };
  for (id cell : {lock.get(), center.get()}) {
    gHostCanPerform.clear();
    EXPECT_TRUE(canPerform(cell, "noctil_delete:"));
    EXPECT_TRUE(canPerform(cell, "noctil_clearAll:"));
    EXPECT_TRUE(gHostCanPerform.empty()) << "the tweak answers its own actions";
    EXPECT_FALSE(canPerform(cell, "copy:"));
    EXPECT_TRUE(canPerform(cell, "setSelected:"));  // the host's answer: the cell has the method
    EXPECT_EQ(gHostCanPerform.size(), 2u);
  }
  EXPECT_EQ(gHostCanPerform.front().rfind("center ", 0), 0u);

  switchMenuOff();
  gHostCanPerform.clear();
  for (id cell : {lock.get(), center.get()}) {
    canPerform(cell, "noctil_delete:");
    EXPECT_TRUE(objc::send<BOOL>(cell, sel<"canBecomeFirstResponder">()));
  }
  EXPECT_EQ(gHostCanPerform, (Strings{"lock noctil_delete:", "center noctil_delete:"}));
}

TEST_F(MenuTest, OnlyNotificationCellsFollowTheOptionForTheTablesMenuQuestion) {
  objc::Ref table = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UITableView")));
  objc::Ref lock = freshCell("SBLockScreenBulletinCell");
  objc::Ref other = freshCell("UITableViewCell");
  auto shows = [&](id cell) { return objc::send<BOOL>(table.get(), sel<"_shouldShowMenuForCell:">(), cell) == YES; };
  EXPECT_TRUE(shows(lock.get()));
  EXPECT_FALSE(shows(other.get()));  // UIKit's answer: no delegate, no menu
  switchMenuOff();
  EXPECT_FALSE(shows(lock.get()));
}

TEST_F(MenuTest, MenuTitlesComeFromTheSettingsBundleWithTheKeyAsFallBack) {
  auto strings = hostPath("/Library/PreferenceBundles/NoctilSettings.bundle/en.lproj/Localizable.strings");
  std::filesystem::create_directories(strings.parent_path());
  std::ofstream(strings) << "\"Delete\" = \"Supprimer\";\n";
  noctil7::installActionMenuItems();
  using Item = std::pair<std::string, std::string>;
  EXPECT_EQ(menuItems(), (std::vector<Item>{{"Supprimer", "noctil_delete:"}, {"Clear All", "noctil_clearAll:"}}));
}

}  // namespace
