// Notification Center on the iOS 6 home screen, as a tweak finds and drives it: which
// class defines each replaced method, the list shown and hidden with
// _setListViewActive: both ways and the clean-up calls, a list view made (with its
// linen asked) for every showing and released after, sections and rows newest first,
// the table's deletions, the header's clear button, a row's selection performing its
// action (not while locked), the widgets, the pull-down and the list's own pan, the
// table's own swipe to delete, a scroll, and bad arguments.
#include "HomeScreen6Fixture.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/Simulation.h>
#include <uikit/TableSwipeDelete.h>
#include <uikit/UITableView.h>

#include <cstdlib>
#include <string>

using namespace sb6_testing;

namespace {

constexpr const char* kSMS = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";
constexpr const char* kWeather = "com.apple.weathernotifications.bundle";
constexpr const char* kStocks = "com.apple.stocksweeapp.bundle";

std::vector<id> elementsOf(id array) {
  std::vector<id> out;
  NSUInteger n = array ? send<NSUInteger>(array, sel<"count">()) : 0;
  for (NSUInteger i = 0; i < n; ++i) out.push_back(send<id>(array, sel<"objectAtIndex:">(), i));
  return out;
}

bool defines(const char* className, const char* selector, bool classMethod = false) {
  Class cls = objc::classNamed(className);
  if (cls == Nil) return false;
  if (classMethod) cls = object_getClass(reinterpret_cast<id>(cls));
  unsigned int n = 0;
  Method* methods = class_copyMethodList(cls, &n);
  bool found = false;
  for (unsigned int i = 0; i < n && !found; ++i) found = sel_isEqual(method_getName(methods[i]), sel_registerName(selector));
  std::free(methods);
  return found;
}

// ---- recording hooks, put in place as a tweak's in-place entries are ----

IMP gSetActive = nullptr, gShow = nullptr, gCleanupShow = nullptr, gCleanupHide = nullptr, gInitList = nullptr,
    gLinen = nullptr, gListDealloc = nullptr, gPosition = nullptr, gClear = nullptr, gDeleteRows = nullptr,
    gDeleteSections = nullptr, gSetLevel = nullptr, gWeeAppTapped = nullptr, gDidEndDragging = nullptr,
    gDidEndDecelerating = nullptr, gHandlePan = nullptr, gShowsLabel = nullptr;

void onSetActive(id self, SEL cmd, BOOL active) {
  calls().push_back(std::string("_setListViewActive: ") + (active ? "YES" : "NO"));
  objc::callImp<void>(gSetActive, self, cmd, active);
}
void onShow(id self, SEL cmd, BOOL animated) {
  calls().push_back("showListViewAnimated:");
  objc::callImp<void>(gShow, self, cmd, animated);
}
void onCleanupShow(id self, SEL cmd) {
  calls().push_back("_cleanupAfterShowListView");
  objc::callImp<void>(gCleanupShow, self, cmd);
}
void onCleanupHide(id self, SEL cmd, BOOL keep) {
  calls().push_back(std::string("_cleanupAfterHideListViewKeepingWindow: ") + (keep ? "YES" : "NO"));
  objc::callImp<void>(gCleanupHide, self, cmd, keep);
}
id onInitList(id self, SEL cmd, CGRect frame, id delegate) {
  calls().push_back("initWithFrame:delegate:");
  return objc::callImp<id>(gInitList, self, cmd, frame, delegate);
}
id onLinen(id self, SEL cmd) {
  calls().push_back("linen");
  return objc::callImp<id>(gLinen, self, cmd);
}
void onListDealloc(id self, SEL cmd) {
  calls().push_back("list view dealloc");
  objc::callImp<void>(gListDealloc, self, cmd);
}
void onPosition(id self, SEL cmd, CGFloat y) {
  calls().push_back("positionSlidingViewAtY: " + std::to_string(static_cast<int>(y)));
  objc::callImp<void>(gPosition, self, cmd, y);
}
void onClear(id self, SEL cmd, id section) {
  calls().push_back("_clearSection: " + text(section));
  objc::callImp<void>(gClear, self, cmd, section);
}
void onDeleteRows(id self, SEL cmd, id paths, NSInteger animation) {
  calls().push_back("deleteRows " + std::to_string(send<NSUInteger>(paths, sel<"count">())));
  objc::callImp<void>(gDeleteRows, self, cmd, paths, animation);
}
void onDeleteSections(id self, SEL cmd, id sections, NSInteger animation) {
  calls().push_back("deleteSections " + std::to_string(send<NSUInteger>(sections, sel<"firstIndex">())));
  objc::callImp<void>(gDeleteSections, self, cmd, sections, animation);
}
void onSetLevel(id self, SEL cmd, CGFloat level) {
  if (std::string(objc::className(self)) == "SBBulletinWindow")
    calls().push_back("setWindowLevel: " + std::to_string(static_cast<int>(level)));
  objc::callImp<void>(gSetLevel, self, cmd, level);
}
void onWeeAppTapped(id self, SEL cmd, id recognizer) {
  calls().push_back("_tapped: " + text(send<id>(send<id>(self, sel<"weeApp">()), sel<"sectionID">())));
  objc::callImp<void>(gWeeAppTapped, self, cmd, recognizer);
}
void onDidEndDragging(id self, SEL cmd, id scrollView, BOOL decelerate) {
  calls().push_back("scrollViewDidEndDragging at " +
                    std::to_string(static_cast<int>(send<CGPoint>(scrollView, sel<"contentOffset">()).y)));
  objc::callImp<void>(gDidEndDragging, self, cmd, scrollView, decelerate);
}
void onDidEndDecelerating(id self, SEL cmd, id scrollView) {
  calls().push_back("scrollViewDidEndDecelerating");
  objc::callImp<void>(gDidEndDecelerating, self, cmd, scrollView);
}
void onHandlePan(id self, SEL cmd, id recognizer) {
  calls().push_back("handlePan: " + std::to_string(send<NSInteger>(recognizer, sel<"state">())));
  objc::callImp<void>(gHandlePan, self, cmd, recognizer);
}
void onShowsLabel(id self, SEL cmd, BOOL shows, BOOL animated) {
  calls().push_back(std::string("setShowsNoNotificationsLabel: ") + (shows ? "YES" : "NO"));
  objc::callImp<void>(gShowsLabel, self, cmd, shows, animated);
}

void replaceClassMethodOnce(const char* className, const char* selector, IMP replacement, IMP& previous) {
  if (previous) return;
  Method m = class_getClassMethod(objc::classNamed(className), sel_registerName(selector));
  ASSERT_NE(m, nullptr) << className << " +" << selector;
  previous = method_setImplementation(m, replacement);
}

// The methods a tweak adds to the list controller for the table's own swipe to
// delete, with its 32-bit type strings; here on a subclass the shared instance is
// moved to, so no other test sees them.
int editingCanEdit(id, SEL, id, id) { return 1; }
void editingCommit(id self, SEL, id, int style, id path) {
  calls().push_back("commit " + std::to_string(style));
  id bulletin = send<id>(self, sel<"_bulletinAtIndexPath:">(), path);
  send<void>(self, sel<"observer:removeBulletin:">(), send<id>(bulletin, sel<"observer">()), bulletin);
}
Class editingListControllerClass() {
  static Class cls = [] {
    Class c = objc_allocateClassPair(objc::classNamed("SBBulletinListController"), "SB6TestEditingListController", 0);
    class_addMethod(c, sel_registerName("tableView:canEditRowAtIndexPath:"), objc::toImp(&editingCanEdit), "i@:@@");
    class_addMethod(c, sel_registerName("tableView:commitEditingStyle:forRowAtIndexPath:"), objc::toImp(&editingCommit),
                    "v@:@i@");
    objc_registerClassPair(c);
    return c;
  }();
  return cls;
}

bool bb_withdraw(const std::string& bulletinID) { return bb::BulletinServer::shared().withdraw(bulletinID); }
std::size_t bb_count(const std::string& section) {
  std::size_t n = 0;
  for (id b : bb::BulletinServer::shared().bulletins()) n += bb::bulletinString(b, sel<"sectionID">()) == section;
  return n;
}

class Springboard6ListTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBBulletinListController", "_setListViewActive:", objc::toImp(&onSetActive), gSetActive);
    replaceOnce("SBBulletinListController", "showListViewAnimated:", objc::toImp(&onShow), gShow);
    replaceOnce("SBBulletinListController", "_cleanupAfterShowListView", objc::toImp(&onCleanupShow), gCleanupShow);
    replaceOnce("SBBulletinListController", "_cleanupAfterHideListViewKeepingWindow:", objc::toImp(&onCleanupHide),
                gCleanupHide);
    replaceOnce("SBBulletinListController", "_clearSection:", objc::toImp(&onClear), gClear);
    replaceOnce("SBBulletinListController", "scrollViewDidEndDragging:willDecelerate:", objc::toImp(&onDidEndDragging),
                gDidEndDragging);
    replaceOnce("SBBulletinListController", "scrollViewDidEndDecelerating:", objc::toImp(&onDidEndDecelerating),
                gDidEndDecelerating);
    replaceOnce("SBBulletinListController", "handlePan:", objc::toImp(&onHandlePan), gHandlePan);
    replaceOnce("SBBulletinListView", "initWithFrame:delegate:", objc::toImp(&onInitList), gInitList);
    replaceClassMethodOnce("SBBulletinListView", "linen", objc::toImp(&onLinen), gLinen);
    replaceOnce("SBBulletinListView", "dealloc", objc::toImp(&onListDealloc), gListDealloc);
    replaceOnce("SBBulletinListView", "positionSlidingViewAtY:", objc::toImp(&onPosition), gPosition);
    replaceOnce("SBBulletinListView", "setShowsNoNotificationsLabel:animated:", objc::toImp(&onShowsLabel), gShowsLabel);
    replaceOnce("SBBulletinTableView", "deleteRowsAtIndexPaths:withRowAnimation:", objc::toImp(&onDeleteRows), gDeleteRows);
    replaceOnce("SBBulletinTableView", "deleteSections:withRowAnimation:", objc::toImp(&onDeleteSections), gDeleteSections);
    // An inherited method replaced in place: UIWindow's own, for every window.
    replaceOnce("SBBulletinWindow", "setWindowLevel:", objc::toImp(&onSetLevel), gSetLevel);
    replaceOnce("SBWeeAppCell", "_tapped:", objc::toImp(&onWeeAppTapped), gWeeAppTapped);
  }
  id list() { return send<id>(classObject("SBBulletinListController"), sel<"sharedInstance">()); }
  id table() { return send<id>(send<id>(list(), sel<"listView">()), sel<"tableView">()); }
  std::vector<std::string> callsStartingWith(const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& c : calls())
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }
  std::string messageAt(NSInteger section, NSInteger row) {
    id path = send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, section);
    return text(send<id>(send<id>(list(), sel<"_bulletinAtIndexPath:">(), path), sel<"message">()));
  }
};

