// Folded sections, the top shelf and the empty label of the iOS 6 tweak, inside the
// iOS 6 home screen: a header tap folds a section (rows kept at zero height with
// transparent content, the title with its count, saved to the options file with every
// other option kept) and unfolds it; app names of several words stay whole; an arrival
// while the list is shown unfolds in memory only; the shelf's height, its initial inset
// and the reveal and hide thresholds for shelves of 40 and 150 points, hidden and
// shown; the empty label suppressed or centred across the list's width.
#include "FoldedSections.h"
#include "TopShelf.h"
#include "noctil6/Noctil6Fixture.h"

#include <foundation/NSArray.h>
#include <noctil/SectionTitles.h>
#include <uikit/UIAnimation.h>
#include <uikit/UIView.h>

#include <optional>

namespace noctil6_tests {
namespace {

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kPhone = "com.apple.mobilephone";
constexpr const char* kAppStore = "com.apple.AppStore";
constexpr const char* kWeather = "com.apple.weathernotifications.bundle";

// Every reload of table sections, with its animation.
std::vector<NSInteger>& reloads() {
  static std::vector<NSInteger> log;
  return log;
}
IMP gUIKitReloadSections = nullptr;
void logReloadSections(id self, SEL cmd, id sections, NSInteger animation) {
  reloads().push_back(animation);
  objc::callImp<void>(gUIKitReloadSections, self, cmd, sections, animation);
}

class Noctil6Sections : public Noctil6HomeScreenTest {
 protected:
  static void SetUpTestSuite() {
    Noctil6HomeScreenTest::SetUpTestSuite();
    if (gUIKitReloadSections == nullptr) {
      gUIKitReloadSections =
          method_setImplementation(class_getInstanceMethod(objc_lookUpClass("UITableView"),
                                                           sel<"reloadSections:withRowAnimation:">()),
                                   objc::toImp(&logReloadSections));
    }
  }
  void SetUp() override {
    Noctil6HomeScreenTest::SetUp();
    reloads().clear();
  }

  // The folded set as the options file holds it now; nullopt without the key.
  static std::optional<std::vector<std::string>> savedFolds() {
    objc::AutoreleasePool pool;
    id file = send<id>(classObject("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(),
                       ns::str("/var/mobile/Library/Preferences/com.trelmo.noctil.plist"));
    id list = send<id>(file, sel<"objectForKey:">(), ns::str("CollapsibleSections"));
    if (list == nil) return std::nullopt;
    std::vector<std::string> out;
    for (id s : ns::elements(list)) out.push_back(ns::utf8(s));
    return out;
  }
  static id savedOption(const char* key) {
    id file = send<id>(classObject("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(),
                       ns::str("/var/mobile/Library/Preferences/com.trelmo.noctil.plist"));
    return send<id>(file, sel<"objectForKey:">(), ns::str(key));
  }
  static id table() { return send<id>(send<id>(listController(), sel<"listView">()), sel<"tableView">()); }
  static NSInteger sectionIndex(const char* section) {
    id visible = objc::objectIvar(listController(), "_visibleSectionIDs");
    return static_cast<NSInteger>(send<NSUInteger>(visible, sel<"indexOfObject:">(), ns::str(section)));
  }
  static id header(const char* section) { return send<id>(table(), sel<"headerViewForSection:">(), sectionIndex(section)); }
  static CGFloat labelWidth(const char* section) {
    return send<CGRect>(objc::objectIvar(header(section), "_sectionLabel"), sel<"frame">()).size.width;
  }
  static CGFloat contentAlpha(const char* section, NSInteger row) {
    id path = send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, sectionIndex(section));
    id cell = send<id>(table(), sel<"cellForRowAtIndexPath:">(), path);
    return send<CGFloat>(send<id>(cell, sel<"contentView">()), sel<"alpha">());
  }
  static std::string title(const char* section) { return sb6::headerTitle(section).value_or("(none)"); }
  static void postMany(const char* section, int count) {
    for (int i = 0; i < count; ++i) {
      sb6::Notification n;
      n.sectionID = section;
      n.message = "message " + std::to_string(i);
      ASSERT_TRUE(sb6::post(n).ok());
    }
  }
};

// ---- Folded sections --------------------------------------------------------------

TEST_F(Noctil6Sections, AFoldKeepsTheRowsAtZeroHeightWithTheCountInTheTitleAndIsSaved) {
  setOptions({{"Collapsible", boolean(YES)}, {"BlurValue", number(12)}});
  launch();
  postMany(kMessages, 3);
  postMany(kPhone, 1);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  const CGFloat unfoldedWidth = labelWidth(kMessages);
  ASSERT_TRUE(sb6::tapHeader(kMessages).ok());
  for (NSInteger row = 0; row < 3; ++row) {
    sb6::RowInfo info = sb6::row(sb6::List::NotificationCenter, kMessages, row);
    EXPECT_EQ(info.state, sb6::RowState::Hidden) << row;
    EXPECT_EQ(info.height, 0) << row;
  }
  EXPECT_EQ(contentAlpha(kMessages, 0), 0);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kPhone, 0).state, sb6::RowState::Visible);
  EXPECT_EQ(title(kMessages), "Messages (3)");
  EXPECT_EQ(title(kPhone), "Phone");
  EXPECT_EQ(labelWidth(kMessages), unfoldedWidth + noctil6::kFoldedTitleWidening);
  EXPECT_EQ(reloads(), std::vector<NSInteger>{100});
  EXPECT_EQ(savedFolds(), std::vector<std::string>{kMessages});
  EXPECT_EQ(send<float>(savedOption("BlurValue"), sel<"floatValue">()), 12.0f);
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kMessages), 3);

  // A second tap unfolds: the rows come back at their height, the reused cells shown.
  ASSERT_TRUE(sb6::tapHeader(kMessages).ok());
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMessages, 0).state, sb6::RowState::Visible);
  EXPECT_GT(sb6::row(sb6::List::NotificationCenter, kMessages, 0).height, 0);
  EXPECT_EQ(contentAlpha(kMessages, 0), 1);
  EXPECT_EQ(title(kMessages), "Messages");
  EXPECT_EQ(savedFolds(), std::vector<std::string>{});
  EXPECT_EQ(reloads(), (std::vector<NSInteger>{100, 100}));
}

