// Folded sections of Notification Center: a tap on a section's header folds it (its
// rows stay but are hidden and take no height, and the header's title carries the
// number of notifications), a second tap unfolds it.  The folded set lives in the
// options and is written back to the options file on every tap.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil7 {

extern hook::Slot<void(id, id)> gHeaderTouchesEnded;
extern hook::Slot<id(id, id)> gBulletinCellForRow;
extern hook::Slot<CGFloat(id, id)> gBulletinHeightForRow;
extern hook::Slot<id(id, NSInteger)> gBulletinViewForHeader;
extern hook::Slot<void(id, NSUInteger, id)> gInsertBulletin;

// SBNotificationsSectionHeaderView touchesEnded:withEvent:
void headerTouchesEnded(id self, SEL cmd, id touches, id event);
// SBBulletinViewController tableView:cellForRowAtIndexPath:
id bulletinCellForRow(id self, SEL cmd, id tableView, id indexPath);
// SBBulletinViewController tableView:heightForRowAtIndexPath:
CGFloat bulletinHeightForRow(id self, SEL cmd, id tableView, id indexPath);
// SBBulletinViewController tableView:viewForHeaderInSection:
id bulletinViewForHeader(id self, SEL cmd, id tableView, NSInteger section);
// SBBulletinViewController _insertBulletin:atIndex:inSection:
void insertBulletin(id self, SEL cmd, id bulletin, NSUInteger index, id sectionInfo);

// Whether the section with this identifier is folded now ("Collapsible" on and the
// identifier in the folded set).
BOOL isSectionFolded(id identifier);

}  // namespace noctil7