TEST_F(Springboard6ListTest, TheReplacedMethodsOfTheListClassesAreDefinedWhereATweakExpectsThem) {
  struct Entry {
    const char* cls;
    const char* selector;
    bool own;
    bool classMethod = false;
  };
  const Entry entries[] = {
      {"SBBulletinListController", "tableView:didSelectRowAtIndexPath:", true},
      {"SBBulletinListController", "scrollViewDidEndDecelerating:", true},
      {"SBBulletinListController", "showListViewAnimated:", true},
      {"SBBulletinListController", "_setListViewActive:", true},
      {"SBBulletinListController", "handlePan:", true},
      {"SBBulletinListController", "_clearSection:", true},
      {"SBBulletinListController", "tableView:heightForRowAtIndexPath:", true},
      {"SBBulletinListController", "tableView:viewForHeaderInSection:", true},
      {"SBBulletinListController", "tableView:cellForRowAtIndexPath:", true},
      {"SBBulletinListController", "observer:addBulletin:forFeed:", true},
      {"SBBulletinListController", "scrollViewDidEndDragging:willDecelerate:", true},
      {"SBBulletinHeaderView", "touchesEnded:withEvent:", false},
      {"SBBulletinWindowController", "allowsShowNotificationsGesture", true},
      {"SBBulletinWindow", "setWindowLevel:", false},
      {"SBBulletinWindow", "sendEvent:", false},
      {"SBBulletinTableView", "layoutSubviews", true},
      {"SBBulletinTableView", "deleteRowsAtIndexPaths:withRowAnimation:", true},
      {"SBBulletinTableView", "deleteSections:withRowAnimation:", true},
      {"SBBulletinTableView", "initWithFrame:linenView:", true},
      {"SBBulletinListView", "initWithFrame:delegate:", true},
      {"SBBulletinListView", "linen", true, true},
      {"SBBulletinListView", "dealloc", true},
      {"SBBulletinListView", "positionSlidingViewAtY:", true},
      {"SBBulletinListView", "setShowsNoNotificationsLabel:animated:", true},
      {"SBBulletinListCell", "initWithLinenView:reuseIdentifier:", true},
      {"SBBulletinListCell", "layoutSubviews", true},
      {"SBWeeAppCell", "_tapped:", true},
      {"SBBulletinBannerController", "_presentBannerForItem:", true},
      {"SBBulletinBannerController", "_handleBannerTapGesture:", true},
      {"SBBannerController", "_presentBannerForItem:existingDismissReason:", true},
  };
  for (const Entry& e : entries) {
    Class cls = objc::classNamed(e.cls);
    ASSERT_NE(cls, Nil) << e.cls;
    Method m = e.classMethod ? class_getClassMethod(cls, sel_registerName(e.selector))
                             : class_getInstanceMethod(cls, sel_registerName(e.selector));
    EXPECT_NE(m, nullptr) << e.cls << " " << e.selector;
    EXPECT_EQ(defines(e.cls, e.selector, e.classMethod), e.own) << e.cls << " " << e.selector;
  }
  // The inherited ones are UIKit's own, with no home-screen class in between.
  EXPECT_EQ(class_getSuperclass(objc::classNamed("SBBulletinWindow")), objc::classNamed("UIWindow"));
  EXPECT_EQ(class_getSuperclass(objc::classNamed("SBBulletinHeaderView")), objc::classNamed("UIView"));
  // What the tweak adds when the controller does not answer it.
  Class listClass = objc::classNamed("SBBulletinListController");
  for (const char* added : {"tableView:canEditRowAtIndexPath:", "tableView:commitEditingStyle:forRowAtIndexPath:",
                            "gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:"}) {
    EXPECT_FALSE(class_respondsToSelector(listClass, sel_registerName(added))) << added;
  }
  // Instance variables read by name.
  for (auto [cls, ivar] : std::initializer_list<std::pair<const char*, const char*>>{
           {"SBBulletinListController", "_visibleSectionIDs"}, {"SBBulletinListController", "_possibleSectionIDs"},
           {"SBBulletinListController", "_weeApps"},          {"SBBulletinListView", "_statusBar"},
           {"SBBulletinListView", "_noNotificationsLabel"},   {"SBBulletinHeaderView", "_sectionLabel"},
           {"SBBannerController", "_bannerAndShadowView"},    {"SBBannerAndShadowView", "_banner"},
           {"BBBulletin", "_observer"}}) {
    EXPECT_NE(class_getInstanceVariable(objc::classNamed(cls), ivar), nullptr) << cls << " " << ivar;
  }
}

