// Swipe to delete and clear section of the iOS 6 tweak, inside the iOS 6 home screen:
// the 100-point and 300 pt/s borders with fingers placed exactly, the left and right
// row animations on both tables, the start margin and the vertical drag that never
// begins, notifications that may not be cleared, confirm mode with the table's own
// Delete and the middle animation, the side effects (badge, Messages read state through
// ChatKit, the Mail archive and push stores written by plistlib, the lock screen's list
// only in the lock context), the view that hosts the swipe below iOS 6, clear section,
// and the iPad's pan guard and shared recognition.
#include "ListEditing.h"
#include "MarkRead.h"
#include "Removal.h"
#include "RowAnimation.h"
#include "Swipe.h"
#include "noctil6/Noctil6Fixture.h"
#include "stores/ArchiveContent.h"

#include <chatkit/ChatKit.h>
#include <foundation/NSArray.h>
#include <noctil/StoredNotifications.h>
#include <chatkit/MessageStore.h>
#include <uikit/TableSwipeDelete.h>
#include <uikit/UIDevice.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIView.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace noctil6_tests {
namespace {

namespace fs = std::filesystem;
using store_tests::archiveContent;

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";
constexpr const char* kPhone = "com.apple.mobilephone";
constexpr const char* kChat = "com.example.chat";
constexpr const char* kPushStores = "/var/mobile/Library/SpringBoard/PushStore/";

// Every deletion UIKit's own table performed, with its animation: "rows 2" or
// "sections 6", prefixed by "lock " for the lock screen's table.
std::vector<std::string>& deletions() {
  static std::vector<std::string> log;
  return log;
}
IMP gUIKitDeleteRows = nullptr;
IMP gUIKitDeleteSections = nullptr;
std::string tableName(id table) {
  return std::string(objc::className(table)) == "SBAwayBulletinTableView" ? "lock " : "";
}
void logDeleteRows(id self, SEL cmd, id paths, NSInteger animation) {
  deletions().push_back(tableName(self) + "rows " + std::to_string(animation));
  objc::callImp<void>(gUIKitDeleteRows, self, cmd, paths, animation);
}
void logDeleteSections(id self, SEL cmd, id sections, NSInteger animation) {
  deletions().push_back(tableName(self) + "sections " + std::to_string(animation));
  objc::callImp<void>(gUIKitDeleteSections, self, cmd, sections, animation);
}

fs::path storeData(const std::string& name) { return testing_support::testDataDir() / "stores" / name; }
ino_t inode(const fs::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}
std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Noctil6Swipe : public Noctil6HomeScreenTest {
 protected:
  static void SetUpTestSuite() {
    Noctil6HomeScreenTest::SetUpTestSuite();
    if (gUIKitDeleteRows == nullptr) {
      Class table = objc_lookUpClass("UITableView");
      gUIKitDeleteRows = method_setImplementation(
          class_getInstanceMethod(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">()), objc::toImp(&logDeleteRows));
      gUIKitDeleteSections = method_setImplementation(
          class_getInstanceMethod(table, sel<"deleteSections:withRowAnimation:">()), objc::toImp(&logDeleteSections));
    }
  }
  void SetUp() override {
    Noctil6HomeScreenTest::SetUp();
    noctil6::setDeleteRowAnimation(noctil6::kNoRowAnimation);
    ck::resetConversationList();
    deletions().clear();
  }
  void TearDown() override {
    uikit::setSystemVersion("6.1");
    ck::resetConversationList();
    Noctil6HomeScreenTest::TearDown();
  }

  // Options of the free swipe on both lists (no confirmation).
  void freeSwipe(std::initializer_list<std::pair<const char*, id>> more = {}) {
    std::vector<std::pair<const char*, id>> entries{{"SDRequireConfirm", boolean(NO)}};
    entries.insert(entries.end(), more.begin(), more.end());
    writeOptionsFrom(entries);
  }
  void writeOptionsFrom(const std::vector<std::pair<const char*, id>>& entries) {
    objc::AutoreleasePool pool;
    id d = send<id>(classObject("NSMutableDictionary"), sel<"dictionary">());
    for (const auto& [key, value] : entries) send<void>(d, sel<"setObject:forKey:">(), value, ns::str(key));
    std::filesystem::create_directories(optionsFile().parent_path());
    ASSERT_TRUE(send<BOOL>(d, sel<"writeToFile:atomically:">(),
                           ns::str("/var/mobile/Library/Preferences/com.trelmo.noctil.plist"), BOOL{YES}));
    noctil6::loadOptions();
  }

  std::string postFull(const std::string& section, const std::string& message, const std::string& record,
                       const std::string& url = "", bool clearable = true) {
    sb6::Notification n;
    n.sectionID = section;
    n.message = message;
    n.recordID = record;
    n.url = url;
    n.clearable = clearable;
    auto posted = sb6::post(n);
    EXPECT_TRUE(posted.ok());
    return posted.ok() ? posted.value() : std::string();
  }

  // The list view a list's swipes are measured in, and its table.
  static id referenceView(sb6::List list) {
    return list == sb6::List::LockScreen ? send<id>(noctil6::lockScreenListController(), sel<"view">())
                                         : send<id>(listController(), sel<"listView">());
  }
  static id tableOf(sb6::List list) { return send<id>(referenceView(list), sel<"tableView">()); }
  // The index path of the row-th notification of a section: Notification Center has a
  // table section per app, the lock screen's list one section of every notification.
  static id pathOf(sb6::List list, const std::string& section, NSInteger row) {
    NSInteger s = 0;
    if (list == sb6::List::NotificationCenter) {
      id visible = objc::objectIvar(listController(), "_visibleSectionIDs");
      s = static_cast<NSInteger>(send<NSUInteger>(visible, sel<"indexOfObject:">(), ns::str(section)));
    } else {
      NSInteger index = 0, seen = 0;
      for (id item : ns::elements(send<id>(noctil6::lockScreenListController(), sel<"listItems">()))) {
        id notification = send<id>(item, sel<"activeBulletin">());
        if (ns::utf8(send<id>(notification, sel<"sectionID">())) == section && seen++ == row) break;
        ++index;
      }
      row = index;
    }
    return send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, s);
  }
  static id cellOf(sb6::List list, const std::string& section, NSInteger row) {
    return send<id>(tableOf(list), sel<"cellForRowAtIndexPath:">(), pathOf(list, section, row));
  }
  // The middle height of a row, in the list view's coordinates.
  static CGFloat rowMiddle(sb6::List list, const std::string& section, NSInteger row) {
    id table = tableOf(list);
    CGRect r = send<CGRect>(table, sel<"rectForRowAtIndexPath:">(), pathOf(list, section, row));
    return uikit::convertRect(r, table, referenceView(list)).origin.y + r.size.height / 2;
  }

  // A finger on the list view (which stays where it is while the cell moves) across a
  // row: down at x, then to each x in turn, each move taking its seconds; lifted where
  // it is.  The pan begins at the first move of 10 points or more.
  void swipe(sb6::List list, const std::string& section, NSInteger row, CGFloat x,
             const std::vector<std::pair<CGFloat, double>>& moves, bool lift = true) {
    objc::AutoreleasePool pool;
    const CGFloat y = rowMiddle(list, section, row);
    auto finger = uikit::sim::Finger::down(referenceView(list), CGPointMake(x, y));
    ASSERT_TRUE(finger.ok()) << finger.error().message;
    for (const auto& [to, seconds] : moves) ASSERT_TRUE(finger->moveTo(CGPointMake(to, y), seconds).ok());
    if (lift) ASSERT_TRUE(finger->up().ok());
    uikit::sim::letTimePass(1);
  }
  // A slow swipe whose pan begins at x + 10 and ends `distance` points further.
  void slowSwipe(sb6::List list, const std::string& section, NSInteger row, CGFloat x, CGFloat distance) {
    const CGFloat start = x + (distance < 0 ? -10 : 10);
    swipe(list, section, row, x, {{start, 0.05}, {start + distance - (distance < 0 ? -1 : 1), 1.0},
                                  {start + distance, 0.5}});
  }

  static std::optional<NSInteger> badgeOf(const char* section) { return sb6::badge(section); }
  static bool isRead(int64_t rowID) {
    auto store = ck::MessageStore::open();
    auto read = store ? (*store)->isRead(rowID) : objc::Result<bool>(objc::makeError("no store"));
    return read.ok() && read.value();
  }
  static void addMessage(const std::string& chat, int64_t rowID) {
    auto store = ck::MessageStore::open();
    ASSERT_TRUE(store.ok());
    ASSERT_TRUE((*store)->addMessage(chat, rowID, "hello").ok());
  }
  fs::path install(const std::string& name, const std::string& devicePath) {
    fs::path target = ns::hostPath(devicePath).value();
    fs::create_directories(target.parent_path());
    fs::copy_file(storeData(name), target, fs::copy_options::overwrite_existing);
    return target;
  }
  static std::size_t rows(sb6::List list, const char* section) {
    return static_cast<std::size_t>(sb6::rowCount(list, section));
  }
};

// ---- The free swipe on both lists ---------------------------------------------------

TEST_F(Noctil6Swipe, ALockScreenSwipeRightDeletesFromBothListsWithTheRightAnimation) {
  freeSwipe();
  addMessage("+15551234", 7);
  addMessage("+15551234", 8);
  launchAndLock();
  ASSERT_TRUE(sb6::setBadge(kMessages, 2).ok());
  postFull(kMessages, "Are you coming?", "7", "sms:/open?address=%2B15551234");
  ASSERT_EQ(rows(sb6::List::LockScreen, kMessages), 1u);
  swipe(sb6::List::LockScreen, kMessages, 0, 150, {{160, 0.05}, {240, 0.1}, {300, 0.1}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kMessages), 0u);
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kMessages), 0u);
  EXPECT_EQ(badgeOf(kMessages), 1);
  EXPECT_TRUE(isRead(7));
  EXPECT_FALSE(isRead(8));
  EXPECT_EQ(deletions(), std::vector<std::string>{"lock rows 1"});
  EXPECT_EQ(noctil6::deleteRowAnimation(), noctil6::kRowAnimationRight);  // kept for the next deletion
}

