// The item of a lock screen's notification list, the same on iOS 6 and iOS 7.
//
//   SBAwayBulletinListItem : NSObject — initWithBulletin:(BBBulletin); bulletins (the
//     NSMutableArray of the item's notifications, the shown one first);
//     activeBulletin (the first, nil when empty); bulletinWithID:(NSString) → the
//     item's notification with that bulletin ID, or nil.
#pragma once

namespace sbcommon {

// Registers SBAwayBulletinListItem; a second call does nothing.
void registerAwayBulletinListItemClass();

}  // namespace sbcommon