TEST_F(Springboard6ListTest, EachShowingMakesAListViewWithItsLinenAndEachHidingReleasesIt) {
  launch();
  calls().clear();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_TRUE(sb6::isNotificationCenterShown());
  id window = sb6::window(sb6::WindowKind::List);
  ASSERT_NE(window, nil);
  auto log = calls();
  auto at = [&](const std::string& c) { return std::find(log.begin(), log.end(), c) - log.begin(); };
  EXPECT_LT(at("showListViewAnimated:"), at("initWithFrame:delegate:"));
  EXPECT_LT(at("initWithFrame:delegate:"), at("linen"));
  EXPECT_LT(at("setWindowLevel: 980"), at("_setListViewActive: YES"));
  EXPECT_LT(at("_setListViewActive: YES"), at("positionSlidingViewAtY: 480"));
  EXPECT_LT(at("positionSlidingViewAtY: 480"), at("_cleanupAfterShowListView"));
  EXPECT_LT(at("_cleanupAfterShowListView"), static_cast<std::ptrdiff_t>(log.size()));
  EXPECT_EQ(send<CGRect>(send<id>(send<id>(list(), sel<"listView">()), sel<"slidingView">()), sel<"frame">()).origin.y, 0);

  calls().clear();
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  EXPECT_EQ(send<id>(list(), sel<"listView">()), nil);
  EXPECT_EQ(sb6::window(sb6::WindowKind::List), nil);
  EXPECT_EQ(calls(), (std::vector<std::string>{"_setListViewActive: NO", "positionSlidingViewAtY: 0",
                                               "_cleanupAfterHideListViewKeepingWindow: NO", "list view dealloc"}));

  // The next showing asks again; a clean-up sent twice (as a tweak does) is harmless.
  calls().clear();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(callsStartingWith("initWithFrame:delegate:").size(), 1u);
  EXPECT_EQ(callsStartingWith("linen").size(), 1u);
  EXPECT_EQ(callsStartingWith("setWindowLevel: 980").size(), 1u);
  send<void>(list(), sel<"hideListViewAnimated:">(), BOOL{NO});
  send<void>(list(), sel<"_cleanupAfterHideListViewKeepingWindow:">(), BOOL{YES});
  send<void>(list(), sel<"_cleanupAfterHideListView">());
  EXPECT_EQ(send<id>(list(), sel<"listView">()), nil);
  EXPECT_EQ(callsStartingWith("list view dealloc").size(), 1u);
}

