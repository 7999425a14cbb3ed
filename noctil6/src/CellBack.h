// The dark back of Notification Center's cells: with a cell back alpha other than 0
// each new SBBulletinListCell gets black at that alpha behind its content (its own
// background view when it has one, else a plain view tagged kCellBackTag), kept as
// tall as the cell at every layout.  The cell's initialiser replacement is shared
// with swipe to delete, which installs its recogniser right after the back.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// The tag of the back view a cell gets when it has no background view of its own.
inline constexpr NSInteger kCellBackTag = 123;

// SBBulletinListCell initWithLinenView:reuseIdentifier:: the previous implementation,
// then addCellBackView, then installCellSwipe.
extern hook::Slot<id(id, id)> gCellInit;
id cellInitReplacement(id self, SEL cmd, id linenView, id reuseIdentifier);

// SBBulletinListCell layoutSubviews: the back view takes the cell's height, then the
// previous implementation runs.
extern hook::Slot<void()> gCellLayoutSubviews;
void cellLayoutSubviewsReplacement(id self, SEL cmd);

// Gives a new cell its back as the options say now (nothing while the alpha is 0).
void addCellBackView(id cell);

// The swipe-to-delete half of a new Notification Center cell, run by
// cellInitReplacement after the back view; defined by the swipe-to-delete code
// (Swipe.cpp).
void installCellSwipe(id cell);

}  // namespace noctil6
