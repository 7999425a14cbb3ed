// The top shelf of Notification Center's list: with "TopShelfWidgets" set to N ≥ 1,
// the first N widgets (taken in the order of the list controller's section IDs) sit
// above the visible top of the list.  The table starts with a top inset of minus the
// shelf's height, so the shelf is hidden; let go after pulling the list down far
// enough and the inset animates to 0, showing the shelf, pushed up far enough and it
// animates back.  The table's content inset is the only record of the state.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

inline constexpr CGFloat kTopShelfWidgetSpacing = 5.0;
inline constexpr CGFloat kTopShelfPullThreshold = 60.0;
inline constexpr double kTopShelfAnimationSeconds = 0.2;

// Noctil topShelfHeight: the shelf's height in points (0 without a shelf): for each of
// the first N widgets, its viewHeight and 5 points.
CGFloat topShelfHeight(id self, SEL cmd);

// SBBulletinTableView initWithFrame:linenView:.
extern hook::Slot<id(CGRect, id)> gTableInit;
id tableInitReplacement(id self, SEL cmd, CGRect frame, id linenView);

// SBBulletinListController scrollViewDidEndDragging:willDecelerate:.
extern hook::Slot<void(id, BOOL)> gDidEndDragging;
void didEndDraggingReplacement(id self, SEL cmd, id scrollView, BOOL decelerate);

}  // namespace noctil6
