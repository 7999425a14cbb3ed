// Swipe to delete: a sideways swipe across a notification's cell deletes the
// notification, on the lock screen's own list (SBAwayBulletinCell) and on
// Notification Center's list (SBBulletinListCell).  Each new cell gets a pan
// recogniser whose host is the cell itself (on iOS 6) or, below iOS 6, a
// BBAwayCellPanGestureView laid over a lock-screen cell.  A swipe begins only when
// it moves more sideways than up or down, and only on a notification that may be
// cleared; the cell follows the finger, and let go more than 100 points from where
// the swipe began, or faster than 300 points a second, the notification is deleted
// (Removal.h); otherwise the cell slides back.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

inline constexpr CGFloat kSwipeStartMargin = 100.0;   // a swipe beginning left of this is cancelled
inline constexpr CGFloat kSwipeDeleteDistance = 100.0;
inline constexpr CGFloat kSwipeDeleteVelocity = 300.0;  // points per second
inline constexpr double kSwipeReturnSeconds = 0.15;

// SBAwayBulletinCell initWithReuseIdentifier: and layoutSubviews.
extern hook::Slot<id(id)> gAwayCellInit;
extern hook::Slot<void()> gAwayCellLayoutSubviews;
id awayCellInitReplacement(id self, SEL cmd, id reuseIdentifier);
void awayCellLayoutSubviewsReplacement(id self, SEL cmd);

// Installs the swipe on a new Notification Center cell, when "SwipeToDelete" is on
// and "SDRequireConfirm" off (with a confirmation the table's own swipe deletes).
// The cell's initWithLinenView:reuseIdentifier: replacement calls it last.
void installCellSwipe(id cell);

// The swipe's state machine for a cell and its pan recogniser.
void handleCellPan(id cell, id recognizer);

// SBBulletinListController handlePan:: on an iPad with swipe to delete, the list's
// own pan does not begin over the table (but for its bottom 50 points), where a
// swipe across a row belongs to the row.
extern hook::Slot<void(id)> gHandlePan;
void listHandlePanReplacement(id self, SEL cmd, id recognizer);

}  // namespace noctil6
