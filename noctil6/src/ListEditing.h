// The editing methods the tweak gives SBBulletinListController once SpringBoard has
// finished launching: tableView:canEditRowAtIndexPath: and
// tableView:commitEditingStyle:forRowAtIndexPath: as the list table's data source,
// and on an iPad gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:
// as its gesture delegate.  They act in confirm mode ("NoctilEnabled",
// "SwipeToDelete" and "SDRequireConfirm" all on): a row of a notification that may
// be cleared can be swiped to its Delete confirmation, the confirmed Delete removes
// the notification with its side effects (Removal.h), and on an iPad the list's pan
// runs alongside the table's swipe.  Otherwise no row is editable.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

// Adds the methods the list controller does not answer yet (a method it has is left
// alone).  Nothing happens when the class is missing.
void addListEditingMethods();

}  // namespace noctil6
