// Host control: the system's and the user's actions on the home screen, made through
// message sends and UIKit's event simulation, and the read-backs of what is shown.
#include <springboard7/HostControl.h>

#include "BulletinViewController.h"
#include "Common.h"

#include <bulletinboard/BulletinBoard.h>
#include <foundation/RunLoop.h>
#include <uikit/Simulation.h>
#include <uikit/UIApplication.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIMenuController.h>
#include <uikit/UIWindow.h>

#include <algorithm>
#include <atomic>

namespace sb7 {

using detail::sel;
using detail::send;
using detail::str;
using detail::text;

namespace {

constexpr double kTransitionWait = 0.35;  // a little longer than Notification Center's slide

bool& launched() {
  static bool value = false;
  return value;
}

objc::Status notLaunched() { return objc::makeError("the home screen has not been launched"); }

id shared(const char* className) {
  Class cls = objc::classNamed(className);
  return cls ? send<id>(cls, sel<"sharedInstance">()) : nil;
}

id notificationCenter() { return shared("SBNotificationCenterController"); }
id lockManager() { return shared("SBLockScreenManager"); }

// The list of the Notification Center mode on screen.
id visibleBulletinViewController() {
  id controller = send<id>(notificationCenter(), sel<"viewController">());
  id modes = objc::objectIvar(controller, "_modeController");
  return send<id>(send<id>(modes, sel<"selectedViewController">()), sel<"bulletinViewController">());
}

id lockListController() {
  return objc::objectIvar(send<id>(lockManager(), sel<"lockScreenViewController">()), "_notificationController");
}

id lockTable() { return objc::objectIvar(objc::objectIvar(lockListController(), "_notificationView"), "_tableView"); }

// Where a (section, row) of a list is in its table; nullopt when the list has no such
// row.  Notification Center: the section's position in _orderedSections; the lock
// screen: one table section whose rows are counted per notification section.
struct Place {
  id table;
  NSInteger section;
  NSInteger row;
};

std::optional<Place> locate(List list, const std::string& sectionID, NSInteger row) {
  if (row < 0) return std::nullopt;
  if (list == List::NotificationCenter) {
    id bvc = visibleBulletinViewController();
    NSInteger index = 0;
    for (id info : detail::elements(objc::objectIvar(bvc, "_orderedSections"))) {
      if (text(send<id>(info, sel<"identifier">())) == sectionID) {
        id table = send<id>(bvc, sel<"tableView">());
        NSInteger rows = send<NSInteger>(bvc, sel<"tableView:numberOfRowsInSection:">(), table, index);
        if (row >= rows) return std::nullopt;
        return Place{table, index, row};
      }
      ++index;
    }
    return std::nullopt;
  }
  id items = objc::objectIvar(lockListController(), "_listItems");
  NSInteger tableRow = 0, seen = 0;
  for (id item : detail::elements(items)) {
    id bulletin = send<id>(item, sel<"activeBulletin">());
    if (text(send<id>(bulletin, sel<"sectionID">())) == sectionID) {
      if (seen == row) return Place{lockTable(), 0, tableRow};
      ++seen;
    }
    ++tableRow;
  }
  return std::nullopt;
}

id cellAt(const Place& place) {
  return send<id>(place.table, sel<"cellForRowAtIndexPath:">(), detail::indexPath(place.section, place.row));
}

// Lets Notification Center's slide finish.
void waitForTransition() {
  id nc = notificationCenter();
  if (objc::getIvar<BOOL>(nc, "_isTransitioning").value_or(NO)) uikit::sim::letTimePass(kTransitionWait);
  settle();
}

}  // namespace

// ---- life cycle ----

bool isLaunched() { return launched(); }

objc::Status launch() {
  if (launched()) return objc::makeError("the home screen is launched already");
  Class springBoard = objc::classNamed("SpringBoard");
  if (springBoard == Nil || objc::classNamed("SBUIController") == Nil) {
    return objc::makeError("the home-screen classes are not registered");
  }
  auto app = uikit::makeSharedApplication(springBoard);
  if (!app) return app.error();
  launched() = true;
  objc::AutoreleasePool pool;
  send<void>(*app, sel<"applicationDidFinishLaunching:">(), *app);
  settle();
  return objc::Ok{};
}

void shutdown() {
  if (!launched()) return;
  {
    objc::AutoreleasePool pool;
    id menu = uikit::sharedMenuController();
    send<void>(menu, sel<"setMenuVisible:animated:">(), BOOL{NO}, BOOL{NO});
    send<void>(menu, sel<"setMenuItems:">(), id{nil});
    send<void>(notificationCenter(), sel<"dismissAnimated:">(), BOOL{NO});
    send<BOOL>(lockManager(), sel<"unlockUIFromSource:withOptions:">(), NSInteger{0}, id{nil});
  }
  bb::BulletinServer::shared().reset();
  detail::releaseSharedInstances();
  uikit::resetSharedApplication();
  launched() = false;
  ns::RunLoop::main().runUntilIdle();
}

void settle() {
  objc::AutoreleasePool pool;
  auto& loop = ns::RunLoop::main();
  loop.runUntilIdle();
  // The display cycle: everything on screen is laid out (tables hand out their cells).
  for (id window : uikit::windows()) uikit::layoutTree(window);
  loop.runUntilIdle();
}

// ---- the system ----

objc::Result<std::string> post(const Notification& n) {
  if (!launched()) return notLaunched().error();
  if (n.sectionID.empty()) return objc::makeError("a notification needs a section ID");
  auto& server = bb::BulletinServer::shared();
  static std::atomic<unsigned long> counter{0};
  bb::BulletinFields fields;
  fields.sectionID = n.sectionID;
  fields.title = n.title.empty() ? displayName(n.sectionID) : n.title;
  fields.subtitle = n.subtitle;
  fields.message = n.message;
  fields.url = n.url;
  fields.recordID = n.recordID.empty() ? server.nextRecordID(n.sectionID) : n.recordID;
  fields.bulletinID = n.bulletinID.empty() ? "bulletin-" + std::to_string(++counter) : n.bulletinID;
  if (n.bulletinID.empty()) {
    while (server.bulletinWithID(fields.bulletinID)) fields.bulletinID = "bulletin-" + std::to_string(++counter);
  }
  if (!detail::isInstalled(n.sectionID)) installApplication(n.sectionID, "");
  objc::Ref bulletin = bb::makeBulletin(fields);
  if (auto s = server.publish(bulletin); !s) return s.error();
  settle();
  return fields.bulletinID;
}

objc::Status setBadge(const std::string& sectionID, std::optional<NSInteger> value) {
  if (!launched()) return notLaunched();
  if (sectionID.empty()) return objc::makeError("a badge needs a section ID");
  if (!detail::isInstalled(sectionID)) installApplication(sectionID, "");
  objc::AutoreleasePool pool;
  id icon = send<id>(shared("SBIconModel"), sel<"applicationIconForDisplayIdentifier:">(), str(sectionID));
  if (icon == nil) return objc::makeError("no icon for " + sectionID);
  send<void>(icon, sel<"setBadge:">(), value ? str(std::to_string(*value)) : id{nil});
  settle();
  return objc::Ok{};
}

std::optional<NSInteger> badge(const std::string& sectionID) {
  if (!launched()) return std::nullopt;
  objc::AutoreleasePool pool;
  id icon = send<id>(shared("SBIconModel"), sel<"applicationIconForDisplayIdentifier:">(), str(sectionID));
  if (icon == nil || send<id>(icon, sel<"badgeNumberOrString">()) == nil) return std::nullopt;
  return send<NSInteger>(icon, sel<"badgeValue">());
}

void setInterfaceOrientation(NSInteger orientation) { uikit::setInterfaceOrientation(orientation); }

// ---- the user ----

objc::Status lock() {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  send<void>(lockManager(), sel<"lockUIFromSource:withOptions:">(), NSInteger{1}, id{nil});
  settle();
  return objc::Ok{};
}

objc::Status unlock() {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  send<BOOL>(lockManager(), sel<"unlockUIFromSource:withOptions:">(), NSInteger{1}, id{nil});
  settle();
  return objc::Ok{};
}

bool isLocked() { return launched() && send<BOOL>(lockManager(), sel<"isUILocked">()); }

objc::Status showNotificationCenter() {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  send<void>(notificationCenter(), sel<"presentAnimated:">(), BOOL{YES});
  waitForTransition();
  return objc::Ok{};
}

objc::Status hideNotificationCenter() {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  send<void>(notificationCenter(), sel<"dismissAnimated:">(), BOOL{YES});
  waitForTransition();
  return objc::Ok{};
}

bool isNotificationCenterVisible() { return launched() && send<BOOL>(notificationCenter(), sel<"isVisible">()); }

objc::Status selectMode(Mode m) {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  id controller = send<id>(notificationCenter(), sel<"viewController">());
  const char* ivar = m == Mode::Today ? "_todayViewController"
                     : m == Mode::All ? "_allModeViewController"
                                      : "_missedModeViewController";
  send<void>(objc::objectIvar(controller, "_modeController"), sel<"setSelectedViewController:">(),
             objc::objectIvar(controller, ivar));
  settle();
  return objc::Ok{};
}

objc::Status pressHome() {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  send<void>(uikit::sharedApplication(), sel<"_handleMenuButtonEvent">());
  waitForTransition();
  return objc::Ok{};
}

objc::Status longPress(List list, const std::string& sectionID, NSInteger row) {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  settle();
  auto place = locate(list, sectionID, row);
  if (!place) return objc::makeError("no row " + std::to_string(row) + " in section " + sectionID);
  id cell = cellAt(*place);
  if (cell == nil) return objc::makeError("row " + std::to_string(row) + " of " + sectionID + " has no cell on screen");
  objc::Ref keep = objc::Ref::retain(cell);
  auto recognisers = uikit::sim::recognisersOf(cell, uikit::UILongPressGestureRecognizerClass(), true);
  if (recognisers.empty()) return objc::makeError("the cell has no long-press recogniser");
  auto status = uikit::sim::longPress(recognisers, cell);
  settle();
  return status;
}

objc::Status tapHeader(const std::string& sectionID) {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  settle();
  id bvc = visibleBulletinViewController();
  id header = send<id>(objc::objectIvar(bvc, "_headerViews"), sel<"objectForKey:">(), str(sectionID));
  if (header == nil || send<id>(header, sel<"window">()) == nil) {
    return objc::makeError("section " + sectionID + " has no header on screen");
  }
  auto status = uikit::sim::tap(header);
  settle();
  return status;
}

objc::Status clearSection(const std::string& sectionID) {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  settle();
  id bvc = visibleBulletinViewController();
  id header = send<id>(objc::objectIvar(bvc, "_headerViews"), sel<"objectForKey:">(), str(sectionID));
  id button = objc::objectIvar(header, "_clearButton");
  if (button == nil || send<id>(button, sel<"window">()) == nil) {
    return objc::makeError("section " + sectionID + " has no clear button on screen");
  }
  auto status = uikit::sim::tap(button);
  settle();
  return status;
}

objc::Status performMenuItem(const std::string& title) {
  if (!launched()) return notLaunched();
  objc::AutoreleasePool pool;
  auto status = uikit::performVisibleMenuItem(title);
  settle();
  return status;
}

std::vector<std::string> visibleMenuItems() { return uikit::visibleMenuItemTitles(); }

// ---- read-backs ----

RowInfo row(List list, const std::string& sectionID, NSInteger rowIndex) {
  RowInfo info;
  if (!launched()) return info;
  objc::AutoreleasePool pool;
  auto place = locate(list, sectionID, rowIndex);
  if (!place) return info;
  id path = detail::indexPath(place->section, place->row);
  id delegate = send<id>(place->table, sel<"delegate">());
  info.height = send<CGFloat>(delegate, sel<"tableView:heightForRowAtIndexPath:">(), place->table, path);
  id bulletin = nil;
  if (list == List::NotificationCenter) {
    id sectionInfo = send<id>(objc::objectIvar(delegate, "_orderedSections"), sel<"objectAtIndex:">(),
                              static_cast<NSUInteger>(place->section));
    id items = send<id>(objc::objectIvar(delegate, "_sectionIDsToBulletins"), sel<"objectForKey:">(),
                        send<id>(sectionInfo, sel<"identifier">()));
    bulletin = send<id>(send<id>(items, sel<"objectAtIndex:">(), static_cast<NSUInteger>(place->row)),
                        sel<"representedBulletin">());
  } else {
    bulletin = send<id>(send<id>(lockListController(), sel<"listItemAtIndexPath:">(), path), sel<"activeBulletin">());
  }
  info.message = text(send<id>(bulletin, sel<"message">()));
  info.bulletinID = text(send<id>(bulletin, sel<"bulletinID">()));
  id cell = cellAt(*place);
  bool hidden = info.height <= 0 || (cell && send<BOOL>(cell, sel<"isHidden">()));
  info.state = hidden ? RowState::Hidden : RowState::Visible;
  return info;
}

std::vector<std::string> sections(List list) {
  std::vector<std::string> result;
  if (!launched()) return result;
  objc::AutoreleasePool pool;
  if (list == List::NotificationCenter) {
    for (id info : detail::elements(objc::objectIvar(visibleBulletinViewController(), "_orderedSections"))) {
      result.push_back(text(send<id>(info, sel<"identifier">())));
    }
    return result;
  }
  for (id item : detail::elements(objc::objectIvar(lockListController(), "_listItems"))) {
    std::string section = text(send<id>(send<id>(item, sel<"activeBulletin">()), sel<"sectionID">()));
    if (std::find(result.begin(), result.end(), section) == result.end()) result.push_back(section);
  }
  return result;
}

NSInteger rowCount(List list, const std::string& sectionID) {
  NSInteger n = 0;
  while (locate(list, sectionID, n)) ++n;
  return n;
}

std::optional<std::string> headerTitle(const std::string& sectionID) {
  if (!launched()) return std::nullopt;
  objc::AutoreleasePool pool;
  id header = send<id>(objc::objectIvar(visibleBulletinViewController(), "_headerViews"), sel<"objectForKey:">(),
                       str(sectionID));
  if (header == nil) return std::nullopt;
  return text(send<id>(objc::objectIvar(header, "_titleLabel"), sel<"text">()));
}

std::optional<CGFloat> headerBackdropAlpha(const std::string& sectionID) {
  if (!launched()) return std::nullopt;
  objc::AutoreleasePool pool;
  id header = send<id>(objc::objectIvar(visibleBulletinViewController(), "_headerViews"), sel<"objectForKey:">(),
                       str(sectionID));
  id backdrop = objc::objectIvar(header, "_backdrop");
  if (backdrop == nil) return std::nullopt;
  return send<CGFloat>(backdrop, sel<"alpha">());
}

std::optional<BackdropSettings> backdropSettings() {
  if (!launched()) return std::nullopt;
  objc::AutoreleasePool pool;
  id controller = send<id>(notificationCenter(), sel<"viewController">());
  id applied = send<id>(objc::objectIvar(controller, "_backgroundView"), sel<"outputSettings">());
  if (applied == nil) return std::nullopt;
  BackdropSettings s;
  s.blurRadius = send<CGFloat>(applied, sel<"blurRadius">());
  s.grayscaleTintAlpha = send<CGFloat>(applied, sel<"grayscaleTintAlpha">());
  s.colorTintAlpha = send<CGFloat>(applied, sel<"colorTintAlpha">());
  if (id tint = send<id>(applied, sel<"colorTint">())) {
    s.hasColorTint = true;
    send<BOOL>(tint, sel<"getRed:green:blue:alpha:">(), &s.colorTint[0], &s.colorTint[1], &s.colorTint[2],
               &s.colorTint[3]);
  }
  return s;
}

}  // namespace sb7
