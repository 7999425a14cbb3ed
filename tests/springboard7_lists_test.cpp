// The iOS 7 home screen's Notification Center lists, as a tweak relies on them:
// one section per app in _orderedSections order, rows newest first, list items and
// list sections that find a row's notification, insertions and section removal
// reached by message send, removal through the mode's observer, the Missed mode's
// single section, and the table handing out cells only for rows on screen.
#include <springboard7/HostControl.h>

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <uikit/ScreenDump.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objc::sel;
using objc::send;

namespace {

std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

// Recording stand-ins put in place of host methods the way a tweak does, calling the
// host's own implementation.
IMP gInsertBulletin = nullptr;
IMP gRemoveSection = nullptr;
std::vector<std::string> gRowsSeenAfterRemoveSection;

void recordingInsertBulletin(id self, SEL cmd, id bulletin, NSUInteger index, id section) {
  calls().push_back("insert " + ns::utf8(send<id>(bulletin, sel<"message">())) + " at " + std::to_string(index) +
                    " in " + ns::utf8(send<id>(section, sel<"identifier">())));
  objc::callImp<void>(gInsertBulletin, self, cmd, bulletin, index, section);
}

id recordingRemoveSection(id self, SEL cmd, id section) {
  calls().push_back("remove section " + ns::utf8(send<id>(section, sel<"identifier">())));
  id result = objc::callImp<id>(gRemoveSection, self, cmd, section);
  // What a tweak finds right after the host's removal: the rows still have cells.
  id table = send<id>(self, sel<"tableView">());
  NSInteger sections = send<NSInteger>(table, sel<"numberOfSections">());
  for (NSInteger s = 0; s < sections; ++s) {
    NSInteger rows = send<NSInteger>(table, sel<"numberOfRowsInSection:">(), s);
    for (NSInteger r = 0; r < rows; ++r) {
      id path = send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), r, s);
      id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), path);
      if (cell) gRowsSeenAfterRemoveSection.push_back(ns::utf8(send<id>(send<id>(cell, sel<"bulletin">()), sel<"message">())));
    }
  }
  return result;
}

void replaceOnce(const char* cls, const char* selector, IMP replacement, IMP& previous) {
  if (previous) return;
  Method m = class_getInstanceMethod(objc::classNamed(cls), sel_registerName(selector));
  ASSERT_NE(m, nullptr) << cls << " " << selector;
  previous = method_setImplementation(m, replacement);
}

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    sb7::registerClasses();
    replaceOnce("SBBulletinViewController", "_insertBulletin:atIndex:inSection:", objc::toImp(&recordingInsertBulletin),
                gInsertBulletin);
    replaceOnce("SBBulletinViewController", "_removeSection:", objc::toImp(&recordingRemoveSection), gRemoveSection);
    calls().clear();
    gRowsSeenAfterRemoveSection.clear();
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
    ns::advanceClock(1.0).ok();  // later notifications are newer
    return id.ok() ? id.value() : std::string();
  }

  id allMode() {
    id nc = send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">());
    return objc::objectIvar(send<id>(nc, sel<"viewController">()), "_allModeViewController");
  }
  id allList() { return send<id>(allMode(), sel<"bulletinViewController">()); }
  std::string message(const sb7::RowInfo& r) { return r.message; }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

TEST_F(ListsTest, OneSectionPerAppInOrderedSectionsOrderWithRowsNewestFirst) {
  post("com.apple.MobileSMS", "first text");
  post("com.apple.mobilemail", "a mail");
  post("com.apple.MobileSMS", "second text");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());

  // A new app's section goes on top; a later notification keeps its section's place.
  EXPECT_EQ(sb7::sections(sb7::List::NotificationCenter),
            (std::vector<std::string>{"com.apple.mobilemail", "com.apple.MobileSMS"}));
  id list = allList();
  id table = send<id>(list, sel<"tableView">());
  id ordered = objc::objectIvar(list, "_orderedSections");
  ASSERT_EQ(send<NSInteger>(table, sel<"numberOfSections">()), 2);
  for (NSUInteger i = 0; i < 2; ++i) {
    id info = send<id>(ordered, sel<"objectAtIndex:">(), i);
    std::string identifier = ns::utf8(send<id>(info, sel<"identifier">()));
    // Table section i shows entry i: its rows are that section's, and so is its header.
    NSInteger rows = send<NSInteger>(table, sel<"numberOfRowsInSection:">(), static_cast<NSInteger>(i));
    EXPECT_EQ(rows, identifier == "com.apple.MobileSMS" ? 2 : 1);
    id header = send<id>(list, sel<"tableView:viewForHeaderInSection:">(), table, static_cast<NSInteger>(i));
    EXPECT_EQ(ns::utf8(send<id>(objc::objectIvar(header, "_titleLabel"), sel<"text">())),
              identifier == "com.apple.MobileSMS" ? "Messages" : "Mail");
    EXPECT_NE(objc::objectIvar(header, "_backdrop"), nil);
    // The represented list section answers the row's notification.
    id first = send<id>(send<id>(info, sel<"representedListSection">()), sel<"bulletinAtIndex:">(), NSUInteger{0});
    EXPECT_EQ(ns::utf8(send<id>(first, sel<"message">())), identifier == "com.apple.MobileSMS" ? "second text" : "a mail");
    // … and so does the list item of _sectionIDsToBulletins.
    id items = send<id>(objc::objectIvar(list, "_sectionIDsToBulletins"), sel<"objectForKey:">(),
                        send<id>(info, sel<"identifier">()));
    EXPECT_EQ(send<id>(send<id>(items, sel<"objectAtIndex:">(), NSUInteger{0}), sel<"representedBulletin">()), first);
  }
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).message, "second text");
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 1).message, "first text");
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 2).state, sb7::RowState::Absent);
  EXPECT_EQ(sb7::headerTitle("com.apple.MobileSMS"), "Messages");
  EXPECT_EQ(sb7::headerTitle("com.apple.mobilemail"), "Mail");
}