TEST_F(Noctil6Swipe, ANotificationCenterSwipeLeftDeletesWithTheLeftAnimationAndLeavesTheLockListAlone) {
  freeSwipe();
  launch();
  postFull(kPhone, "Missed call", "1");
  postFull(kPhone, "Missed call again", "2");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id cell = cellOf(sb6::List::NotificationCenter, kPhone, 1);
  objc::Ref keep = objc::Ref::retain(cell);
  {
    const CGFloat y = rowMiddle(sb6::List::NotificationCenter, kPhone, 1);
    auto finger = uikit::sim::Finger::down(referenceView(sb6::List::NotificationCenter), CGPointMake(280, y));
    ASSERT_TRUE(finger.ok());
    ASSERT_TRUE(finger->moveTo(CGPointMake(270, y), 0.05).ok());
    ASSERT_TRUE(finger->moveTo(CGPointMake(200, y), 0.1).ok());
    ASSERT_TRUE(finger->moveTo(CGPointMake(120, y), 0.1).ok());
    // While the finger is down the cell follows it: 150 points left of where it began.
    EXPECT_EQ(send<CGRect>(cell, sel<"frame">()).origin.x, -150);
    ASSERT_TRUE(finger->up().ok());
  }
  uikit::sim::letTimePass(1);
  EXPECT_EQ(deletions(), std::vector<std::string>{"rows 2"});
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kPhone, 0).message, "Missed call again");
  EXPECT_EQ(noctil6::deleteRowAnimation(), noctil6::kNoRowAnimation);
  // To the right, the last row takes its section with it, sliding right.
  swipe(sb6::List::NotificationCenter, kPhone, 0, 150, {{160, 0.05}, {240, 0.1}, {300, 0.1}});
  EXPECT_EQ(deletions(), (std::vector<std::string>{"rows 2", "sections 1"}));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 0u);
}

