// The list view's background: the colour tint over a see-through list, the status
// bar strip that disappears with it, and the back view, an image view at the back of
// the list's sliding view showing a still picture of the screen (blurred or not), the
// user's picture, or both (the picture in front of a blurred screen).  One back view
// exists at a time; it belongs to the list view it was made for and goes with it.  A
// back view showing the screen moves against the sliding view, so it stays still on
// screen while the list slides.  On phones the lock screen's list leaves room for the
// lock bar when the lock bar can be dragged through the list.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// Room left at the bottom of the lock screen's list for the lock bar, and the status
// bar strip above the table.
inline constexpr CGFloat kLockBarRoom = 96.0;
inline constexpr CGFloat kStatusStripHeight = 20.0;

// SBBulletinListView initWithFrame:delegate:: the previous implementation, then the
// tint and status bar step (see-through lists only), then the back view.
extern hook::Slot<id(CGRect, id)> gListViewInit;
id listViewInitReplacement(id self, SEL cmd, CGRect frame, id delegate);

// SBBulletinListView positionSlidingViewAtY:.
extern hook::Slot<void(CGFloat)> gPositionSlidingView;
void positionSlidingViewReplacement(id self, SEL cmd, CGFloat y);

// SBBulletinListView dealloc: the back view goes with the list view that holds it.
extern hook::Slot<void()> gListViewDealloc;
void listViewDeallocReplacement(id self, SEL cmd);

// SBBulletinTableView layoutSubviews: the lock-bar room.
extern hook::Slot<void()> gTableLayoutSubviews;
void tableLayoutSubviewsReplacement(id self, SEL cmd);

// Noctil useBackView: whether a new list view gets a back view.  Never when +linen
// answers a picture (the list is then drawn over that texture); otherwise when the
// list is opaque, blurred, or shows the user's picture.
BOOL useBackView(id self, SEL cmd);

}  // namespace noctil6