TEST_F(Springboard6ListTest, OnTheLockScreenTheStockListRefusesToShow) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  id windowController = send<id>(classObject("SBBulletinWindowController"), sel<"sharedInstance">());
  EXPECT_FALSE(send<BOOL>(windowController, sel<"allowsShowNotificationsGesture">()));
  calls().clear();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  EXPECT_EQ(send<id>(list(), sel<"listView">()), nil);
  EXPECT_EQ(calls(), (std::vector<std::string>{"showListViewAnimated:"}));
}

TEST_F(Springboard6ListTest, WidgetsComeFirstThenAppsAndRowsNewestFirst) {
  launch();
  post(kSMS, "one");
  ASSERT_TRUE(ns::advanceClock(60).ok());
  post(kMail, "mail");
  ASSERT_TRUE(ns::advanceClock(60).ok());
  post(kSMS, "two", "sms:+15550001");
  EXPECT_EQ(sb6::sections(sb6::List::NotificationCenter), (std::vector<std::string>{kWeather, kStocks, kSMS, kMail}));
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kSMS), 2);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kSMS, 0).message, "two");
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kSMS, 1).message, "one");
  EXPECT_EQ(messageAt(2, 0), "two");
  EXPECT_EQ(messageAt(0, 0), "") << "a widget's row has no notification";
  id bulletin = send<id>(list(), sel<"_bulletinAtIndexPath:">(),
                         send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), NSInteger{1}, NSInteger{2}));
  id path = send<id>(list(), sel<"_indexPathForBulletin:">(), bulletin);
  EXPECT_EQ(send<NSInteger>(path, sel<"section">()), 2);
  EXPECT_EQ(send<NSInteger>(path, sel<"row">()), 1);
  // The widgets: section IDs and view heights, read by name as a tweak reads them.
  std::vector<std::string> widgets;
  for (id weeApp : elementsOf(objc::objectIvar(list(), "_weeApps"))) {
    widgets.push_back(text(send<id>(weeApp, sel<"sectionID">())));
    EXPECT_GT(send<CGFloat>(weeApp, sel<"viewHeight">()), 0);
  }
  EXPECT_EQ(widgets, (std::vector<std::string>{kWeather, kStocks}));
  // Shown, the table shows the same, with each app's name in its header.
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(send<NSInteger>(table(), sel<"numberOfSections">()), 4);
  EXPECT_EQ(sb6::headerTitle(kSMS), "Messages");
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMail, 0).state, sb6::RowState::Visible);
  // A later Mail notification moves Mail's section up.
  post(kMail, "newer");
  EXPECT_EQ(sb6::sections(sb6::List::NotificationCenter), (std::vector<std::string>{kWeather, kStocks, kMail, kSMS}));
  EXPECT_EQ(send<NSInteger>(table(), sel<"numberOfRowsInSection:">(), NSInteger{2}), 2);
}