TEST_F(Noctil6Swipe, MissingArgumentsAndNotificationsThatAreNotFoundDeleteNothing) {
  freeSwipe();
  launchAndLock();
  postFull(kPhone, "one", "1");
  postFull(kPhone, "two", "2");
  noctil6::handleCellPan(nil, nil);
  noctil6::handleCellPan(cellOf(sb6::List::LockScreen, kPhone, 0), nil);
  noctil6::deleteSwipedNotification(nil, noctil6::kRowAnimationLeft);
  noctil6::deleteConfirmedNotification(nil);
  noctil6::updateBadge(nil, NO);
  noctil6::updateBadge(nil, YES);
  noctil6::markNotificationRead(nil);
  EXPECT_EQ(noctil6::chatIdentifierOf(nil), nil);
  // A lock-screen cell whose notification ID matches no list item slides back.
  id cell = cellOf(sb6::List::LockScreen, kPhone, 0);
  send<void>(send<id>(cell, sel<"actionContext">()), sel<"setBulletinID:">(), ns::str("gone"));
  uikit::clearAnimationLog();
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {300, 0.1}});
  ASSERT_FALSE(uikit::animationLog().empty());
  EXPECT_DOUBLE_EQ(uikit::animationLog().back().duration, noctil6::kSwipeReturnSeconds);
  EXPECT_EQ(send<CGRect>(cell, sel<"frame">()).origin.x, 0);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
  // In Notification Center, rows that are not there.
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id table = tableOf(sb6::List::NotificationCenter);
  id nowhere = send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), NSInteger{7}, NSInteger{9});
  EXPECT_EQ(send<int>(listController(), sel<"tableView:canEditRowAtIndexPath:">(), table, nowhere), 0);
  EXPECT_EQ(send<int>(listController(), sel<"tableView:canEditRowAtIndexPath:">(), table, id{nil}), 0);
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(), table, 1, nowhere);
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(), table, 1, id{nil});
  send<void>(listController(), sel<"_clearSection:">(), id{nil});
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 2u);
  EXPECT_TRUE(deletions().empty());
}