// The header title rule: only a count a fold put there is taken off; an app's name of
// several words is kept whole ("App Store (2)", not "App (2)").
TEST_F(Noctil6Sections, AFoldedTitleKeepsTheWholeAppNameAndNeverRepeatsItsCount) {
  sb6::installApplication(kAppStore, "App Store");
  setOptions({{"Collapsible", boolean(YES)}});
  launch();
  postMany(kAppStore, 2);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapHeader(kAppStore).ok());
  EXPECT_EQ(title(kAppStore), "App Store (2)");
  // A header built again while its label still shows a count.
  id label = objc::objectIvar(header(kAppStore), "_sectionLabel");
  EXPECT_EQ(ns::utf8(noctil::titleWithCount(send<id>(label, sel<"text">()), 3)), "App Store (3)");
  EXPECT_EQ(ns::utf8(noctil::titleWithCount(ns::str("Notes (Work)"), 1)), "Notes (Work) (1)");
}

TEST_F(Noctil6Sections, AnArrivalWhileTheListIsShownUnfoldsInMemoryOnly) {
  setOptions({{"Collapsible", boolean(YES)}, {"CollapsibleSections", ns::mutableArray()}});
  launch();
  postMany(kMessages, 2);
  postMany(kPhone, 1);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapHeader(kMessages).ok());
  ASSERT_TRUE(sb6::tapHeader(kPhone).ok());
  reloads().clear();
  postMany(kMessages, 1);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMessages, 0).state, sb6::RowState::Visible);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMessages, 2).state, sb6::RowState::Visible);
  EXPECT_EQ(title(kMessages), "Messages");
  EXPECT_EQ(reloads().front(), 5);  // no animation
  EXPECT_EQ(savedFolds(), (std::vector<std::string>{kMessages, kPhone}));
  // The list hidden, an arrival leaves the fold.
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  postMany(kPhone, 1);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(title(kPhone), "Phone (2)");
  // A settings reload brings the saved folds back.
  noctil6::loadOptions();
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(title(kMessages), "Messages (3)");
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMessages, 0).height, 0);
}