TEST_F(Springboard6ListTest, TheTableDeletesTheRowsAndSectionsOfWithdrawnNotifications) {
  launch();
  std::string first = post(kSMS, "one");
  std::string second = post(kSMS, "two");
  std::string mail = post(kMail, "mail");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  calls().clear();
  EXPECT_TRUE(bb_withdraw(first));
  sb6::settle();
  EXPECT_EQ(callsStartingWith("delete"), (std::vector<std::string>{"deleteRows 1"}));
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kSMS), 1);
  calls().clear();
  EXPECT_TRUE(bb_withdraw(mail));
  sb6::settle();
  EXPECT_EQ(callsStartingWith("delete"), (std::vector<std::string>{"deleteSections 2"}));
  EXPECT_EQ(sb6::sections(sb6::List::NotificationCenter), (std::vector<std::string>{kWeather, kStocks, kSMS}));
  calls().clear();
  EXPECT_TRUE(bb_withdraw(second));
  sb6::settle();
  EXPECT_EQ(callsStartingWith("setShowsNoNotificationsLabel:"), (std::vector<std::string>{"setShowsNoNotificationsLabel: YES"}));
  id label = objc::objectIvar(send<id>(list(), sel<"listView">()), "_noNotificationsLabel");
  EXPECT_FALSE(send<BOOL>(label, sel<"isHidden">()));
  EXPECT_EQ(text(send<id>(label, sel<"text">())), "No Notifications");
}