TEST_F(Noctil6Swipe, TheBordersOfDistanceAndSpeed) {
  freeSwipe();
  launchAndLock();
  for (int i = 0; i < 4; ++i) postFull(kPhone, "call " + std::to_string(i), std::to_string(i + 1));
  // Exactly 100 points, slowly: the cell slides back in 0.15 s.
  uikit::clearAnimationLog();
  slowSwipe(sb6::List::LockScreen, kPhone, 0, 150, 100);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 4u);
  ASSERT_FALSE(uikit::animationLog().empty());
  EXPECT_DOUBLE_EQ(uikit::animationLog().back().duration, noctil6::kSwipeReturnSeconds);
  EXPECT_EQ(send<CGRect>(cellOf(sb6::List::LockScreen, kPhone, 0), sel<"frame">()).origin.x, 0);
  slowSwipe(sb6::List::LockScreen, kPhone, 0, 260, -100);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 4u);
  // 100.5 points deletes, either way.
  slowSwipe(sb6::List::LockScreen, kPhone, 0, 150, 100.5);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 3u);
  slowSwipe(sb6::List::LockScreen, kPhone, 0, 260, -100.5);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
  EXPECT_EQ(deletions(), (std::vector<std::string>{"lock rows 1", "lock rows 2"}));
  // A short flick faster than 300 points a second deletes; the same 40 points slowly
  // do not.
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {190, 0.2}, {200, 0.2}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {175, 0.05}, {200, 0.1}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {170, 0.05}, {200, 0.05}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 1u);
}

TEST_F(Noctil6Swipe, ASwipeBeginningLeftOfOneHundredPointsIsCancelledAndTheCellStays) {
  freeSwipe();
  launchAndLock();
  postFull(kPhone, "Missed call", "1");
  id cell = cellOf(sb6::List::LockScreen, kPhone, 0);
  objc::Ref keep = objc::Ref::retain(cell);
  uikit::clearAnimationLog();
  swipe(sb6::List::LockScreen, kPhone, 0, 80, {{95, 0.05}, {200, 0.1}, {300, 0.1}}, false);
  EXPECT_EQ(send<CGRect>(cell, sel<"frame">()).origin.x, 0);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 1u);
  EXPECT_TRUE(deletions().empty());
}

