// The lock screen's notification list: SBLockScreenNotificationListController (a
// bulletin observer of the lock-screen feed that keeps the list items of the
// notifications delivered while the UI is locked, newest first), its list items
// (SBAwayBulletinListItem, the same on iOS 6: springboardcommon/AwayListItem.h) and
// SBLockScreenNotificationListView, the data source of the list's table, which hands
// out SBLockScreenBulletinCell cells.
#include "BulletinViewController.h"
#include "Classes.h"
#include "Common.h"

#include <bulletinboard/BulletinBoard.h>
#include <springboardcommon/AwayListItem.h>
#include <uikit/UIView.h>
#include <uikit/UIViewController.h>

namespace sb7::detail {
namespace {

// ---- SBLockScreenNotificationListController ----

struct ListControllerIvars : UIViewControllerIvars {
  id _observer;          // retained BBObserver of the lock-screen feed
  id _listItems;         // NSMutableArray of SBAwayBulletinListItem, newest first
  id _notificationView;  // retained SBLockScreenNotificationListView
};

ListControllerIvars* lc(id self) { return objc::ivars<ListControllerIvars>(self); }
Class lcClass() { return objc::classNamed("SBLockScreenNotificationListController"); }

id lcInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, lcClass(), cmd);
  if (!self) return nil;
  lc(self)->_listItems = objc::retain(mutableArray());
  lc(self)->_observer = newObject("BBObserver");
  send<void>(lc(self)->_observer, sel<"setObserverFeed:">(), bb::kFeedLockScreen);
  send<void>(lc(self)->_observer, sel<"setDelegate:">(), self);
  return self;
}

void lcLoadView(id self, SEL) {
  CGRect bounds = screenBounds();
  id view = send<id>(send<id>(objc::classNamed("SBLockScreenNotificationListView"), sel<"alloc">()),
                     sel<"initWithFrame:">(), CGRectMake(0, 120, bounds.size.width, bounds.size.height - 200));
  send<void>(view, sel<"setModel:">(), self);
  setRetained(lc(self)->_notificationView, view);
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

void reloadList(id self) {
  if (send<BOOL>(self, sel<"isViewLoaded">())) send<void>(lc(self)->_notificationView, sel<"reloadData">());
}

// Single changes keep the other rows' cells showing their own notifications.
void listChanged(id self, SEL change, NSUInteger index) {
  if (send<BOOL>(self, sel<"isViewLoaded">())) send<void>(lc(self)->_notificationView, change, index);
}

NSInteger indexOfBulletinID(id self, const std::string& bulletinID) {
  NSInteger i = 0;
  for (id item : elements(lc(self)->_listItems)) {
    if (send<id>(item, sel<"bulletinWithID:">(), str(bulletinID))) return i;
    ++i;
  }
  return -1;
}

// Notifications reach the lock screen's list only while the UI is locked.
void lcAddBulletin(id self, SEL, id, id bulletin, NSUInteger) {
  if (bulletin == nil) return;
  id manager = send<id>(objc::classNamed("SBLockScreenManager"), sel<"sharedInstance">());
  if (!send<BOOL>(manager, sel<"isUILocked">())) return;
  if (indexOfBulletinID(self, text(send<id>(bulletin, sel<"bulletinID">()))) >= 0) return;
  objc::Ref item = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBAwayBulletinListItem"), sel<"alloc">()),
                                             sel<"initWithBulletin:">(), bulletin));
  send<void>(lc(self)->_listItems, sel<"insertObject:atIndex:">(), item.get(), NSUInteger{0});
  listChanged(self, sel<"_didInsertItemAtIndex:">(), 0);
}

void lcRemoveBulletin(id self, SEL, id, id bulletin) {
  if (bulletin == nil) return;
  NSInteger index = indexOfBulletinID(self, text(send<id>(bulletin, sel<"bulletinID">())));
  if (index < 0) return;
  send<void>(lc(self)->_listItems, sel<"removeObjectAtIndex:">(), static_cast<NSUInteger>(index));
  listChanged(self, sel<"_didRemoveItemAtIndex:">(), static_cast<NSUInteger>(index));
}

id lcListItemContainingBulletinID(id self, SEL, id bulletinID) {
  NSInteger index = indexOfBulletinID(self, text(bulletinID));
  return index < 0 ? nil : send<id>(lc(self)->_listItems, sel<"objectAtIndex:">(), static_cast<NSUInteger>(index));
}

NSUInteger lcCount(id self, SEL) { return count(lc(self)->_listItems); }

id lcListItemAtIndexPath(id self, SEL, id indexPath) {
  NSInteger row = pathRow(indexPath);
  if (row < 0 || static_cast<NSUInteger>(row) >= count(lc(self)->_listItems)) return nil;
  return send<id>(lc(self)->_listItems, sel<"objectAtIndex:">(), static_cast<NSUInteger>(row));
}

void lcClearListItems(id self, SEL) {
  send<void>(lc(self)->_listItems, sel<"removeAllObjects">());
  reloadList(self);
}

void lcDealloc(id self, SEL cmd) {
  send<void>(lc(self)->_observer, sel<"invalidate">());
  if (lc(self)->_notificationView) send<void>(lc(self)->_notificationView, sel<"setModel:">(), id{nil});
  clear(lc(self)->_observer);
  clear(lc(self)->_listItems);
  clear(lc(self)->_notificationView);
  objc::sendSuper<void>(self, lcClass(), cmd);
}

