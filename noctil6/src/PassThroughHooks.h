// The entries of the method table whose behaviour belongs to swipe to delete, folded
// sections with the top shelf and empty label, the list background and the banner
// close box.  Their replacements are installed now, in the table's order, with their
// slots and forwarders, and only run the previous implementation with the same
// arguments; each feature replaces its pass-through by its own code.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// A replacement that runs the previous implementation in TheSlot and answers its result.
template <auto& TheSlot, class R, class... Args>
R passThrough(id self, SEL cmd, Args... args) {
  return TheSlot(self, cmd, args...);
}

// SBBulletinListController.
extern hook::Slot<CGFloat(id, id)> gHeightForRow;
extern hook::Slot<id(id, NSInteger)> gViewForHeader;
extern hook::Slot<id(id, id)> gCellForRow;
extern hook::Slot<void(id, id, NSUInteger)> gAddBulletin;
extern hook::Slot<void(id, BOOL)> gDidEndDragging;
// SBBulletinHeaderView touchesEnded:withEvent:.
extern hook::Slot<void(id, id)> gHeaderTouchesEnded;
// SBBulletinTableView.
extern hook::Slot<id(CGRect, id)> gTableInit;
// SBBulletinListView.
extern hook::Slot<void(BOOL, BOOL)> gShowsNoNotificationsLabel;

}  // namespace noctil6
