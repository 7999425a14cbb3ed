#include "Removal.h"

#include "HostAccess.h"
#include "MarkRead.h"
#include "Options.h"
#include "RowAnimation.h"

#include <noctil/Badges.h>
#include <noctil/StoredNotifications.h>
#include <objcface/NSObject.h>

#include <vector>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id)> gClearSection;

namespace {

id listTable() { return ask(ask(listController(), sel<"listView">()), sel<"tableView">()); }

BOOL sameObjects(id a, id b) { return a != nil && b != nil && objc::send<BOOL>(a, sel<"isEqual:">(), b) ? YES : NO; }

// The stored copy leaves the Mail archive or the app's push store; a text message
// is marked read instead (Messages keeps no copy here).
void removeStoredCopyOrMarkRead(id notification) {
  id sectionID = ask(notification, sel<"sectionID">());
  if (noctil::isStringEqualTo(sectionID, noctil::kMessagesSection)) {
    if (options().sdMarkSMSAsRead) markNotificationRead(notification);
    return;
  }
  noctil::removeStoredCopy(notification);
}

void removeFromLockScreenList(id notification) {
  id controller = lockScreenListController();
  ask<void>(controller, sel<"observer:removeBulletin:">(), ask(notification, sel<"observer">()), notification);
}

void removeFromNotificationCenter(id notification) {
  id controller = listController();
  ask<void>(controller, sel<"observer:removeBulletin:">(), ask(notification, sel<"observer">()), notification);
}

}  // namespace

id lockScreenListController() { return ask(awayView(), sel<"bulletinController">()); }

id notificationOfLockScreenCell(id cell) {
  id bulletinID = ask(ask(cell, sel<"actionContext">()), sel<"bulletinID">());
  if (bulletinID == nil) return nil;
  id items = ask(lockScreenListController(), sel<"listItems">());
  const NSUInteger count = ask<NSUInteger>(items, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id notification = ask(objc::send<id>(items, sel<"objectAtIndex:">(), i), sel<"activeBulletin">());
    if (sameObjects(ask(notification, sel<"bulletinID">()), bulletinID)) return notification;
  }
  return nil;
}

id notificationOfListCell(id cell) {
  id indexPath = ask(listTable(), sel<"indexPathForCell:">(), cell);
  if (indexPath == nil) return nil;
  return ask(listController(), sel<"_bulletinAtIndexPath:">(), indexPath);
}

void deleteSwipedNotification(id notification, int animation) {
  if (notification == nil) return;
  objc::AutoreleasePool pool;
  // Leaving the lists may release the last other reference.
  objc::Ref keep = objc::Ref::retain(notification);
  setDeleteRowAnimation(animation);
  removeStoredCopyOrMarkRead(notification);
  if (inLockContext()) {
    removeFromLockScreenList(notification);
    // The lock screen's table spent the override; Notification Center's gets it too.
    setDeleteRowAnimation(animation);
  }
  removeFromNotificationCenter(notification);
  updateBadge(ask(notification, sel<"sectionID">()), NO);
}

void deleteConfirmedNotification(id notification) {
  if (notification == nil) return;
  objc::AutoreleasePool pool;
  objc::Ref keep = objc::Ref::retain(notification);
  removeStoredCopyOrMarkRead(notification);
  setDeleteRowAnimation(kRowAnimationMiddle);
  if (inLockContext()) removeFromLockScreenList(notification);
  removeFromNotificationCenter(notification);
  updateBadge(ask(notification, sel<"sectionID">()), NO);
}

void updateBadge(id sectionID, BOOL clearAll) {
  if (clearAll ? !options().csRemoveBadge : !options().sdRemoveBadge) return;
  noctil::updateBadge(sectionID, clearAll);
}

void clearSectionReplacement(id self, SEL cmd, id sectionID) {
  objc::AutoreleasePool pool;
  objc::Ref section = objc::Ref::retain(sectionID);
  // Marked read before the section goes, while its notifications are still listed.
  if (options().csMarkSMSAsRead && systemVersion() >= 6.0f &&
      noctil::isStringEqualTo(sectionID, noctil::kMessagesSection)) {
    id table = listTable();
    const NSInteger sections = ask<NSInteger>(table, sel<"numberOfSections">());
    for (NSInteger s = 0; s < sections; ++s) {
      const NSInteger rows = ask<NSInteger>(table, sel<"numberOfRowsInSection:">(), s);
      for (NSInteger row = 0; row < rows; ++row) {
        id indexPath = objc::send<id>(objc_lookUpClass("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, s);
        id notification = ask(self, sel<"_bulletinAtIndexPath:">(), indexPath);
        if (noctil::isStringEqualTo(ask(notification, sel<"sectionID">()), noctil::kMessagesSection))
          markNotificationRead(notification);
      }
    }
  }
  setDeleteRowAnimation(kRowAnimationMiddle);
  gClearSection(self, cmd, sectionID);
  updateBadge(sectionID, YES);
  if (inLockContext()) {
    // The same notifications leave the lock screen's own list: those of the section
    // that clearing takes away (a notification that may not be cleared stays, as it
    // stays in Notification Center).
    std::vector<objc::Ref> cleared;
    id items = ask(lockScreenListController(), sel<"listItems">());
    const NSUInteger count = ask<NSUInteger>(items, sel<"count">());
    for (NSUInteger i = 0; i < count; ++i) {
      id notification = ask(objc::send<id>(items, sel<"objectAtIndex:">(), i), sel<"activeBulletin">());
      if (notification == nil || !sameObjects(ask(notification, sel<"sectionID">()), sectionID)) continue;
      if (answers(notification, sel<"clearable">()) && !objc::send<BOOL>(notification, sel<"clearable">())) continue;
      cleared.push_back(objc::Ref::retain(notification));
    }
    for (const objc::Ref& notification : cleared) removeFromLockScreenList(notification);
  }
  setDeleteRowAnimation(kNoRowAnimation);
}

}  // namespace noctil6