TEST_F(ListsTest, HeadersCarryDisplayNamesOrTheSectionID) {
  post("com.apple.mobilephone", "missed call");
  post("com.example.unknown", "hello");
  sb7::installApplication("com.example.named", "Named App");
  post("com.example.named", "hi");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  EXPECT_EQ(sb7::headerTitle("com.apple.mobilephone"), "Phone");
  EXPECT_EQ(sb7::headerTitle("com.example.unknown"), "com.example.unknown");
  EXPECT_EQ(sb7::headerTitle("com.example.named"), "Named App");
}

TEST_F(ListsTest, ArrivalsReachInsertBulletinBySendInEveryList) {
  post("com.apple.MobileSMS", "one");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post("com.apple.MobileSMS", "two");
  // Once for the All list and once for the Missed list (Today shows no texts).
  EXPECT_EQ(calls(), (std::vector<std::string>{
                         "insert one at 0 in com.apple.MobileSMS",
                         "insert one at 0 in SBNotificationsMissedModeSectionInfo",
                         "insert two at 0 in com.apple.MobileSMS",
                         "insert two at 0 in SBNotificationsMissedModeSectionInfo",
                     }));
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).state, sb7::RowState::Visible);
}

TEST_F(ListsTest, TheClearButtonReachesRemoveSectionAndTheRowsGoWhenTheServerAnswers) {
  post("com.apple.MobileSMS", "one");
  post("com.apple.MobileSMS", "two");
  post("com.apple.mobilemail", "mail");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  auto cleared = sb7::clearSection("com.apple.MobileSMS");
  ASSERT_TRUE(cleared.ok()) << cleared.error().message;
  EXPECT_EQ(calls().back(), "remove section com.apple.MobileSMS");
  // Right after the host's own _removeSection: the section's cells were still there.
  EXPECT_EQ(gRowsSeenAfterRemoveSection, (std::vector<std::string>{"mail", "two", "one"}));
  EXPECT_EQ(sb7::sections(sb7::List::NotificationCenter), (std::vector<std::string>{"com.apple.mobilemail"}));
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).state, sb7::RowState::Absent);
  // The server no longer has them: a new text starts a fresh section on top.
  post("com.apple.MobileSMS", "three");
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, "com.apple.MobileSMS"), 1);
  EXPECT_EQ(sb7::sections(sb7::List::NotificationCenter).front(), "com.apple.MobileSMS");
}

TEST_F(ListsTest, ObserverRemoveBulletinTakesTheNotificationOutOfTheModesLists) {
  post("com.apple.MobileSMS", "one");
  post("com.apple.MobileSMS", "two");
  post("com.apple.mobilemail", "mail");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  id mode = allMode();
  id observer = objc::objectIvar(mode, "_observer");
  ASSERT_NE(observer, nil);
  id list = allList();
  id info = send<id>(list, sel<"sectionWithIdentifier:">(), ns::str("com.apple.MobileSMS"));
  id two = send<id>(send<id>(info, sel<"representedListSection">()), sel<"bulletinAtIndex:">(), NSUInteger{0});
  send<void>(mode, sel<"observer:removeBulletin:">(), observer, two);
  sb7::settle();
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, "com.apple.MobileSMS"), 1);
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).message, "one");

  // Removing a section's last notification removes the section (without _removeSection:).
  id mail = send<id>(send<id>(send<id>(list, sel<"sectionWithIdentifier:">(), ns::str("com.apple.mobilemail")),
                              sel<"representedListSection">()),
                     sel<"bulletinAtIndex:">(), NSUInteger{0});
  send<void>(mode, sel<"observer:removeBulletin:">(), observer, mail);
  sb7::settle();
  EXPECT_EQ(sb7::sections(sb7::List::NotificationCenter), (std::vector<std::string>{"com.apple.MobileSMS"}));
  for (const auto& c : calls()) EXPECT_EQ(c.find("remove section"), std::string::npos) << c;
  // The Missed list still shows what only the All list lost.
  ASSERT_TRUE(sb7::selectMode(sb7::Mode::Missed).ok());
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, "SBNotificationsMissedModeSectionInfo"), 3);
}