TEST_F(Noctil6Swipe, AMostlyVerticalDragNeverBegins) {
  freeSwipe();
  launch();
  postFull(kPhone, "Missed call", "1");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id cell = cellOf(sb6::List::NotificationCenter, kPhone, 0);
  objc::Ref keep = objc::Ref::retain(cell);
  const CGFloat y = rowMiddle(sb6::List::NotificationCenter, kPhone, 0);
  {
    auto finger = uikit::sim::Finger::down(referenceView(sb6::List::NotificationCenter), CGPointMake(150, y));
    ASSERT_TRUE(finger.ok());
    ASSERT_TRUE(finger->moveTo(CGPointMake(160, y + 10), 0.05).ok());  // |tx| = |ty|: no swipe
    ASSERT_TRUE(finger->moveTo(CGPointMake(300, y + 30), 0.05).ok());
    ASSERT_TRUE(finger->up().ok());
  }
  uikit::sim::letTimePass(1);
  EXPECT_EQ(send<CGRect>(cell, sel<"frame">()).origin.x, 0);
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 1u);
}

TEST_F(Noctil6Swipe, ANotificationThatMayNotBeClearedCannotBeSwipedOrEdited) {
  freeSwipe();
  launch();
  postFull(kPhone, "Ongoing call", "1", "", false);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  swipe(sb6::List::NotificationCenter, kPhone, 0, 280, {{270, 0.05}, {100, 0.1}});
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 1u);
  writeOptionsFrom({});  // confirm mode
  EXPECT_EQ(send<int>(listController(), sel<"tableView:canEditRowAtIndexPath:">(), tableOf(sb6::List::NotificationCenter),
                      pathOf(sb6::List::NotificationCenter, kPhone, 0)),
            0);
}

// ---- Confirm mode -------------------------------------------------------------------

TEST_F(Noctil6Swipe, WithAConfirmationTheTablesDeleteUsesTheMiddleAnimation) {
  launch();  // the options of a fresh install: a confirmation is asked for
  postFull(kPhone, "first", "1");
  postFull(kPhone, "second", "2");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id table = tableOf(sb6::List::NotificationCenter);
  EXPECT_EQ(send<int>(listController(), sel<"tableView:canEditRowAtIndexPath:">(), table,
                      pathOf(sb6::List::NotificationCenter, kPhone, 0)),
            1);
  // The cells have no pan of their own: the table's swipe shows Delete.
  id cell = cellOf(sb6::List::NotificationCenter, kPhone, 0);
  EXPECT_EQ(send<NSUInteger>(send<id>(cell, sel<"gestureRecognizers">()), sel<"count">()), 0u);
  ASSERT_TRUE(sb6::swipeRow(sb6::List::NotificationCenter, kPhone, 0, -120, 0.2, std::nullopt).ok());
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 2u);
  ASSERT_NE(uikit::tableDeleteConfirmationButton(table), nil);
  ASSERT_TRUE(sb6::confirmDelete().ok());
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 1u);
  EXPECT_EQ(deletions(), std::vector<std::string>{"rows 6"});
  EXPECT_EQ(noctil6::deleteRowAnimation(), noctil6::kNoRowAnimation);
  // Off, nothing is editable and a commit changes nothing.
  freeSwipe();
  EXPECT_EQ(send<int>(listController(), sel<"tableView:canEditRowAtIndexPath:">(), table,
                      pathOf(sb6::List::NotificationCenter, kPhone, 0)),
            0);
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(), table, 1,
             pathOf(sb6::List::NotificationCenter, kPhone, 0));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 1u);
}