TEST_F(Springboard6ListTest, TheHeadersClearButtonClearsItsSectionButKeepsWhatCannotBeCleared) {
  launch();
  post(kSMS, "one");
  post(kSMS, "two");
  sb6::Notification pinned;
  pinned.sectionID = kMail;
  pinned.message = "pinned";
  pinned.clearable = false;
  ASSERT_TRUE(sb6::post(pinned).ok());
  post(kMail, "loose");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  calls().clear();
  // The first tap turns the x into "Clear"; clearSection taps both.
  ASSERT_TRUE(sb6::clearSection(kSMS).ok());
  EXPECT_EQ(callsStartingWith("_clearSection:"), (std::vector<std::string>{"_clearSection: com.apple.MobileSMS"}));
  EXPECT_EQ(callsStartingWith("delete"), (std::vector<std::string>{"deleteSections 3"}));
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kSMS), 0);
  EXPECT_EQ(bb_count(kSMS), 0u) << "the server withdrew them too";
  calls().clear();
  ASSERT_TRUE(sb6::clearSection(kMail).ok());
  EXPECT_EQ(callsStartingWith("delete"), (std::vector<std::string>{"deleteRows 1"}));
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kMail), 1);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kMail, 0).message, "pinned");
  EXPECT_EQ(bb_count(kMail), 1u);
  // Nothing left to clear: the header shows no clear button.
  EXPECT_FALSE(sb6::clearSection(kMail).ok());
}

TEST_F(Springboard6ListTest, ATappedRowPerformsItsActionAndTheListGoesUpButNotWhileLocked) {
  launch();
  post(kSMS, "text me", "sms:+15550001");
  post(kMail, "no url");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kSMS, 0).ok());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550001");
  EXPECT_EQ(sb6::frontApplication(), kSMS);
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  EXPECT_EQ(sb6::lastOpened(), kMail) << "without a URL the app of its section";

  // The selection a tweak sends while the device is locked performs nothing, and
  // needs no table.
  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::lock().ok());
  id path = send<id>(classObject("NSIndexPath"), sel<"indexPathForRow:inSection:">(), NSInteger{0}, NSInteger{2});
  send<void>(list(), sel<"tableView:didSelectRowAtIndexPath:">(), id{nil}, path);
  sb6::settle();
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);
  EXPECT_EQ(sb6::lastOpened(), kMail);
}

TEST_F(Springboard6ListTest, ATappedWidgetOpensItsAppAndTheListGoesUp) {
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  calls().clear();
  ASSERT_TRUE(sb6::tapWidget(kWeather).ok());
  EXPECT_EQ(callsStartingWith("_tapped:"), (std::vector<std::string>{std::string("_tapped: ") + kWeather}));
  EXPECT_EQ(sb6::frontApplication(), "com.apple.weather");
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  EXPECT_FALSE(sb6::tapWidget(kSMS).ok()) << "not a widget";
  // An iPad has no such widgets, as on iOS 6.
  sb6::shutdown();
  sb6::Device pad;
  pad.ipad = true;
  launch(pad);
  EXPECT_TRUE(sb6::sections(sb6::List::NotificationCenter).empty());
  EXPECT_EQ(elementsOf(objc::objectIvar(list(), "_weeApps")).size(), 0u);
}

