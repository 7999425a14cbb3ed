// The editing methods the tweak gives SBBulletinListController once SpringBoard has
// finished launching: tableView:canEditRowAtIndexPath: and
// tableView:commitEditingStyle:forRowAtIndexPath: as the list table's data source,
// and on an iPad gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:
// as its gesture delegate.  For now no row is editable, nothing is committed and no
// gesture is shared; swipe to delete gives them their behaviour.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

// Adds the methods the list controller does not answer yet (a method it has is left
// alone).  Nothing happens when the class is missing.
void addListEditingMethods();

}  // namespace noctil6
