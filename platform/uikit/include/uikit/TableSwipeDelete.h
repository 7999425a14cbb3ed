// Swipe to delete on UITableView, as iOS 6 does it when the table's data source
// answers tableView:commitEditingStyle:forRowAtIndexPath:.
//
// Such a table carries its own UISwipeGestureRecognizer (left or right, the table its
// target with action _swipe: and its delegate), put on when the data source is set
// or at the next layout.  The table lets the swipe begin (gestureRecognizerShouldBegin:)
// only when it is not in editing mode, no confirmation is showing, the swipe starts
// on a row, the data source's tableView:canEditRowAtIndexPath: answers YES (asked
// when it answers it; YES otherwise) and the delegate's
// tableView:editingStyleForRowAtIndexPath: answers Delete (1; asked when it answers
// it).  A recognised swipe shows the row's Delete confirmation: the delegate hears
// tableView:willBeginEditingRowAtIndexPath:, the cell willTransitionToState: 2
// (UITableViewCellStateShowingDeleteConfirmationMask), a red "Delete" button (class
// UITableViewCellDeleteConfirmationControl, a UIButton) appears at the right end of
// the cell, the cell didTransitionToState: 2, and the cell's
// showingDeleteConfirmation answers YES.
//
// Tapping Delete takes the confirmation away (the cell goes back to state 0 and the
// delegate hears tableView:didEndEditingRowAtIndexPath:) and then sends the data
// source tableView:commitEditingStyle: 1 (UITableViewCellEditingStyleDelete)
// forRowAtIndexPath:, which deletes the row as it likes.  A touch anywhere else in
// the table only takes the confirmation away: that touch selects nothing.  Reloading
// the table, a new data source, editing mode and the row's cell leaving the screen
// take it away too.
#pragma once

#include <objcface/NSObject.h>

namespace uikit {

inline constexpr NSInteger UITableViewCellEditingStyleNone = 0;
inline constexpr NSInteger UITableViewCellEditingStyleDelete = 1;
inline constexpr NSUInteger UITableViewCellStateDefaultMask = 0;
inline constexpr NSUInteger UITableViewCellStateShowingDeleteConfirmationMask = 1 << 1;

Class UITableViewCellDeleteConfirmationControlClass();

// The Delete confirmation button a table shows now, or nil (nil for nil or any other
// object).
id tableDeleteConfirmationButton(id table);
// The swipe recogniser of a table, or nil when it has none.
id tableSwipeToDeleteRecognizer(id table);

}  // namespace uikit