TEST_F(Springboard6ListTest, ThePullDownHandlersMoveTheListAndShowItOnlyWhenReleasedMovingDown) {
  launch();
  calls().clear();
  id ui = uiController();
  send<void>(ui, sel<"_showNotificationsGestureBeganWithLocation:">(), CGPointMake(160, 10));
  EXPECT_NE(send<id>(list(), sel<"listView">()), nil);
  send<void>(ui, sel<"_showNotificationsGestureChangedWithLocation:velocity:">(), CGPointMake(160, 200), CGPointMake(0, 400));
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  send<void>(ui, sel<"_showNotificationsGestureEndedWithLocation:velocity:">(), CGPointMake(160, 220), CGPointMake(0, -50));
  uikit::sim::letTimePass(0.4);
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  EXPECT_EQ(send<id>(list(), sel<"listView">()), nil);
  EXPECT_EQ(callsStartingWith("positionSlidingViewAtY:"),
            (std::vector<std::string>{"positionSlidingViewAtY: 0", "positionSlidingViewAtY: 10",
                                      "positionSlidingViewAtY: 200", "positionSlidingViewAtY: 0"}));
  EXPECT_TRUE(callsStartingWith("_setListViewActive:").empty());

  calls().clear();
  send<void>(ui, sel<"_showNotificationsGestureBeganWithLocation:">(), CGPointMake(160, 10));
  send<void>(ui, sel<"_showNotificationsGestureChangedWithLocation:velocity:">(), CGPointMake(160, 900), CGPointMake(0, 400));
  send<void>(ui, sel<"_showNotificationsGestureEndedWithLocation:velocity:">(), CGPointMake(160, 300), CGPointMake(0, 300));
  EXPECT_TRUE(sb6::isNotificationCenterShown());
  uikit::sim::letTimePass(0.4);
  EXPECT_EQ(callsStartingWith("positionSlidingViewAtY:").back(), "positionSlidingViewAtY: 480");
  EXPECT_EQ(callsStartingWith("positionSlidingViewAtY:")[2], "positionSlidingViewAtY: 480") << "kept on screen";
  EXPECT_EQ(callsStartingWith("_setListViewActive:"), (std::vector<std::string>{"_setListViewActive: YES"}));
  EXPECT_EQ(callsStartingWith("_cleanupAfterShowListView").size(), 1u);
}

TEST_F(Springboard6ListTest, TheListsOwnPanPushesItBackUpFromItsGrabberOnly) {
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  sb6::Drag push;
  push.window = sb6::WindowKind::List;
  push.from = CGPointMake(160, 250);  // the middle of the list: no pan
  push.to = CGPointMake(160, 100);
  ASSERT_TRUE(sb6::drag(push).ok());
  EXPECT_TRUE(sb6::isNotificationCenterShown());
  calls().clear();
  push.from = CGPointMake(160, 470);  // the grabber
  ASSERT_TRUE(sb6::drag(push).ok());
  uikit::sim::letTimePass(0.4);
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  auto pans = callsStartingWith("handlePan:");
  ASSERT_GE(pans.size(), 2u);
  EXPECT_EQ(pans.front(), "handlePan: 1");
  EXPECT_EQ(pans.back(), "handlePan: 3");
  EXPECT_EQ(send<id>(list(), sel<"listView">()), nil);

  // Shown on the lock screen (as a tweak shows it), the list's own pan stays still:
  // the window controller does not allow the hiding gesture there.
  ASSERT_TRUE(sb6::lock().ok());
  id windowController = send<id>(classObject("SBBulletinWindowController"), sel<"sharedInstance">());
  EXPECT_FALSE(send<BOOL>(windowController, sel<"allowsHideNotificationsGesture">()));
  send<void>(list(), sel<"_createListViewIfNecessary">());
  send<void>(list(), sel<"_setListViewActive:">(), BOOL{YES});
  send<void>(send<id>(list(), sel<"listView">()), sel<"positionSlidingViewAtY:">(), CGFloat{480});
  calls().clear();
  ASSERT_TRUE(sb6::drag(push).ok());
  EXPECT_TRUE(callsStartingWith("handlePan:").empty());
  EXPECT_TRUE(sb6::isNotificationCenterShown());
}

