// The one-shot row animation of the next table deletion: a swipe deletes its row
// sliding the way the finger went, a confirmed delete or a cleared section takes the
// rows away in the middle.  The value is set just before the deletion is asked for
// and the next deleteRowsAtIndexPaths:withRowAnimation: or
// deleteSections:withRowAnimation: of either list table uses it in place of the
// caller's animation and puts it back to "none".
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// UIKit's row animations that the override takes, and "no override".
inline constexpr int kNoRowAnimation = -1;
inline constexpr int kRowAnimationRight = 1;
inline constexpr int kRowAnimationLeft = 2;
inline constexpr int kRowAnimationMiddle = 6;

// The override now (kNoRowAnimation when none); main thread only.
int deleteRowAnimation();
void setDeleteRowAnimation(int animation);

// SBBulletinTableView deleteRowsAtIndexPaths:withRowAnimation: and
// deleteSections:withRowAnimation:, SBAwayBulletinTableView
// deleteRowsAtIndexPaths:withRowAnimation:.
extern hook::Slot<void(id, NSInteger)> gTableDeleteRows;
extern hook::Slot<void(id, NSInteger)> gTableDeleteSections;
extern hook::Slot<void(id, NSInteger)> gAwayTableDeleteRows;
void tableDeleteRowsReplacement(id self, SEL cmd, id indexPaths, NSInteger animation);
void tableDeleteSectionsReplacement(id self, SEL cmd, id sections, NSInteger animation);
void awayTableDeleteRowsReplacement(id self, SEL cmd, id indexPaths, NSInteger animation);

}  // namespace noctil6
