#include "PassThroughHooks.h"

namespace noctil6 {

hook::Slot<void(id)> gHandlePan;
hook::Slot<void(id)> gClearSection;
hook::Slot<CGFloat(id, id)> gHeightForRow;
hook::Slot<id(id, NSInteger)> gViewForHeader;
hook::Slot<id(id, id)> gCellForRow;
hook::Slot<void(id, id, NSUInteger)> gAddBulletin;
hook::Slot<void(id, BOOL)> gDidEndDragging;
hook::Slot<void(id, id)> gHeaderTouchesEnded;
hook::Slot<void(id, NSInteger)> gTableDeleteRows;
hook::Slot<void(id, NSInteger)> gTableDeleteSections;
hook::Slot<id(CGRect, id)> gTableInit;
hook::Slot<void(BOOL, BOOL)> gShowsNoNotificationsLabel;
hook::Slot<id(id)> gAwayCellInit;
hook::Slot<void()> gAwayCellLayoutSubviews;
hook::Slot<void(id, NSInteger)> gAwayTableDeleteRows;

}  // namespace noctil6