TEST_F(Springboard6ListTest, AControllerThatCommitsDeletionsGetsTheTablesDeleteConfirmation) {
  launch();
  post(kSMS, "one");
  post(kSMS, "two");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_FALSE(sb6::confirmDelete().ok()) << "nothing to confirm";
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  object_setClass(list(), editingListControllerClass());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_NE(uikit::tableSwipeToDeleteRecognizer(table()), nil);
  ASSERT_TRUE(sb6::swipeRow(sb6::List::NotificationCenter, kSMS, 0, -150, 0.2, std::nullopt).ok());
  ASSERT_NE(uikit::tableDeleteConfirmationButton(table()), nil);
  calls().clear();
  ASSERT_TRUE(sb6::confirmDelete().ok());
  EXPECT_EQ(callsStartingWith("commit"), (std::vector<std::string>{"commit 1"}));
  EXPECT_EQ(callsStartingWith("delete"), (std::vector<std::string>{"deleteRows 1"}));
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kSMS), 1);
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kSMS, 0).message, "one");
  object_setClass(list(), objc::classNamed("SBBulletinListController"));
}

TEST_F(Springboard6ListTest, AScrollOfTheListTellsItsDelegateTheDragEndedThenTheTableRested) {
  launch();
  for (int i = 0; i < 12; ++i) post(kSMS, "message " + std::to_string(i));
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  calls().clear();
  ASSERT_TRUE(sb6::scrollNotificationCenter(120).ok());
  EXPECT_EQ(callsStartingWith("scrollView"),
            (std::vector<std::string>{"scrollViewDidEndDragging at 120", "scrollViewDidEndDecelerating"}));
  EXPECT_EQ(send<CGPoint>(table(), sel<"contentOffset">()).y, 120);
}

TEST_F(Springboard6ListTest, MissingArgumentsAndUnknownSectionsDoNothingOrAnswerAnError) {
  EXPECT_FALSE(sb6::showNotificationCenter().ok()) << "not launched";
  EXPECT_FALSE(sb6::isNotificationCenterShown());
  EXPECT_TRUE(sb6::sections(sb6::List::NotificationCenter).empty());
  EXPECT_EQ(sb6::headerTitle(kSMS), std::nullopt);
  launch();
  post(kSMS, "one");
  EXPECT_EQ(send<id>(list(), sel<"_bulletinAtIndexPath:">(), id{nil}), nil);
  EXPECT_EQ(send<id>(list(), sel<"_indexPathForBulletin:">(), id{nil}), nil);
  send<void>(list(), sel<"_clearSection:">(), id{nil});
  send<void>(list(), sel<"_clearSection:">(), ns::str("com.example.none"));
  send<void>(list(), sel<"observer:removeBulletin:">(), id{nil}, id{nil});
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kSMS), 1);
  EXPECT_FALSE(sb6::tapRow(sb6::List::NotificationCenter, kSMS, 0).ok()) << "the list is not shown";
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_FALSE(sb6::tapRow(sb6::List::NotificationCenter, kSMS, 1).ok());
  EXPECT_FALSE(sb6::tapRow(sb6::List::NotificationCenter, "com.example.none", 0).ok());
  EXPECT_FALSE(sb6::swipeRow(sb6::List::NotificationCenter, kSMS, -1, 100, 0.2, std::nullopt).ok());
  EXPECT_FALSE(sb6::tapHeader("com.example.none").ok());
  EXPECT_FALSE(sb6::clearSection(kWeather).ok()) << "widgets have no header";
  EXPECT_EQ(sb6::row(sb6::List::NotificationCenter, kSMS, 5).state, sb6::RowState::Absent);
  EXPECT_TRUE(sb6::tapHeader(kSMS).ok());
  EXPECT_TRUE(sb6::isNotificationCenterShown()) << "the stock header only takes the touch";
}

}  // namespace
