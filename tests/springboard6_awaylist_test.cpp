// The iOS 6 lock screen's own notification list: it takes the notifications that
// arrive while locked, newest first, in a view found by its description; its rows
// carry their bulletin ID in an action context; a row's icon slid to the end
// unlocks into the notification (after the passcode when one is set); removals go
// through the list's table; unlocking empties it.
#include "HomeScreen6Fixture.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/Simulation.h>
#include <uikit/UIView.h>

using namespace sb6_testing;

namespace {

IMP gDeleteRows = nullptr;

void recordingDeleteRows(id self, SEL cmd, id paths, NSInteger animation) {
  calls().push_back("deleteRows " + std::to_string(animation));
  objc::callImp<void>(gDeleteRows, self, cmd, paths, animation);
}

class Springboard6AwayListTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBAwayBulletinTableView", "deleteRowsAtIndexPaths:withRowAnimation:",
                objc::toImp(&recordingDeleteRows), gDeleteRows);
  }
  id listController() { return send<id>(awayView(), sel<"bulletinController">()); }
  id listView() { return send<id>(listController(), sel<"view">()); }
  id table() { return send<id>(listView(), sel<"tableView">()); }
  std::vector<std::string> shownMessages() {
    std::vector<std::string> out;
    for (id item : ns_elements(send<id>(listController(), sel<"listItems">())))
      out.push_back(text(send<id>(send<id>(item, sel<"activeBulletin">()), sel<"message">())));
    return out;
  }
  static std::vector<id> ns_elements(id array) {
    std::vector<id> out;
    NSUInteger n = send<NSUInteger>(array, sel<"count">());
    for (NSUInteger i = 0; i < n; ++i) out.push_back(send<id>(array, sel<"objectAtIndex:">(), i));
    return out;
  }
  id cellAt(NSInteger row) {
    sb6::settle();
    id path = send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, NSInteger{0});
    return send<id>(table(), sel<"cellForRowAtIndexPath:">(), path);
  }
  // Slides a row's icon from the left of the cell across it, through the lock
  // screen's window.
  objc::Status slide(NSInteger row, CGFloat distance) {
    id cell = cellAt(row);
    if (cell == nil) return objc::makeError("no cell");
    CGRect bounds = send<CGRect>(cell, sel<"bounds">());
    return uikit::sim::drag(cell, CGPointMake(30, bounds.size.height / 2),
                            CGPointMake(30 + distance, bounds.size.height / 2), 0.3, 10);
  }
};

TEST_F(Springboard6AwayListTest, NotificationsReachTheLockScreenListOnlyWhileLockedNewestFirst) {
  launch();
  post("com.apple.MobileSMS", "before the lock");
  ASSERT_TRUE(sb6::lock().ok());
  EXPECT_TRUE(shownMessages().empty());
  EXPECT_TRUE(send<BOOL>(listView(), sel<"isHidden">()));  // hidden while empty
  std::string first = post("com.apple.MobileSMS", "one");
  std::string second = post("com.apple.mobilemail", "two");
  EXPECT_EQ(shownMessages(), (std::vector<std::string>{"two", "one"}));
  EXPECT_FALSE(send<BOOL>(listView(), sel<"isHidden">()));
  // The list is a direct subview of the away view, found by its description.
  int found = 0;
  for (id v : uikit::subviewsOf(awayView())) found += describe(v).find("SBAwayBulletinListView") != std::string::npos;
  EXPECT_EQ(found, 1);
  // Rows carry their notification's ID; the cell class and table are the lock screen's.
  id cell = cellAt(0);
  ASSERT_NE(cell, nil);
  EXPECT_STREQ(objc::className(cell), "SBAwayBulletinCell");
  EXPECT_STREQ(objc::className(table()), "SBAwayBulletinTableView");
  EXPECT_EQ(text(send<id>(send<id>(cell, sel<"actionContext">()), sel<"bulletinID">())), second);
  EXPECT_EQ(text(send<id>(send<id>(cellAt(1), sel<"actionContext">()), sel<"bulletinID">())), first);
  EXPECT_EQ(text(send<id>(objc::objectIvar(cellAt(1), "_messageLabel"), sel<"text">())), "one");
  // Unlocking empties it; notifications of an unlocked device never reach it.
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_TRUE(shownMessages().empty());
  post("com.apple.MobileSMS", "unlocked");
  EXPECT_TRUE(shownMessages().empty());
}