TEST_F(Noctil6Swipe, WithAConfirmationLockScreenCellsStillDeleteOnAFreeSwipe) {
  launchAndLock();
  postFull(kPhone, "Missed call", "1");
  swipe(sb6::List::LockScreen, kPhone, 0, 260, {{250, 0.05}, {100, 0.1}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 0u);
  EXPECT_EQ(deletions().front(), "lock rows 2");
}

// ---- Side effects -------------------------------------------------------------------

TEST_F(Noctil6Swipe, TheLockScreenListLosesTheNotificationOnlyInTheLockContext) {
  launchAndLock();
  postFull(kPhone, "one", "1");
  postFull(kPhone, "two", "2");
  postFull(kPhone, "three", "3");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::isNotificationCenterShown());
  // Locked: a confirmed delete in Notification Center leaves both lists.
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(),
             tableOf(sb6::List::NotificationCenter), 1, pathOf(sb6::List::NotificationCenter, kPhone, 0));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 2u);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
  // The lock screen's table spends the middle animation; Notification Center's row goes
  // the host's own way.
  EXPECT_EQ(deletions(), (std::vector<std::string>{"lock rows 6", "rows 0"}));
  // With the camera active the lock screen's list is left alone.
  ASSERT_TRUE(sb6::setCameraActive(true).ok());
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(),
             tableOf(sb6::List::NotificationCenter), 1, pathOf(sb6::List::NotificationCenter, kPhone, 0));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kPhone), 1u);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 2u);
}

TEST_F(Noctil6Swipe, BadgesGoDownByOneAndOnlyWithTheOption) {
  freeSwipe();
  sb6::installApplication(kChat, "Chat");
  launchAndLock();
  ASSERT_TRUE(sb6::setBadge(kPhone, 5).ok());
  ASSERT_TRUE(sb6::setBadge(kChat, 1).ok());
  postFull(kPhone, "call", "1");
  postFull(kChat, "hi", "1");
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {300, 0.1}});
  EXPECT_EQ(badgeOf(kPhone), 4);
  swipe(sb6::List::LockScreen, kChat, 0, 150, {{160, 0.05}, {300, 0.1}});
  EXPECT_EQ(badgeOf(kChat), std::nullopt);  // 1 → none, never "0"
  freeSwipe({{"SDRemoveBadge", boolean(NO)}});
  postFull(kPhone, "call", "2");
  swipe(sb6::List::LockScreen, kPhone, 0, 150, {{160, 0.05}, {300, 0.1}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 0u);
  EXPECT_EQ(badgeOf(kPhone), 4);
}

TEST_F(Noctil6Swipe, TheMailArchiveAndPushStoresLoseTheDeletedEntryAndKeepEverythingElse) {
  fs::path mail = install("Bulletins", noctil::kMailArchivePath);
  fs::path chat = install("com.example.chat.pushstore", std::string(kPushStores) + kChat + ".pushstore");
  fs::path phone = install("com.example.chat.pushstore", std::string(kPushStores) + kPhone + ".pushstore");
  fs::path messages = install("com.example.chat.pushstore", std::string(kPushStores) + kMessages + ".pushstore");
  sb6::installApplication(kChat, "Chat");
  launch();
  postFull(kMail, "Lunch?", "mail-2");
  postFull(kChat, "Dinner at 8?", "1");
  postFull(kChat, "Never stored", "2");
  postFull(kPhone, "Dinner at 8?", "1");
  postFull(kMessages, "Dinner at 8?", "1", "sms:/open?address=%2B15550000");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  auto confirmDelete = [&](const char* section, NSInteger row) {
    send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(),
               tableOf(sb6::List::NotificationCenter), 1, pathOf(sb6::List::NotificationCenter, section, row));
  };
  confirmDelete(kMail, 0);
  EXPECT_EQ(archiveContent(mail), archiveContent(storeData("Bulletins.without-mail-2")));
  // A store without the message is written back with the same content.
  const auto before = inode(chat);
  confirmDelete(kChat, 0);  // "Never stored", the newest
  EXPECT_EQ(archiveContent(chat), archiveContent(storeData("com.example.chat.pushstore")));
  EXPECT_NE(inode(chat), before);  // written again
  confirmDelete(kChat, 0);
  EXPECT_EQ(archiveContent(chat), archiveContent(storeData("com.example.chat.pushstore.without-dinner")));
  // Phone and Messages notifications touch no store.
  confirmDelete(kPhone, 0);
  confirmDelete(kMessages, 0);
  EXPECT_EQ(bytesOf(phone), bytesOf(storeData("com.example.chat.pushstore")));
  EXPECT_EQ(bytesOf(messages), bytesOf(storeData("com.example.chat.pushstore")));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kMail) + rows(sb6::List::NotificationCenter, kChat) +
                rows(sb6::List::NotificationCenter, kPhone) + rows(sb6::List::NotificationCenter, kMessages),
            0u);
}

