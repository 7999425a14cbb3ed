#include "RowAnimation.h"

namespace noctil6 {

hook::Slot<void(id, NSInteger)> gTableDeleteRows;
hook::Slot<void(id, NSInteger)> gTableDeleteSections;
hook::Slot<void(id, NSInteger)> gAwayTableDeleteRows;

namespace {

int gDeleteRowAnimation = kNoRowAnimation;

// The override, when one is set, goes in place of the caller's animation, and is
// spent by this deletion whatever happens.
template <auto& TheSlot>
void deleteWithOverride(id self, SEL cmd, id what, NSInteger requested) {
  const NSInteger animation = gDeleteRowAnimation > 0 ? NSInteger{gDeleteRowAnimation} : requested;
  TheSlot(self, cmd, what, animation);
  gDeleteRowAnimation = kNoRowAnimation;
}

}  // namespace

int deleteRowAnimation() { return gDeleteRowAnimation; }
void setDeleteRowAnimation(int animation) { gDeleteRowAnimation = animation; }

void tableDeleteRowsReplacement(id self, SEL cmd, id indexPaths, NSInteger animation) {
  deleteWithOverride<gTableDeleteRows>(self, cmd, indexPaths, animation);
}

void tableDeleteSectionsReplacement(id self, SEL cmd, id sections, NSInteger animation) {
  deleteWithOverride<gTableDeleteSections>(self, cmd, sections, animation);
}

void awayTableDeleteRowsReplacement(id self, SEL cmd, id indexPaths, NSInteger animation) {
  deleteWithOverride<gAwayTableDeleteRows>(self, cmd, indexPaths, animation);
}

}  // namespace noctil6