TEST_F(Noctil6Sections, WithoutAnOptionsFileFoldsStayInMemoryAndWithFoldingOffTapsChangeNothing) {
  launch();
  postMany(kMessages, 2);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  noctil6::loadOptions();  // no file: an empty folded set
  ASSERT_TRUE(sb6::tapHeader(kMessages).ok());
  EXPECT_EQ(title(kMessages), "Messages (2)");
  EXPECT_FALSE(std::filesystem::exists(optionsFile()));
  reloads().clear();

  setOptions({{"Collapsible", boolean(NO)}, {"CollapsibleSections", ns::mutableArray()}});
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(title(kMessages), "Messages");
  ASSERT_TRUE(sb6::tapHeader(kMessages).ok());
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMessages, 1).state, sb6::RowState::Visible);
  EXPECT_EQ(title(kMessages), "Messages");
  EXPECT_TRUE(reloads().empty());
  EXPECT_EQ(savedFolds(), std::vector<std::string>{});  // as the test wrote it
}

// A header class of its own that only inherits touchesEnded:withEvent: from the
// list's header: a tap on it folds through the tweak's replacement, and the forwarder
// then reaches UIKit's own method exactly once, after the fold.
std::vector<std::string>& touchesEndedLog() {
  static std::vector<std::string> log;
  return log;
}
IMP gUIKitTouchesEnded = nullptr;
void logTouchesEnded(id self, SEL cmd, id touches, id event) {
  if (std::string(objc::className(self)) == "NoctilTestHeaderView") {
    const BOOL folded = noctil6::isSectionFolded(send<id>(self, sel<"sectionID">()));
    touchesEndedLog().push_back(std::string("UIKit touchesEnded, ") + (folded ? "folded" : "unfolded"));
  }
  objc::callImp<void>(gUIKitTouchesEnded, self, cmd, touches, event);
}

TEST_F(Noctil6Sections, AHeaderSubclassThatOnlyInheritsTheTapFoldsThenReachesUIKitOnce) {
  if (objc_lookUpClass("NoctilTestHeaderView") == Nil) {
    // No ivars and no methods of its own.
    objc_registerClassPair(objc_allocateClassPair(objc_lookUpClass("SBBulletinHeaderView"), "NoctilTestHeaderView", 0));
    gUIKitTouchesEnded = method_setImplementation(
        class_getInstanceMethod(objc_lookUpClass("UIView"), sel<"touchesEnded:withEvent:">()),
        objc::toImp(&logTouchesEnded));
  }
  touchesEndedLog().clear();
  setOptions({{"Collapsible", boolean(YES)}});
  launch();
  postMany(kMessages, 2);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  objc::Ref header = objc::Ref::adopt(send<id>(send<id>(classObject("NoctilTestHeaderView"), sel<"alloc">()),
                                               sel<"initWithFrame:">(), CGRectMake(0, 0, 320, 30)));
  send<void>(header, sel<"setSectionID:">(), ns::str(kMessages));
  send<void>(header, sel<"touchesEnded:withEvent:">(), id{nil}, id{nil});
  EXPECT_EQ(title(kMessages), "Messages (2)");
  send<void>(header, sel<"touchesEnded:withEvent:">(), id{nil}, id{nil});
  EXPECT_EQ(title(kMessages), "Messages");
  EXPECT_EQ(touchesEndedLog(),
            (std::vector<std::string>{"UIKit touchesEnded, folded", "UIKit touchesEnded, unfolded"}));
}

// ---- The top shelf ----------------------------------------------------------------

class Noctil6TopShelf : public Noctil6Sections {
 protected:
  // The weather widget's height, before the list is first shown.
  static void setWeatherHeight(CGFloat height) {
    for (id weeApp : ns::elements(objc::objectIvar(listController(), "_weeApps"))) {
      if (ns::utf8(send<id>(weeApp, sel<"sectionID">())) == kWeather) objc::setIvar<CGFloat>(weeApp, "_viewHeight", height);
    }
  }
  static CGFloat topInset() { return send<UIEdgeInsets>(table(), sel<"contentInset">()).top; }
  static CGFloat shelf() { return send<CGFloat>(tweak(), sel<"topShelfHeight">()); }
  // Lets go of the list at a vertical offset; the inset after the 0.2 s animation.
  static CGFloat releaseAt(CGFloat offset) {
    EXPECT_TRUE(sb6::scrollNotificationCenter(offset).ok());
    uikit::sim::letTimePass(0.3);
    return topInset();
  }
};