TEST_F(ListsTest, TheMissedModeHasOneSectionWithListItems) {
  post("com.apple.MobileSMS", "text");
  post("com.apple.mobilemail", "mail");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_TRUE(sb7::selectMode(sb7::Mode::Missed).ok());
  auto shown = sb7::sections(sb7::List::NotificationCenter);
  ASSERT_EQ(shown, (std::vector<std::string>{"SBNotificationsMissedModeSectionInfo"}));
  id nc = send<id>(objc::classNamed("SBNotificationCenterController"), sel<"sharedInstance">());
  id modes = objc::objectIvar(send<id>(nc, sel<"viewController">()), "_modeController");
  id missed = send<id>(send<id>(modes, sel<"selectedViewController">()), sel<"bulletinViewController">());
  id info = send<id>(objc::objectIvar(missed, "_orderedSections"), sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_TRUE(send<BOOL>(info, sel<"isKindOfClass:">(), objc::classNamed("SBNotificationsMissedModeSectionInfo")));
  id items = send<id>(objc::objectIvar(missed, "_sectionIDsToBulletins"), sel<"objectForKey:">(),
                      ns::str("SBNotificationsMissedModeSectionInfo"));
  ASSERT_EQ(send<NSUInteger>(items, sel<"count">()), 2u);
  EXPECT_EQ(ns::utf8(send<id>(send<id>(send<id>(items, sel<"objectAtIndex:">(), NSUInteger{0}),
                                       sel<"representedBulletin">()),
                              sel<"message">())),
            "mail");
  // Notifications older than a day are not missed.
  ns::advanceClock(2 * 86400.0).ok();
  post("com.apple.MobileSMS", "new");
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, "SBNotificationsMissedModeSectionInfo"), 3);
  ASSERT_TRUE(sb7::selectMode(sb7::Mode::Today).ok());
  EXPECT_TRUE(sb7::sections(sb7::List::NotificationCenter).empty());
}

TEST_F(ListsTest, TheTableHandsOutCellsOnlyForRowsOnScreen) {
  for (int i = 0; i < 20; ++i) post("com.apple.MobileSMS", "text " + std::to_string(i));
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  id table = send<id>(allList(), sel<"tableView">());
  auto cellAt = [&](NSInteger row) {
    id path = send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, NSInteger{0});
    return send<id>(table, sel<"cellForRowAtIndexPath:">(), path);
  };
  id first = cellAt(0);
  ASSERT_NE(first, nil);
  EXPECT_EQ(objc::objectIvar(first, "_tableView"), table);
  EXPECT_EQ(send<id>(first, sel<"_tableView">()), table);
  EXPECT_EQ(cellAt(19), nil) << "the twentieth row is below the screen";
  EXPECT_EQ(sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 19).state, sb7::RowState::Visible);
  EXPECT_EQ(sb7::longPress(sb7::List::NotificationCenter, "com.apple.MobileSMS", 19).ok(), false);
}

TEST_F(ListsTest, RowHeightsFollowTheMessageAndSetTableViewNeedsReloadReloadsLater) {
  post("com.apple.MobileSMS", "short");
  post("com.apple.MobileSMS", std::string(100, 'x'));
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  CGFloat longRow = sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 0).height;
  CGFloat shortRow = sb7::row(sb7::List::NotificationCenter, "com.apple.MobileSMS", 1).height;
  EXPECT_GT(longRow, shortRow);
  EXPECT_GT(shortRow, 0);

  id list = allList();
  send<void>(list, sel<"setTableViewNeedsReload">());
  EXPECT_TRUE(objc::getIvar<BOOL>(list, "_tableViewNeedsReload").value());
  sb7::settle();
  EXPECT_FALSE(objc::getIvar<BOOL>(list, "_tableViewNeedsReload").value());
}

TEST_F(ListsTest, TheScreenShowsTheHomeScreenThenNotificationCenterOverIt) {
  sb7::setBadge("com.apple.MobileSMS", 4).ok();
  std::string home = uikit::dumpScreen();
  EXPECT_NE(home.find("SBIconView"), std::string::npos) << home;
  EXPECT_NE(home.find("text=\"Messages\""), std::string::npos) << home;
  EXPECT_NE(home.find("text=\"4\""), std::string::npos) << home;
  EXPECT_EQ(home.find("SBNotificationsBulletinCell"), std::string::npos) << home;

  post("com.apple.MobileSMS", "see you at eight");
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  std::string shown = uikit::dumpScreen();
  EXPECT_NE(shown.find("SBNotificationsSectionHeaderView"), std::string::npos) << shown;
  EXPECT_NE(shown.find("SBNotificationsBulletinCell"), std::string::npos) << shown;
  EXPECT_NE(shown.find("text=\"see you at eight\""), std::string::npos) << shown;
  EXPECT_NE(shown.find("_UIBackdropView"), std::string::npos) << shown;
}

}  // namespace
