// Host control, Notification Center: showing and hiding the list through its
// controller, fingers on its rows, headers, clear buttons and widgets through the list
// window, a scroll of its table, and the read-backs of what it lists.  The lock
// screen's own list (List::LockScreen) is the core group's (AwayListAccess.h).
#include <springboard6/HostControl.h>

#include "AwayListAccess.h"
#include "Classes.h"
#include "Common.h"
#include "HostControlState.h"
#include "ListShared.h"

#include <uikit/Simulation.h>
#include <uikit/TableSwipeDelete.h>
#include <uikit/UITableView.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include <algorithm>

namespace sb6 {

using detail::sel;
using detail::send;
using detail::str;
using detail::text;

namespace {

constexpr int kSwipeSteps = 10;
constexpr double kSlideWait = detail::kListSlideSeconds + 0.05;

id listController() { return detail::shared("SBBulletinListController", sel<"sharedInstance">()); }
id listTable() { return send<id>(send<id>(listController(), sel<"listView">()), sel<"tableView">()); }

std::vector<std::string> visibleSections() {
  std::vector<std::string> out;
  for (id s : detail::elements(objc::objectIvar(listController(), "_visibleSectionIDs"))) out.push_back(text(s));
  return out;
}

NSInteger sectionIndex(const std::string& sectionID) {
  auto all = visibleSections();
  auto it = std::find(all.begin(), all.end(), sectionID);
  return it == all.end() ? -1 : static_cast<NSInteger>(it - all.begin());
}

// The number of rows the list's data source gives a section (nullopt: not listed).
std::optional<NSInteger> rowsIn(const std::string& sectionID) {
  NSInteger s = sectionIndex(sectionID);
  if (s < 0) return std::nullopt;
  return send<NSInteger>(listController(), sel<"tableView:numberOfRowsInSection:">(), listTable(), s);
}

// The table on screen, or an error saying why there is none.
objc::Result<id> shownTable() {
  if (!detail::launchedNow()) return detail::notLaunched().error();
  settle();
  id table = listTable();
  if (table == nil || send<id>(table, sel<"window">()) == nil) return objc::makeError("Notification Center is not shown");
  return table;
}

objc::Result<id> cellFor(const std::string& sectionID, NSInteger row) {
  auto table = shownTable();
  if (!table) return table;
  auto rows = rowsIn(sectionID);
  if (!rows || row < 0 || row >= *rows) {
    return objc::makeError("no row " + std::to_string(row) + " in section " + sectionID + " of Notification Center");
  }
  id cell = send<id>(*table, sel<"cellForRowAtIndexPath:">(), detail::indexPath(sectionIndex(sectionID), row));
  if (cell == nil) return objc::makeError("row " + std::to_string(row) + " of " + sectionID + " has no cell on screen");
  return cell;
}

objc::Result<id> headerFor(const std::string& sectionID) {
  auto table = shownTable();
  if (!table) return table;
  NSInteger s = sectionIndex(sectionID);
  id header = s < 0 ? nil : send<id>(*table, sel<"headerViewForSection:">(), s);
  if (!detail::isKind(header, "SBBulletinHeaderView")) {
    return objc::makeError("section " + sectionID + " has no header on screen");
  }
  return header;
}

objc::Status finish(objc::Status status) {
  settle();
  return status;
}

// Every table inside a view.
void collectTables(id view, std::vector<id>& out) {
  if (detail::isKind(view, "UITableView")) out.push_back(view);
  for (id sub : detail::elements(send<id>(view, sel<"subviews">()))) collectTables(sub, out);
}

}  // namespace

// ---- showing and hiding ----

objc::Status showNotificationCenter() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  send<void>(listController(), sel<"showListViewAnimated:">(), BOOL{YES});
  uikit::sim::letTimePass(kSlideWait);
  return finish(objc::Ok{});
}

objc::Status hideNotificationCenter() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  send<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
  uikit::sim::letTimePass(kSlideWait);
  return finish(objc::Ok{});
}

