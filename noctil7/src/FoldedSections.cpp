#include "FoldedSections.h"

#include "Cells.h"
#include "Launch.h"
#include "Options.h"

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

// Property-list formats, as NSPropertyListSerialization names them.
constexpr NSUInteger kXMLFormat = 100;
constexpr NSUInteger kBinaryFormat = 200;

// Writes the whole folded set under "foldedSections", keeping every other option.
// Nothing is written when the file is missing or unreadable, and no change
// notification is posted, so the options are not reloaded.
//
// The file is read as the options loader reads it (values it shares stay shared) and
// only its top level is made mutable.  It is written back as XML, like the Settings
// app writes it; when XML cannot hold it (a binary file whose shared values would
// unfold far beyond its size) it keeps the binary format it was read in, so the fold
// is never silently dropped.
void saveFoldedSet() {
  id path = nsString(kOptionsPath);
  id data = objc::send<id>(objc_lookUpClass("NSData"), sel<"dataWithContentsOfFile:">(), path);
  if (data == nil) return;
  Class serialization = objc_lookUpClass("NSPropertyListSerialization");
  NSUInteger format = kXMLFormat;
  id root = objc::send<id>(serialization, sel<"propertyListWithData:options:format:error:">(), data, NSUInteger{0},
                           &format, static_cast<id*>(nullptr));
  if (!isKindOfClassNamed(root, "NSDictionary")) return;
  id file = objc::autorelease(objc::send<id>(root, sel<"mutableCopy">()));
  objc::send<void>(file, sel<"setObject:forKey:">(), options().foldedSections.get(), nsString("foldedSections"));
  id bytes = objc::send<id>(serialization, sel<"dataWithPropertyList:format:options:error:">(), file, kXMLFormat,
                            NSUInteger{0}, static_cast<id*>(nullptr));
  if (bytes == nil && format == kBinaryFormat)
    bytes = objc::send<id>(serialization, sel<"dataWithPropertyList:format:options:error:">(), file, kBinaryFormat,
                           NSUInteger{0}, static_cast<id*>(nullptr));
  objc::send<BOOL>(bytes, sel<"writeToFile:atomically:">(), path, BOOL{YES});
}

// The title without the counts a fold put after it: every trailing " (<digits>)" is
// taken off, so a label that still reads "Messages (3)" gives "Messages" and a count
// is never repeated.  Anything else in brackets is part of the app's name and stays:
// "Game Center" and "Notes (Work)" are kept whole.
id baseTitle(id title) {
  const char* utf8 = objc::send<const char*>(title, sel<"UTF8String">());
  if (utf8 == nullptr) return nsString("");
  std::string text = utf8;
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ')') {
    std::size_t open = text.rfind(" (", end - 1);
    if (open == std::string::npos || open + 2 == end - 1) break;
    bool digits = true;
    for (std::size_t i = open + 2; i < end - 1; ++i) digits = digits && text[i] >= '0' && text[i] <= '9';
    if (!digits) break;
    end = open;
  }
  if (end == text.size()) return title;
  return nsString(text.substr(0, end).c_str());
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
  id title = baseTitle(objc::send<id>(label, sel<"text">()));
  NSInteger count = objc::send<NSInteger>(self, sel<"tableView:numberOfRowsInSection:">(),
                                          objc::send<id>(self, sel<"tableView">()), section);
  id suffix = objc::sendVariadic<id>(objc_lookUpClass("NSString"), sel<"stringWithFormat:">(), nsString(" (%d)"),
                                     static_cast<int>(count));
  objc::send<void>(label, sel<"setText:">(), objc::send<id>(title, sel<"stringByAppendingString:">(), suffix));
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
