#include "PassThroughHooks.h"

namespace noctil6 {

hook::Slot<CGFloat(id, id)> gHeightForRow;
hook::Slot<id(id, NSInteger)> gViewForHeader;
hook::Slot<id(id, id)> gCellForRow;
hook::Slot<void(id, id, NSUInteger)> gAddBulletin;
hook::Slot<void(id, BOOL)> gDidEndDragging;
hook::Slot<void(id, id)> gHeaderTouchesEnded;
hook::Slot<id(CGRect, id)> gTableInit;
hook::Slot<void(BOOL, BOOL)> gShowsNoNotificationsLabel;

}  // namespace noctil6
