// The cell action menu: a long press on a notification cell, on the lock screen or in
// Notification Center, shows the edit menu with "Delete" and "Clear All".  Lock-screen
// cells get a long-press recogniser of this tweak; Notification Center cells keep the
// host's own and only get the two items put into the menu before it shows.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil7 {

inline constexpr const char* kSettingsBundlePath = "/Library/PreferenceBundles/NoctilSettings.bundle";
inline constexpr double kPressDuration = 0.3;

extern hook::Slot<BOOL(id)> gShouldShowMenuForCell;
extern hook::Slot<id(id, id)> gLockCellForRow;
extern hook::Slot<BOOL(SEL, id)> gLockCellCanPerform;
extern hook::Slot<BOOL(SEL, id)> gCenterCellCanPerform;
extern hook::Slot<void(id)> gLongPressRecognized;
extern hook::Slot<void()> gSetupMenuGesture;

// UITableView _shouldShowMenuForCell:
BOOL tableShouldShowMenuForCell(id self, SEL cmd, id cell);
// SBLockScreenNotificationListView tableView:cellForRowAtIndexPath:
id lockListCellForRow(id self, SEL cmd, id tableView, id indexPath);
// canBecomeFirstResponder of both cell kinds.
BOOL cellCanBecomeFirstResponder(id self, SEL cmd);
BOOL centerCellCanBecomeFirstResponder(id self, SEL cmd);
// canPerformAction:withSender: of each cell kind.
BOOL lockCellCanPerform(id self, SEL cmd, SEL action, id sender);
BOOL centerCellCanPerform(id self, SEL cmd, SEL action, id sender);
// Added methods.
void cellLongPress(id self, SEL cmd, id recognizer);
void cellDelete(id self, SEL cmd, id sender);
void cellClearAll(id self, SEL cmd, id sender);
// SBNotificationsBulletinCell _longPressGestureRecognized: and _setupMenuGesture.
void centerCellLongPressRecognized(id self, SEL cmd, id recognizer);
void centerCellSetupMenuGesture(id self, SEL cmd);

// Puts Delete and Clear All into the shared menu (when the option is on).
void installActionMenuItems();

}  // namespace noctil7
