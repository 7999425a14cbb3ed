// The lock screen's own list for HostControl's functions that take a List (row,
// sections, rowCount, tapRow, swipeRow): their List::LockScreen half, which the list
// group's HostControl file calls.  Rows count from 0 within a section, newest first.
#pragma once

#include <springboard6/HostControl.h>

#include <optional>
#include <string>
#include <vector>

namespace sb6::detail {

RowInfo awayRow(const std::string& sectionID, NSInteger row);
std::vector<std::string> awaySections();
NSInteger awayRowCount(const std::string& sectionID);
// The row's own action: its icon slid to the end with a finger.
objc::Status awayTapRow(const std::string& sectionID, NSInteger row);
// A horizontal drag across the row's cell through the lock screen's window.
objc::Status awaySwipeRow(const std::string& sectionID, NSInteger row, CGFloat distance, double seconds,
                          std::optional<CGFloat> fromX);

}  // namespace sb6::detail
