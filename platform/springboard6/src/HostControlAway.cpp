// Host control, the lock screen's own list: rows read back and touched through the
// lock screen's window (AwayListAccess.h).
#include "AwayListAccess.h"

#include "Common.h"
#include "HostControlState.h"

#include <uikit/Simulation.h>
#include <uikit/UIView.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr int kSwipeSteps = 10;
constexpr CGFloat kIconTouchX = 30;  // on the row's app icon

id listController() { return send<id>(send<id>(awayController(), sel<"awayView">()), sel<"bulletinController">()); }
id table() { return send<id>(send<id>(listController(), sel<"view">()), sel<"tableView">()); }

std::string sectionOf(id item) { return text(send<id>(send<id>(item, sel<"activeBulletin">()), sel<"sectionID">())); }

// The table row of the row-th notification of a section; nullopt when there is none.
std::optional<NSInteger> locate(const std::string& sectionID, NSInteger row) {
  if (!launchedNow() || row < 0) return std::nullopt;
  NSInteger tableRow = 0, seen = 0;
  for (id item : elements(send<id>(listController(), sel<"listItems">()))) {
    if (sectionOf(item) == sectionID && seen++ == row) return tableRow;
    ++tableRow;
  }
  return std::nullopt;
}

objc::Result<id> cellFor(const std::string& sectionID, NSInteger row) {
  if (!launchedNow()) return notLaunched().error();
  settle();
  auto place = locate(sectionID, row);
  if (!place) return objc::makeError("no row " + std::to_string(row) + " in section " + sectionID + " of the lock screen");
  id cell = send<id>(table(), sel<"cellForRowAtIndexPath:">(), indexPath(0, *place));
  if (cell == nil || send<id>(cell, sel<"window">()) == nil) {
    return objc::makeError("row " + std::to_string(row) + " of " + sectionID + " has no cell on screen");
  }
  return cell;
}

objc::Status dragAcross(id cell, CGFloat fromX, CGFloat distance, double seconds) {
  objc::Ref keep = objc::Ref::retain(cell);
  CGFloat y = send<CGRect>(cell, sel<"bounds">()).size.height / 2;
  // The finger moves in the table's coordinates: a row that follows the finger (a
  // tweak's swipe) does not carry the finger along with it.
  id surface = send<id>(cell, sel<"superview">());
  if (surface == nil) surface = cell;
  CGPoint start = uikit::convertPoint(CGPointMake(fromX, y), cell, surface);
  auto finger = uikit::sim::Finger::down(surface, start);
  if (!finger) return finger.error();
  for (int i = 1; i <= kSwipeSteps && finger->isDown(); ++i) {
    auto moved = finger->moveTo(CGPointMake(start.x + distance * i / kSwipeSteps, start.y), seconds / kSwipeSteps);
    if (!moved) return moved;
  }
  auto lifted = finger->isDown() ? finger->up() : objc::Status(objc::Ok{});
  settle();
  return lifted;
}

}  // namespace

RowInfo awayRow(const std::string& sectionID, NSInteger row) {
  RowInfo info;
  auto place = locate(sectionID, row);
  if (!place) return info;
  objc::AutoreleasePool pool;
  id path = indexPath(0, *place);
  id controller = listController();
  info.height = send<CGFloat>(controller, sel<"tableView:heightForRowAtIndexPath:">(), table(), path);
  id bulletin = send<id>(send<id>(controller, sel<"listItemAtIndexPath:">(), path), sel<"activeBulletin">());
  info.message = text(send<id>(bulletin, sel<"message">()));
  info.bulletinID = text(send<id>(bulletin, sel<"bulletinID">()));
  id cell = send<id>(table(), sel<"cellForRowAtIndexPath:">(), path);
  bool hidden = info.height <= 0 || (cell && send<BOOL>(cell, sel<"isHidden">())) ||
                send<BOOL>(send<id>(controller, sel<"view">()), sel<"isHidden">());
  info.state = hidden ? RowState::Hidden : RowState::Visible;
  return info;
}

std::vector<std::string> awaySections() {
  std::vector<std::string> result;
  if (!launchedNow()) return result;
  objc::AutoreleasePool pool;
  for (id item : elements(send<id>(listController(), sel<"listItems">()))) {
    std::string section = sectionOf(item);
    if (std::find(result.begin(), result.end(), section) == result.end()) result.push_back(section);
  }
  return result;
}

NSInteger awayRowCount(const std::string& sectionID) {
  NSInteger n = 0;
  while (locate(sectionID, n)) ++n;
  return n;
}

objc::Status awayTapRow(const std::string& sectionID, NSInteger row) {
  objc::AutoreleasePool pool;
  auto cell = cellFor(sectionID, row);
  if (!cell) return cell.error();
  CGFloat width = send<CGRect>(*cell, sel<"bounds">()).size.width;
  return dragAcross(*cell, kIconTouchX, width, 0.3);
}

objc::Status awaySwipeRow(const std::string& sectionID, NSInteger row, CGFloat distance, double seconds,
                          std::optional<CGFloat> fromX) {
  objc::AutoreleasePool pool;
  auto cell = cellFor(sectionID, row);
  if (!cell) return cell.error();
  CGFloat start = fromX.value_or(send<CGRect>(*cell, sel<"bounds">()).size.width / 2);
  return dragAcross(*cell, start, distance, seconds);
}

}  // namespace sb6::detail