TEST_F(Springboard6AwayListTest, RemovingANotificationDeletesItsRowThroughTheLockScreenTable) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.MobileSMS", "one");
  std::string second = post("com.apple.MobileSMS", "two");
  calls().clear();
  id bulletin = bb::BulletinServer::shared().bulletinWithID(second);
  send<void>(listController(), sel<"observer:removeBulletin:">(), id{nil}, bulletin);
  EXPECT_EQ(shownMessages(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(calls(), (std::vector<std::string>{"deleteRows 100"}));
  EXPECT_EQ(send<NSInteger>(table(), sel<"numberOfRowsInSection:">(), NSInteger{0}), 1);
  send<void>(listController(), sel<"observer:removeBulletin:">(), id{nil}, bulletin);  // gone already
  EXPECT_EQ(calls().size(), 1u);
  // The server's own withdrawal reaches the list too.
  EXPECT_TRUE(bb::BulletinServer::shared().withdraw(
      text(send<id>(send<id>(ns_elements(send<id>(listController(), sel<"listItems">()))[0], sel<"activeBulletin">()),
                    sel<"bulletinID">()))));
  sb6::settle();
  EXPECT_TRUE(shownMessages().empty());
  EXPECT_TRUE(send<BOOL>(listView(), sel<"isHidden">()));
}

TEST_F(Springboard6AwayListTest, ANotificationArrivingOnADarkLockScreenLightsIt) {
  launch();
  ASSERT_TRUE(sb6::sleep().ok());
  post("com.apple.MobileSMS", "wake up");
  EXPECT_FALSE(sb6::isScreenDark());
  ASSERT_TRUE(ns::advanceClock(8.1).ok());
  EXPECT_TRUE(sb6::isScreenDark());
}

TEST_F(Springboard6AwayListTest, SlidingARowsIconToTheEndUnlocksAndPerformsItsAction) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.MobileSMS", "with a link", "sms:+15550100");
  post("com.apple.reminders", "without a link");
  ASSERT_TRUE(slide(0, 60).ok());  // not far enough: the icon goes back
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_EQ(objc::getIvar<CGFloat>(cellAt(0), "_slideOffset").value_or(-1), 0);
  ASSERT_TRUE(slide(0, 400).ok());  // the reminder: its app comes to the front
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_EQ(sb6::lastOpened(), "com.apple.reminders");
  EXPECT_EQ(sb6::frontApplication(), "com.apple.reminders");
  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.MobileSMS", "with a link", "sms:+15550100");
  ASSERT_TRUE(slide(0, 400).ok());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
  EXPECT_EQ(sb6::frontApplication(), "com.apple.MobileSMS");
  // A finger put down beside the icon does not slide anything.
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.MobileSMS", "again");
  id cell = cellAt(0);
  CGRect bounds = send<CGRect>(cell, sel<"bounds">());
  ASSERT_TRUE(uikit::sim::drag(cell, CGPointMake(150, 30), CGPointMake(bounds.size.width, 30), 0.3, 10).ok());
  EXPECT_TRUE(sb6::isLocked());
}

TEST_F(Springboard6AwayListTest, WithAPasscodeTheSlidRowsActionWaitsForTheRightCodeAndCancelDropsIt) {
  sb6::Device device;
  device.passcode = "1234";
  launch(device);
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.MobileSMS", "hello", "sms:+15550100");
  ASSERT_TRUE(slide(0, 400).ok());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);  // nothing opens on a locked device
  ASSERT_TRUE(sb6::typePasscode("0000").ok());
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);
  ASSERT_TRUE(sb6::typePasscode("1234").ok());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");

  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::lock().ok());
  post("com.apple.mobilemail", "later");
  ASSERT_TRUE(slide(0, 400).ok());
  ASSERT_TRUE(sb6::cancelKeypad().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");  // the cancelled one was dropped
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);
}

}  // namespace