TEST_F(Noctil6TopShelf, TheShelfHoldsTheFirstWidgetsUpToAllOfThem) {
  launch();
  EXPECT_EQ(shelf(), 0);
  setOptions({{"TopShelfWidgets", integer(1)}});
  EXPECT_EQ(shelf(), 71 + 5);
  setOptions({{"TopShelfWidgets", integer(2)}});
  EXPECT_EQ(shelf(), 71 + 5 + 37 + 5);
  setOptions({{"TopShelfWidgets", integer(9)}});
  EXPECT_EQ(shelf(), 71 + 5 + 37 + 5);
  // It starts hidden above the top of the list.
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(topInset(), -(71 + 5 + 37 + 5));
  // None: the list is left as it is, also when let go.
  setOptions({{"TopShelfWidgets", integer(0)}});
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(topInset(), 0);
  uikit::clearAnimationLog();
  EXPECT_EQ(releaseAt(-100), 0);
  EXPECT_TRUE(uikit::animationLog().empty());
}

TEST_F(Noctil6TopShelf, AShelfOfFortyPointsShowsBelowZeroAndHidesFromForty) {
  setOptions({{"TopShelfWidgets", integer(1)}});
  launch();
  setWeatherHeight(35);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_EQ(topInset(), -40);
  // The table rests within its inset: the shelf is out of sight.
  EXPECT_EQ(send<CGPoint>(table(), sel<"contentOffset">()).y, 40);
  EXPECT_EQ(releaseAt(0), -40);
  EXPECT_EQ(releaseAt(-1), 0);  // shown
  ASSERT_FALSE(uikit::animationLog().empty());
  EXPECT_DOUBLE_EQ(uikit::animationLog().back().duration, noctil6::kTopShelfAnimationSeconds);
  EXPECT_EQ(releaseAt(39), 0);
  EXPECT_EQ(releaseAt(40), -40);  // hidden again
  EXPECT_EQ(releaseAt(39), -40);
}

TEST_F(Noctil6TopShelf, AShelfOfOneHundredFiftyPointsUsesSixtyPointThresholds) {
  setOptions({{"TopShelfWidgets", integer(1)}});
  launch();
  setWeatherHeight(145);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_EQ(topInset(), -150);
  // Hidden: shown by a release below 90.
  EXPECT_EQ(releaseAt(90), -150);
  EXPECT_EQ(releaseAt(89), 0);
  // Shown: hidden by a release at 60 or more; below it stays.
  EXPECT_EQ(releaseAt(59), 0);
  EXPECT_EQ(releaseAt(60), -150);
}

// ---- The empty label --------------------------------------------------------------

TEST_F(Noctil6Sections, TheEmptyLabelIsSuppressedOrCentredAcrossTheListWithTheUsersText) {
  setOptions({{"ShowNoNotificationsLabel", boolean(NO)}});
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id listView = send<id>(listController(), sel<"listView">());
  id label = objc::objectIvar(listView, "_noNotificationsLabel");
  EXPECT_TRUE(send<BOOL>(label, sel<"isHidden">()));

  setOptions({{"NoNotificationsText", ns::str("All quiet")}});
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  listView = send<id>(listController(), sel<"listView">());
  label = objc::objectIvar(listView, "_noNotificationsLabel");
  EXPECT_FALSE(send<BOOL>(label, sel<"isHidden">()));
  EXPECT_EQ(ns::utf8(send<id>(label, sel<"text">())), "All quiet");
  EXPECT_EQ(send<NSInteger>(label, sel<"textAlignment">()), 1);
  CGRect frame = send<CGRect>(label, sel<"frame">());
  EXPECT_EQ(frame.origin.x, 0);
  EXPECT_EQ(frame.size.width, send<CGRect>(listView, sel<"frame">()).size.width);

  // Without a text of the user's the platform's label is untouched.
  setOptions({{"NoNotificationsText", ns::str("")}});
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  label = objc::objectIvar(send<id>(listController(), sel<"listView">()), "_noNotificationsLabel");
  EXPECT_EQ(ns::utf8(send<id>(label, sel<"text">())), "No Notifications");
  EXPECT_GT(send<CGRect>(label, sel<"frame">()).origin.x, 0);
}

}  // namespace
}  // namespace noctil6_tests