bool isNotificationCenterShown() {
  return detail::launchedNow() && send<BOOL>(listController(), sel<"listViewIsActive">());
}

// ---- fingers on the list ----

objc::Status tapRow(List list, const std::string& sectionID, NSInteger row) {
  if (list == List::LockScreen) return detail::awayTapRow(sectionID, row);
  objc::AutoreleasePool pool;
  auto cell = cellFor(sectionID, row);
  if (!cell) return cell.error();
  objc::Ref keep = objc::Ref::retain(*cell);
  auto status = uikit::sim::tap(*cell);
  uikit::sim::letTimePass(kSlideWait);  // the list may go up
  return finish(status);
}

objc::Status swipeRow(List list, const std::string& sectionID, NSInteger row, CGFloat distance, double seconds,
                      std::optional<CGFloat> fromX) {
  if (list == List::LockScreen) return detail::awaySwipeRow(sectionID, row, distance, seconds, fromX);
  objc::AutoreleasePool pool;
  auto cell = cellFor(sectionID, row);
  if (!cell) return cell.error();
  objc::Ref keep = objc::Ref::retain(*cell);
  CGRect bounds = send<CGRect>(*cell, sel<"bounds">());
  CGFloat x = fromX.value_or(bounds.size.width / 2), y = bounds.size.height / 2;
  // The finger moves in the table's coordinates: a row that follows the finger (a
  // tweak's swipe) does not carry the finger along with it.
  id surface = send<id>(*cell, sel<"superview">());
  if (surface == nil) surface = *cell;
  CGPoint start = uikit::convertPoint(CGPointMake(x, y), *cell, surface);
  auto finger = uikit::sim::Finger::down(surface, start);
  if (!finger) return finger.error();
  for (int i = 1; i <= kSwipeSteps && finger->isDown(); ++i) {
    auto moved = finger->moveTo(CGPointMake(start.x + distance * i / kSwipeSteps, start.y), seconds / kSwipeSteps);
    if (!moved) return moved;
  }
  return finish(finger->isDown() ? finger->up() : objc::Status(objc::Ok{}));
}

