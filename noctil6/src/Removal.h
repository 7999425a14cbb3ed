// Deleting one notification and clearing a section, with what follows from each: the
// stored copy of the notification leaves the Mail archive or its app's push store, a
// text message is marked read, the notification leaves the lock screen's own list
// (while the device is locked and its camera is not active) and Notification
// Center's list, and the app's badge goes down by one, or away when the section is
// cleared.  The options "SDRemoveBadge" and "SDMarkSMSAsRead" govern a deletion,
// "CSRemoveBadge" and "CSMarkSMSAsRead" a cleared section.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// The lock screen's own list controller: the away view's bulletinController.
id lockScreenListController();

// The notification a lock-screen cell shows: the first of the lock screen's list items
// whose active notification has the bulletin ID of the cell's action context; nil
// when none has.
id notificationOfLockScreenCell(id cell);

// The notification a Notification Center cell shows: the list controller's
// _bulletinAtIndexPath: for the cell's index path in the list table; nil when the
// cell is not in the table.
id notificationOfListCell(id cell);

// Deletes a notification swiped away: the override of the next row animation is set
// to `animation` (and set again after the lock screen's list, whose deletion spends
// it), then the side effects run.  A nil notification deletes nothing.
void deleteSwipedNotification(id notification, int animation);

// Deletes a notification whose Delete confirmation was tapped: the same side effects,
// the rows going out in the middle.
void deleteConfirmedNotification(id notification);

// The badge step: lowers the badge of the section's app by one ("SDRemoveBadge"), or
// with clearAll removes it ("CSRemoveBadge").
void updateBadge(id sectionID, BOOL clearAll);

// SBBulletinListController _clearSection: (the section ID).
extern hook::Slot<void(id)> gClearSection;
void clearSectionReplacement(id self, SEL cmd, id sectionID);

}  // namespace noctil6