TEST_F(Noctil6Swipe, TheMessageIsFoundByAddressOrGroupChatWithPercentEscapesDecoded) {
  addMessage("+15551234", 7);
  addMessage("chat123456", 8);
  addMessage("chat123456", 9);
  addMessage("+15559999", 10);
  addMessage("+15559999", 11);
  launch();
  postFull(kMessages, "a", "7", "sms:/open?address=%2B15551234");
  postFull(kMessages, "b", "9", "sms:/open?groupid=chat123456");
  postFull(kMessages, "c", "10", "sms:/open");  // no "=": no chat identifier
  postFull(kMessages, "d", "11", "sms:/open?address=%2B15559999");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  writeOptionsFrom({});
  for (int i = 0; i < 3; ++i) {
    send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(),
               tableOf(sb6::List::NotificationCenter), 1, pathOf(sb6::List::NotificationCenter, kMessages, 1));
  }
  EXPECT_TRUE(isRead(7));
  EXPECT_FALSE(isRead(8));
  EXPECT_TRUE(isRead(9));
  EXPECT_FALSE(isRead(10));
  // With the option off the last one stays unread.
  writeOptionsFrom({{"SDMarkSMSAsRead", boolean(NO)}});
  send<void>(listController(), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(),
             tableOf(sb6::List::NotificationCenter), 1, pathOf(sb6::List::NotificationCenter, kMessages, 0));
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kMessages), 0u);
  EXPECT_FALSE(isRead(11));
}

// ---- Below iOS 6 --------------------------------------------------------------------

TEST_F(Noctil6Swipe, BelowIOS6ALaidOverViewHostsTheSwipeOfALockScreenCell) {
  freeSwipe();
  addMessage("+15551234", 7);
  launchAndLock();
  uikit::setSystemVersion("5.1");
  postFull(kMessages, "Are you coming?", "7", "sms:/open?address=%2B15551234");
  id cell = cellOf(sb6::List::LockScreen, kMessages, 0);
  id host = nil;
  for (id view : ns::elements(send<id>(cell, sel<"subviews">())))
    if (std::string(objc::className(view)) == "BBAwayCellPanGestureView") host = view;
  ASSERT_NE(host, nil);
  EXPECT_EQ(send<NSUInteger>(send<id>(host, sel<"gestureRecognizers">()), sel<"count">()), 1u);
  EXPECT_EQ(send<NSUInteger>(host, sel<"autoresizingMask">()), 2u);
  // Kept as tall as the cell.
  CGRect frame = send<CGRect>(cell, sel<"frame">());
  frame.size.height += 30;
  send<void>(cell, sel<"setFrame:">(), frame);
  send<void>(cell, sel<"layoutSubviews">());
  EXPECT_EQ(send<CGRect>(host, sel<"frame">()).size.height, frame.size.height);
  swipe(sb6::List::LockScreen, kMessages, 0, 150, {{160, 0.05}, {300, 0.1}});
  EXPECT_EQ(rows(sb6::List::LockScreen, kMessages), 0u);
  EXPECT_FALSE(isRead(7));  // ChatKit's read state needs iOS 6
}

// ---- Clear section ----------------------------------------------------------------

