// Folded sections of Notification Center's list: with "Collapsible" on, a tap on a
// section's header folds the section (its rows stay in the table but take no height
// and show nothing, and the header's title carries the number of notifications), a
// second tap unfolds it.  The folded set is the option "CollapsibleSections", saved
// to the options file at every tap; a notification arriving while the list is shown
// unfolds its section in memory only.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

inline constexpr CGFloat kFoldedTitleWidening = 32.0;

// SBBulletinHeaderView touchesEnded:withEvent: (the header only inherits it: the slot
// holds the superclass forwarder).
extern hook::Slot<void(id, id)> gHeaderTouchesEnded;
void headerTouchesEndedReplacement(id self, SEL cmd, id touches, id event);

// SBBulletinListController tableView:heightForRowAtIndexPath:,
// tableView:viewForHeaderInSection:, tableView:cellForRowAtIndexPath: and
// observer:addBulletin:forFeed:.
extern hook::Slot<CGFloat(id, id)> gHeightForRow;
extern hook::Slot<id(id, NSInteger)> gViewForHeader;
extern hook::Slot<id(id, id)> gCellForRow;
extern hook::Slot<void(id, id, NSUInteger)> gAddBulletin;
CGFloat heightForRowReplacement(id self, SEL cmd, id tableView, id indexPath);
id viewForHeaderReplacement(id self, SEL cmd, id tableView, NSInteger section);
id cellForRowReplacement(id self, SEL cmd, id tableView, id indexPath);
void addBulletinReplacement(id self, SEL cmd, id observer, id bulletin, NSUInteger feed);

// Whether the section is folded now: "Collapsible" on and the ID in the folded set.
BOOL isSectionFolded(id sectionID);

}  // namespace noctil6
