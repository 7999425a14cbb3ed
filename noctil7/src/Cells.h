// Helpers shared by the cell menu, the folded sections and the removal code: the
// host's notification cell classes and objects reached by name at each use.
#pragma once

#include <objcface/Send.h>

namespace noctil7 {

// Whether `object` is a kind of the named class; NO when the class does not exist.
BOOL isKindOfClassNamed(id object, const char* className);

// Whether `cell` is a notification cell (Notification Center's or the lock screen's).
BOOL isNotificationCell(id cell);

// An autoreleased NSString from UTF-8.
id nsString(const char* utf8);

// The visible Notification Center list controller: SBNotificationCenterController's
// shared instance, its view controller's `_modeController`, the selected mode, its
// bulletinViewController.  nil when any step is missing.
id visibleModeViewController();
id visibleBulletinViewController();

// The identifier of entry `index` of a bulletin view controller's `_orderedSections`,
// or nil when the ivar is missing or the index is out of range.
id sectionIdentifierAt(id bulletinViewController, NSInteger index);

}  // namespace noctil7
