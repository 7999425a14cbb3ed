#include "Removal.h"

#include "Cells.h"
#include "MessageReadService.h"
#include "Options.h"

#include <noctil/Badges.h>
#include <noctil/StoredNotifications.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <cstring>
#include <vector>

namespace noctil7 {

hook::Slot<id(id)> gRemoveSection;

namespace {

using objc::sel;

BOOL isString(id object, const char* text) {
  if (!isKindOfClassNamed(object, "NSString")) return NO;
  const char* utf8 = objc::send<const char*>(object, sel<"UTF8String">());
  return utf8 != nullptr && std::strcmp(utf8, text) == 0;
}

NSUInteger countOf(id collection) { return objc::send<NSUInteger>(collection, sel<"count">()); }
id objectAt(id array, NSUInteger index) { return objc::send<id>(array, sel<"objectAtIndex:">(), index); }

// Every cell the table gives for its rows at this moment, section by section; rows
// without a cell (off screen) are skipped.  The bounds are read again at each step.
std::vector<objc::Ref> cellsOf(id tableView) {
  std::vector<objc::Ref> cells;
  for (NSInteger section = 0; section < objc::send<NSInteger>(tableView, sel<"numberOfSections">()); ++section) {
    for (NSInteger row = 0; row < objc::send<NSInteger>(tableView, sel<"numberOfRowsInSection:">(), section); ++row) {
      id indexPath = objc::send<id>(objc_lookUpClass("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, section);
      if (id cell = objc::send<id>(tableView, sel<"cellForRowAtIndexPath:">(), indexPath))
        cells.push_back(objc::Ref::retain(cell));
    }
  }
  return cells;
}

void removeFromLists(id notification) {
  id mode = visibleModeViewController();
  objc::send<void>(mode, sel<"observer:removeBulletin:">(), objc::objectIvar(mode, "_observer"), notification);
  id lockScreen = objc::send<id>(objc_lookUpClass("SBLockScreenManager"), sel<"sharedInstance">());
  if (objc::send<BOOL>(lockScreen, sel<"isUILocked">())) {
    id listController =
        objc::objectIvar(objc::send<id>(lockScreen, sel<"lockScreenViewController">()), "_notificationController");
    objc::send<void>(listController, sel<"observer:removeBulletin:">(), objc::objectIvar(listController, "_observer"),
                     notification);
  }
}

}  // namespace

id notificationForCell(id cell) {
  if (cell == nil) return nil;
  if (isKindOfClassNamed(cell, "SBNotificationsBulletinCell")) {
    id tableView = objc::objectIvar(cell, "_tableView");
    id indexPath = objc::send<id>(tableView, sel<"indexPathForCell:">(), cell);
    id controller = objc::send<id>(tableView, sel<"delegate">());
    id sections = objc::objectIvar(controller, "_orderedSections");
    if (sections == nil || indexPath == nil) return nil;
    NSInteger section = objc::send<NSInteger>(indexPath, sel<"section">());
    NSInteger row = objc::send<NSInteger>(indexPath, sel<"row">());
    if (section < 0 || static_cast<NSUInteger>(section) >= countOf(sections) || row < 0) return nil;
    id info = objectAt(sections, static_cast<NSUInteger>(section));
    id identifier = objc::send<id>(info, sel<"identifier">());
    if (isString(identifier, kMissedModeSection)) {
      id items = objc::send<id>(objc::objectIvar(controller, "_sectionIDsToBulletins"), sel<"objectForKey:">(), identifier);
      if (static_cast<NSUInteger>(row) >= countOf(items)) return nil;
      return objc::send<id>(objectAt(items, static_cast<NSUInteger>(row)), sel<"representedBulletin">());
    }
    return objc::send<id>(objc::send<id>(info, sel<"representedListSection">()), sel<"bulletinAtIndex:">(),
                          static_cast<NSUInteger>(row));
  }
  if (isKindOfClassNamed(cell, "SBLockScreenBulletinCell")) {
    id bulletinID = objc::send<id>(objc::send<id>(cell, sel<"unlockActionContext">()), sel<"identifier">());
    id lockScreen = objc::send<id>(objc_lookUpClass("SBLockScreenManager"), sel<"sharedInstance">());
    id listController =
        objc::objectIvar(objc::send<id>(lockScreen, sel<"lockScreenViewController">()), "_notificationController");
    id item = objc::send<id>(listController, sel<"_listItemContainingBulletinID:">(), bulletinID);
    return objc::send<id>(item, sel<"bulletinWithID:">(), bulletinID);
  }
  return nil;
}

void removeNotificationOfCell(id cell) {
  objc::AutoreleasePool pool;
  // Kept alive here: leaving the lists may release the last other reference.
  objc::Ref notification = objc::Ref::retain(notificationForCell(cell));
  if (!notification) return;
  removeFromLists(notification);
  id sectionID = objc::send<id>(notification, sel<"sectionID">());
  // Phone notifications have no stored copy; a text message is marked read in
  // Messages; any other leaves the Mail archive or its app's push store.
  if (isString(sectionID, kMessagesSection)) {
    if (options().markSMSAsRead) requestMarkAsRead(notification);
  } else {
    noctil::removeStoredCopy(notification);
  }
  updateBadge(sectionID, NO);
}

void removeAllNotificationsInTable(id tableView) {
  objc::AutoreleasePool pool;
  std::vector<objc::Ref> cells = cellsOf(tableView);
  for (const objc::Ref& cell : cells) removeNotificationOfCell(cell);
}

void updateBadge(id sectionID, BOOL clear) {
  if (!options().removeBadge) return;
  noctil::updateBadge(sectionID, clear);
}

id bulletinRemoveSection(id self, SEL cmd, id sectionInfo) {
  objc::Ref sectionID = objc::Ref::retain(objc::send<id>(sectionInfo, sel<"identifier">()));
  // The host's answer is kept alive past this function's own pool.
  objc::Ref result = objc::Ref::retain(gRemoveSection(self, cmd, sectionInfo));
  {
    objc::AutoreleasePool pool;
    updateBadge(sectionID, YES);
    id sections = objc::objectIvar(self, "_orderedSections");
    id tableView = objc::send<id>(self, sel<"tableView">());
    if (options().markSMSAsRead && isString(sectionID, kMessagesSection) && sections != nil && countOf(sections) > 0 &&
        objc::send<NSInteger>(tableView, sel<"numberOfSections">()) > 0) {
      for (const objc::Ref& cell : cellsOf(tableView)) {
        id notification = notificationForCell(cell);
        if (notification != nil && isString(objc::send<id>(notification, sel<"sectionID">()), kMessagesSection))
          requestMarkAsRead(notification);
      }
    }
  }
  return objc::autorelease(result.leak());
}

}  // namespace noctil7
