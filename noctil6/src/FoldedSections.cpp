#include "FoldedSections.h"

#include "HostAccess.h"
#include "MarkRead.h"
#include "Options.h"

#include <noctil/OptionsWriteBack.h>
#include <noctil/SectionTitles.h>
#include <objcface/NSObject.h>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id, id)> gHeaderTouchesEnded;
hook::Slot<CGFloat(id, id)> gHeightForRow;
hook::Slot<id(id, NSInteger)> gViewForHeader;
hook::Slot<id(id, id)> gCellForRow;
hook::Slot<void(id, id, NSUInteger)> gAddBulletin;

namespace {

// UIKit's row animations for the reloads: automatic for a tap, none for an arrival.
constexpr NSInteger kAutomaticRowAnimation = 100;
constexpr NSInteger kNoAnimation = 5;

// The list controller's _visibleSectionIDs: table section i shows entry i.
id visibleSectionIDs(id controller) { return ivarNamed(controller, "_visibleSectionIDs"); }

// The identifier of table section `index`, or nil outside the visible sections.
id sectionIDAt(id controller, NSInteger index) {
  id visible = visibleSectionIDs(controller);
  if (index < 0 || static_cast<NSUInteger>(index) >= ask<NSUInteger>(visible, sel<"count">())) return nil;
  return objc::send<id>(visible, sel<"objectAtIndex:">(), static_cast<NSUInteger>(index));
}

// The table section showing the identifier, or NSNotFound.
NSUInteger indexOfSection(id controller, id sectionID) {
  id visible = visibleSectionIDs(controller);
  if (visible == nil || sectionID == nil) return static_cast<NSUInteger>(NSNotFound);
  return objc::send<NSUInteger>(visible, sel<"indexOfObject:">(), sectionID);
}

NSInteger sectionOf(id indexPath) { return ask<NSInteger>(indexPath, sel<"section">()); }

void reloadSection(id tableView, NSUInteger index, NSInteger animation) {
  id indexes = objc::send<id>(objc_lookUpClass("NSIndexSet"), sel<"indexSetWithIndex:">(), index);
  ask<void>(tableView, sel<"reloadSections:withRowAnimation:">(), indexes, animation);
}

}  // namespace

BOOL isSectionFolded(id sectionID) {
  const Options& o = options();
  if (!o.collapsible || !o.collapsibleSections || sectionID == nil) return NO;
  return objc::send<BOOL>(o.collapsibleSections, sel<"containsObject:">(), sectionID);
}

void headerTouchesEndedReplacement(id self, SEL cmd, id touches, id event) {
  // The reload may let the table drop its header views; this one still gets the
  // host's own method at the end.
  objc::Ref keep = objc::Ref::retain(self);
  id folded = options().collapsibleSections.get();
  if (options().collapsible && folded != nil) {
    objc::AutoreleasePool pool;
    id controller = listController();
    id tableView = ask(ask(controller, sel<"listView">()), sel<"tableView">());
    id sectionID = ask(self, sel<"sectionID">());
    if (sectionID != nil) {
      const NSUInteger index = indexOfSection(controller, sectionID);
      if (objc::send<BOOL>(folded, sel<"containsObject:">(), sectionID))
        objc::send<void>(folded, sel<"removeObject:">(), sectionID);
      else
        objc::send<void>(folded, sel<"addObject:">(), sectionID);
      // A header the list does not show has no section to reload.
      if (index != static_cast<NSUInteger>(NSNotFound)) reloadSection(tableView, index, kAutomaticRowAnimation);
      noctil::storeOptionValue(kOptionsPath, "CollapsibleSections", folded);
    }
  }
  gHeaderTouchesEnded(self, cmd, touches, event);
}

id cellForRowReplacement(id self, SEL cmd, id tableView, id indexPath) {
  id cell = gCellForRow(self, cmd, tableView, indexPath);
  if (options().collapsible) {
    // A reused cell of a folded section is shown again once its section unfolds.
    const BOOL folded = isSectionFolded(sectionIDAt(self, sectionOf(indexPath)));
    ask<void>(ask(cell, sel<"contentView">()), sel<"setAlpha:">(), CGFloat{folded ? 0.0 : 1.0});
  }
  return cell;
}

CGFloat heightForRowReplacement(id self, SEL cmd, id tableView, id indexPath) {
  if (isSectionFolded(sectionIDAt(self, sectionOf(indexPath)))) return 0.0;
  return gHeightForRow(self, cmd, tableView, indexPath);
}

id viewForHeaderReplacement(id self, SEL cmd, id tableView, NSInteger section) {
  id header = gViewForHeader(self, cmd, tableView, section);
  if (!options().collapsible || !isSectionFolded(sectionIDAt(self, section))) return header;
  id label = ivarNamed(header, "_sectionLabel");
  if (label == nil) return header;
  objc::AutoreleasePool pool;
  id table = ask(ask(self, sel<"listView">()), sel<"tableView">());
  const NSInteger count = ask<NSInteger>(self, sel<"tableView:numberOfRowsInSection:">(), table, section);
  ask<void>(label, sel<"setText:">(), noctil::titleWithCount(ask(label, sel<"text">()), count));
  if (systemVersion() >= 6.0f) {
    CGRect frame = frameOf(label);
    frame.size.width += kFoldedTitleWidening;
    setFrame(label, frame);
  }
  return header;
}

void addBulletinReplacement(id self, SEL cmd, id observer, id bulletin, NSUInteger feed) {
  id folded = options().collapsibleSections.get();
  if (options().collapsible && folded != nil && ask<NSUInteger>(visibleSectionIDs(self), sel<"count">()) > 0 &&
      ask<BOOL>(self, sel<"listViewIsActive">())) {
    id sectionID = ask(bulletin, sel<"sectionID">());
    const NSUInteger index = indexOfSection(self, sectionID);
    if (index != static_cast<NSUInteger>(NSNotFound) && isSectionFolded(sectionID)) {
      // Unfolded in memory only: the options file keeps listing the section.
      objc::send<void>(folded, sel<"removeObject:">(), sectionID);
      reloadSection(ask(ask(self, sel<"listView">()), sel<"tableView">()), index, kNoAnimation);
    }
  }
  gAddBulletin(self, cmd, observer, bulletin, feed);
}

}  // namespace noctil6