TEST_F(Noctil6Swipe, ClearingASectionOnTheLockScreenMarksItsMessagesReadAndClearsBothLists) {
  addMessage("+15551234", 7);
  addMessage("+15551234", 8);
  launchAndLock();
  ASSERT_TRUE(sb6::setBadge(kMessages, 6).ok());
  postFull(kMessages, "a", "7", "sms:/open?address=%2B15551234");
  postFull(kMessages, "b", "8", "sms:/open?address=%2B15551234");
  postFull(kMessages, "kept", "9", "sms:/open?address=%2B15551234", false);
  postFull(kPhone, "call", "1");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  deletions().clear();
  // The header's clear button; the lock screen's list is checked before the bulletin
  // server's own removals arrive through the run loop.
  send<void>(listController(), sel<"_clearSection:">(), ns::str(kMessages));
  std::vector<std::string> lockList;
  for (id item : ns::elements(send<id>(noctil6::lockScreenListController(), sel<"listItems">())))
    lockList.push_back(ns::utf8(send<id>(send<id>(item, sel<"activeBulletin">()), sel<"message">())));
  EXPECT_EQ(lockList, (std::vector<std::string>{"call", "kept"}));  // one that may not be cleared stays
  EXPECT_TRUE(isRead(7));
  EXPECT_TRUE(isRead(8));
  EXPECT_EQ(badgeOf(kMessages), std::nullopt);
  EXPECT_EQ(deletions(), (std::vector<std::string>{"rows 6", "lock rows 100", "lock rows 100"}));
  EXPECT_EQ(noctil6::deleteRowAnimation(), noctil6::kNoRowAnimation);
  uikit::sim::letTimePass(1);
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kMessages), 1u);
  EXPECT_EQ(rows(sb6::List::LockScreen, kMessages), 1u);
  EXPECT_EQ(rows(sb6::List::LockScreen, kPhone), 1u);
}

TEST_F(Noctil6Swipe, ClearingWithTheOptionsOffOrUnlockedLeavesTheBadgeTheReadStateAndTheLockList) {
  addMessage("+15551234", 7);
  writeOptionsFrom({{"CSRemoveBadge", boolean(NO)}, {"CSMarkSMSAsRead", boolean(NO)}});
  launch();
  ASSERT_TRUE(sb6::setBadge(kMessages, 3).ok());
  postFull(kMessages, "a", "7", "sms:/open?address=%2B15551234");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::clearSection(kMessages).ok());
  EXPECT_EQ(rows(sb6::List::NotificationCenter, kMessages), 0u);
  EXPECT_FALSE(isRead(7));
  EXPECT_EQ(badgeOf(kMessages), 3);
}

// ---- iPad ---------------------------------------------------------------------------

TEST_F(Noctil6Swipe, OnAnIPadTheListsPanDoesNotBeginOverTheTableAndRunsWithItsSwipe) {
  launch(iPad());
  postFull(kPhone, "call", "1");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id listView = send<id>(listController(), sel<"listView">());
  id table = send<id>(listView, sel<"tableView">());
  id pan = objc::objectIvar(listController(), "_panGestureRecognizer");
  ASSERT_NE(pan, nil);
  // A vertical drag over the table: the list's pan is cancelled as it begins, so the
  // list stays down.
  CGRect tableFrame = send<CGRect>(table, sel<"frame">());
  {
    auto finger = uikit::sim::Finger::down(listView, CGPointMake(200, tableFrame.origin.y + 100));
    ASSERT_TRUE(finger.ok());
    ASSERT_TRUE(finger->moveBy(0, -40, 0.05).ok());
    EXPECT_EQ(send<NSInteger>(pan, sel<"state">()), UIGestureRecognizerStateCancelled);
    ASSERT_TRUE(finger->moveBy(0, -300, 0.05).ok());
    ASSERT_TRUE(finger->up().ok());
  }
  uikit::sim::letTimePass(1);
  EXPECT_TRUE(sb6::isNotificationCenterShown());
  // The table's swipe and the list's pan may run together (confirm mode, the default).
  id swipe = uikit::tableSwipeToDeleteRecognizer(table);
  ASSERT_NE(swipe, nil);
  SEL together = sel<"gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:">();
  EXPECT_TRUE(send<BOOL>(listController(), together, pan, swipe));
  EXPECT_FALSE(send<BOOL>(listController(), together, swipe, pan));
  freeSwipe();
  EXPECT_FALSE(send<BOOL>(listController(), together, pan, swipe));
}

}  // namespace
}  // namespace noctil6_tests
