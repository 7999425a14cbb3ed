#include "FoldedSections.h"

#include "Cells.h"
#include "Launch.h"
#include "Options.h"

#include <noctil/OptionsWriteBack.h>
#include <noctil/SectionTitles.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <string>

namespace noctil7 {

hook::Slot<void(id, id)> gHeaderTouchesEnded;
hook::Slot<id(id, id)> gBulletinCellForRow;
hook::Slot<CGFloat(id, id)> gBulletinHeightForRow;
hook::Slot<id(id, NSInteger)> gBulletinViewForHeader;
hook::Slot<void(id, NSUInteger, id)> gInsertBulletin;

namespace {

using objc::sel;

// UIKit's automatic row animation.
constexpr NSInteger kAutomaticRowAnimation = 100;

NSInteger sectionOf(id indexPath) { return objc::send<NSInteger>(indexPath, sel<"section">()); }

void reloadSection(id tableView, NSInteger index) {
  id indexes = objc::send<id>(objc_lookUpClass("NSIndexSet"), sel<"indexSetWithIndex:">(), static_cast<NSUInteger>(index));
  objc::send<void>(tableView, sel<"reloadSections:withRowAnimation:">(), indexes, kAutomaticRowAnimation);
}

// Writes the whole folded set under "foldedSections", keeping every other option
// (noctil/OptionsWriteBack.h).  Nothing is written when the file is missing or
// unreadable, and no change notification is posted, so the options are not reloaded.
void saveFoldedSet() {
  noctil::storeOptionValue(kOptionsPath, "foldedSections", options().foldedSections.get());
}

}  // namespace

BOOL isSectionFolded(id identifier) {
  const Options& o = options();
  if (!o.collapsible || !o.foldedSections || identifier == nil) return NO;
  return objc::send<BOOL>(o.foldedSections, sel<"containsObject:">(), identifier);
}

void headerTouchesEnded(id self, SEL cmd, id touches, id event) {
  // The section reload may let the table drop its header views; this one is still
  // handed to the host's own method at the end.
  objc::Ref keep = objc::Ref::retain(self);
  if (options().collapsible && options().foldedSections) {
    objc::AutoreleasePool pool;
    id controller = visibleBulletinViewController();
    id tableView = objc::send<id>(controller, sel<"tableView">());
    NSInteger index = objc::send<NSInteger>(tableView, sel<"_sectionForHeaderView:">(), self);
    // A header the list does not know (or a list that is not there) changes nothing.
    if (id identifier = sectionIdentifierAt(controller, index)) {
      id folded = options().foldedSections;
      if (objc::send<BOOL>(folded, sel<"containsObject:">(), identifier))
        objc::send<void>(folded, sel<"removeObject:">(), identifier);
      else
        objc::send<void>(folded, sel<"addObject:">(), identifier);
      reloadSection(tableView, index);
      saveFoldedSet();
    }
  }
  gHeaderTouchesEnded(self, cmd, touches, event);
}

id bulletinCellForRow(id self, SEL cmd, id tableView, id indexPath) {
  id cell = gBulletinCellForRow(self, cmd, tableView, indexPath);
  BOOL folded = isSectionFolded(sectionIdentifierAt(self, sectionOf(indexPath)));
  objc::send<void>(cell, sel<"setHidden:">(), folded);
  return cell;
}

CGFloat bulletinHeightForRow(id self, SEL cmd, id tableView, id indexPath) {
  if (isSectionFolded(sectionIdentifierAt(self, sectionOf(indexPath)))) return 0.0;
  return gBulletinHeightForRow(self, cmd, tableView, indexPath);
}

id bulletinViewForHeader(id self, SEL cmd, id tableView, NSInteger section) {
  id view = gBulletinViewForHeader(self, cmd, tableView, section);
  if (!isKindOfClassNamed(view, "SBNotificationsSectionHeaderView")) return view;
  objc::AutoreleasePool pool;
  BOOL translucent = options().bgSettingsEnabled || objc::send<BOOL>(tweakController(), sel<"bgImageEnabled">());
  objc::send<void>(objc::objectIvar(view, "_backdrop"), sel<"setAlpha:">(), CGFloat{translucent ? 0.6 : 1.0});
  if (!isSectionFolded(sectionIdentifierAt(self, section))) return view;

  id label = objc::objectIvar(view, "_titleLabel");
  NSInteger count = objc::send<NSInteger>(self, sel<"tableView:numberOfRowsInSection:">(),
                                          objc::send<id>(self, sel<"tableView">()), section);
  objc::send<void>(label, sel<"setText:">(), noctil::titleWithCount(objc::send<id>(label, sel<"text">()), count));
  return view;
}

void insertBulletin(id self, SEL cmd, id bulletin, NSUInteger index, id sectionInfo) {
  id sections = objc::objectIvar(self, "_orderedSections");
  if (options().collapsible && options().foldedSections && sections != nil &&
      objc::send<NSUInteger>(sections, sel<"count">()) > 0) {
    objc::AutoreleasePool pool;
    id center = objc::send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">());
    id identifier = objc::send<id>(sectionInfo, sel<"identifier">());
    if (objc::send<BOOL>(center, sel<"isVisible">()) && objc::send<BOOL>(sections, sel<"containsObject:">(), sectionInfo) &&
        identifier != nil && objc::send<BOOL>(options().foldedSections, sel<"containsObject:">(), identifier)) {
      // Unfolded in memory only: the options file keeps listing the section.
      objc::send<void>(options().foldedSections, sel<"removeObject:">(), identifier);
      auto position = static_cast<NSInteger>(objc::send<NSUInteger>(sections, sel<"indexOfObject:">(), sectionInfo));
      reloadSection(objc::send<id>(self, sel<"tableView">()), position);
    }
  }
  gInsertBulletin(self, cmd, bulletin, index, sectionInfo);
}

}  // namespace noctil7