// The Delete confirmation of whichever table on screen shows one (Notification
// Center's, or the lock screen's own list).
objc::Status confirmDelete() {
  if (!detail::launchedNow()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  settle();
  for (id window : uikit::windows()) {
    if (send<BOOL>(window, sel<"isHidden">())) continue;
    std::vector<id> tables;
    collectTables(window, tables);
    for (id table : tables) {
      if (id button = uikit::tableDeleteConfirmationButton(table)) {
        objc::Ref keep = objc::Ref::retain(button);
        return finish(uikit::sim::tap(button));
      }
    }
  }
  return objc::makeError("no Delete confirmation is shown");
}

// A tap on the header's title, away from its clear button.
objc::Status tapHeader(const std::string& sectionID) {
  objc::AutoreleasePool pool;
  auto header = headerFor(sectionID);
  if (!header) return header.error();
  objc::Ref keep = objc::Ref::retain(*header);
  CGRect bounds = send<CGRect>(*header, sel<"bounds">());
  return finish(uikit::sim::tap(*header, CGPointMake(40, bounds.size.height / 2)));
}

// The clear button as a person uses it: its x, then "Clear".
objc::Status clearSection(const std::string& sectionID) {
  objc::AutoreleasePool pool;
  auto header = headerFor(sectionID);
  if (!header) return header.error();
  objc::Ref keep = objc::Ref::retain(*header);
  id button = objc::objectIvar(*header, "_clearButton");
  if (button == nil || send<BOOL>(button, sel<"isHidden">())) {
    return objc::makeError("section " + sectionID + " has no clear button");
  }
  for (int tap = 0; tap < 2; ++tap) {
    if (auto status = uikit::sim::tap(button); !status) return finish(status);
    settle();
  }
  return finish(objc::Ok{});
}

objc::Status tapWidget(const std::string& sectionID) {
  objc::AutoreleasePool pool;
  auto cell = cellFor(sectionID, 0);
  if (!cell) return cell.error();
  if (!detail::isKind(*cell, "SBWeeAppCell")) return objc::makeError("section " + sectionID + " is not a widget");
  objc::Ref keep = objc::Ref::retain(*cell);
  auto status = uikit::sim::tap(*cell);
  uikit::sim::letTimePass(kSlideWait);
  return finish(status);
}

// A finger drags the table to the offset and lets go, as its scroll view tells its
// delegate: the drag begins, the table moves, the drag ends (the table coasting on),
// and the table comes to rest.
objc::Status scrollNotificationCenter(CGFloat offset) {
  objc::AutoreleasePool pool;
  auto table = shownTable();
  if (!table) return table.error();
  objc::Ref keep = objc::Ref::retain(*table);
  id delegate = send<id>(*table, sel<"delegate">());
  auto tell = [&](SEL message, auto... args) {
    if (delegate && send<BOOL>(delegate, sel<"respondsToSelector:">(), message)) send<void>(delegate, message, *table, args...);
  };
  tell(sel<"scrollViewWillBeginDragging:">());
  CGPoint now = send<CGPoint>(*table, sel<"contentOffset">());
  send<void>(*table, sel<"setContentOffset:">(), CGPointMake(now.x, offset));
  tell(sel<"scrollViewDidEndDragging:willDecelerate:">(), BOOL{YES});
  tell(sel<"scrollViewDidEndDecelerating:">());
  return finish(objc::Ok{});
}

// ---- read-backs ----

RowInfo row(List list, const std::string& sectionID, NSInteger rowIndex) {
  if (list == List::LockScreen) return detail::awayRow(sectionID, rowIndex);
  RowInfo info;
  if (!detail::launchedNow()) return info;
  objc::AutoreleasePool pool;
  auto rows = rowsIn(sectionID);
  if (!rows || rowIndex < 0 || rowIndex >= *rows) return info;
  id controller = listController();
  id table = listTable();
  id path = detail::indexPath(sectionIndex(sectionID), rowIndex);
  info.height = send<CGFloat>(controller, sel<"tableView:heightForRowAtIndexPath:">(), table, path);
  id bulletin = send<id>(controller, sel<"_bulletinAtIndexPath:">(), path);
  info.message = text(send<id>(bulletin, sel<"message">()));
  info.bulletinID = text(send<id>(bulletin, sel<"bulletinID">()));
  id cell = table ? send<id>(table, sel<"cellForRowAtIndexPath:">(), path) : nil;
  bool hidden = info.height <= 0 || (cell && send<BOOL>(cell, sel<"isHidden">()));
  info.state = hidden ? RowState::Hidden : RowState::Visible;
  return info;
}

std::vector<std::string> sections(List list) {
  if (list == List::LockScreen) return detail::awaySections();
  if (!detail::launchedNow()) return {};
  objc::AutoreleasePool pool;
  return visibleSections();
}

NSInteger rowCount(List list, const std::string& sectionID) {
  if (list == List::LockScreen) return detail::awayRowCount(sectionID);
  if (!detail::launchedNow()) return 0;
  objc::AutoreleasePool pool;
  return rowsIn(sectionID).value_or(0);
}

// The header on screen, or the one the list would show now.
std::optional<std::string> headerTitle(const std::string& sectionID) {
  if (!detail::launchedNow()) return std::nullopt;
  objc::AutoreleasePool pool;
  NSInteger s = sectionIndex(sectionID);
  if (s < 0) return std::nullopt;
  id table = listTable();
  id header = table ? send<id>(table, sel<"headerViewForSection:">(), s) : nil;
  if (header == nil) header = send<id>(listController(), sel<"tableView:viewForHeaderInSection:">(), table, s);
  id label = objc::objectIvar(header, "_sectionLabel");
  if (label == nil) return std::nullopt;
  return text(send<id>(label, sel<"text">()));
}

}  // namespace sb6