// ---- SBLockScreenNotificationListView ----

struct ListViewIvars : UIViewIvars {
  id _tableView;  // subview
  id _model;      // not retained: the list controller
};

ListViewIvars* lv(id self) { return objc::ivars<ListViewIvars>(self); }
Class lvClass() { return objc::classNamed("SBLockScreenNotificationListView"); }

id lvInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, lvClass(), cmd, frame);
  if (!self) return nil;
  id table = send<id>(send<id>(objc::classNamed("UITableView"), sel<"alloc">()), sel<"initWithFrame:style:">(),
                      CGRectMake(0, 0, frame.size.width, frame.size.height), NSInteger{0});
  send<void>(table, sel<"setDataSource:">(), self);
  send<void>(table, sel<"setDelegate:">(), self);
  send<void>(self, sel<"addSubview:">(), table);
  lv(self)->_tableView = table;
  objc::release(table);
  return self;
}

void lvSetModel(id self, SEL, id model) { lv(self)->_model = model; }
id lvModel(id self, SEL) { return lv(self)->_model; }
void lvReloadData(id self, SEL) { send<void>(lv(self)->_tableView, sel<"reloadData">()); }

// A row comes or goes: animated while the list is on screen, else a reload.
void rowChange(id self, SEL change, NSUInteger index) {
  id table = lv(self)->_tableView;
  if (send<id>(table, sel<"window">()) == nil) {
    send<void>(table, sel<"reloadData">());
    return;
  }
  id path = indexPath(0, static_cast<NSInteger>(index));
  send<void>(table, change, send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), path),
             kAutomaticRowAnimation);
}
void lvDidInsertItem(id self, SEL, NSUInteger index) {
  rowChange(self, sel<"insertRowsAtIndexPaths:withRowAnimation:">(), index);
}
void lvDidRemoveItem(id self, SEL, NSUInteger index) {
  rowChange(self, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), index);
}

NSInteger lvNumberOfSections(id, SEL, id) { return 1; }
NSInteger lvNumberOfRows(id self, SEL, id, NSInteger) {
  return static_cast<NSInteger>(send<NSUInteger>(lv(self)->_model, sel<"count">()));
}

id lvBulletinAt(id self, id indexPath) {
  return send<id>(send<id>(lv(self)->_model, sel<"listItemAtIndexPath:">(), indexPath), sel<"activeBulletin">());
}

id lvCellForRow(id self, SEL, id table, id indexPath) {
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), str(kLockCellIdentifier));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("SBLockScreenBulletinCell"), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, str(kLockCellIdentifier)));
  }
  send<void>(cell, sel<"setBulletin:">(), lvBulletinAt(self, indexPath));
  return cell;
}

CGFloat lvHeightForRow(id self, SEL, id, id indexPath) { return rowHeightForBulletin(lvBulletinAt(self, indexPath)); }

// The lock screen offers no menu of its own on its cells.
BOOL lvShouldShowMenu(id, SEL, id, id) { return NO; }

void lvDealloc(id self, SEL cmd) {
  send<void>(lv(self)->_tableView, sel<"setDataSource:">(), id{nil});
  send<void>(lv(self)->_tableView, sel<"setDelegate:">(), id{nil});
  objc::sendSuper<void>(self, lvClass(), cmd);
}

}  // namespace

void registerLockScreenListClasses() {
  sbcommon::registerAwayBulletinListItemClass();
  objc::ClassBuilder<ListControllerIvars>("SBLockScreenNotificationListController", objc::classNamed("UIViewController"))
      .ivar<&ListControllerIvars::_observer>("_observer")
      .ivar<&ListControllerIvars::_listItems>("_listItems")
      .ivar<&ListControllerIvars::_notificationView>("_notificationView")
      .method<&lcInit>("init")
      .method<&lcLoadView>("loadView")
      .method<&lcAddBulletin>("observer:addBulletin:forFeed:")
      .method<&lcRemoveBulletin>("observer:removeBulletin:")
      .method<&lcListItemContainingBulletinID>("_listItemContainingBulletinID:")
      .method<&lcCount>("count")
      .method<&lcListItemAtIndexPath>("listItemAtIndexPath:")
      .method<&lcClearListItems>("_clearListItems")
      .method<&lcDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<ListViewIvars>("SBLockScreenNotificationListView", objc::classNamed("UIView"))
      .ivar<&ListViewIvars::_tableView>("_tableView")
      .ivar<&ListViewIvars::_model>("_model")
      .method<&lvInitWithFrame>("initWithFrame:")
      .method<&lvSetModel>("setModel:")
      .method<&lvModel>("model")
      .method<&lvReloadData>("reloadData")
      .method<&lvDidInsertItem>("_didInsertItemAtIndex:")
      .method<&lvDidRemoveItem>("_didRemoveItemAtIndex:")
      .method<&lvNumberOfSections>("numberOfSectionsInTableView:")
      .method<&lvNumberOfRows>("tableView:numberOfRowsInSection:")
      .method<&lvCellForRow>("tableView:cellForRowAtIndexPath:")
      .method<&lvHeightForRow>("tableView:heightForRowAtIndexPath:")
      .method<&lvShouldShowMenu>("tableView:shouldShowMenuForRowAtIndexPath:")
      .method<&lvDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb7::detail
