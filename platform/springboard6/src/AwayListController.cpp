// The lock screen's own notification list: SBAwayBulletinListController, a bulletin
// observer of the lock-screen feed that keeps the notifications delivered while the
// device is locked (newest first) and is the data source and delegate of the list's
// table, and SBAwayBulletinListView, the view that shows the table on the lock
// screen only while it has rows.  A row slid to its end unlocks the device into its
// notification.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/UIView.h>

namespace sb6::detail {
namespace {

constexpr CGFloat kRowHeight = 60;

// ---- SBAwayBulletinListView ----

struct ListViewIvars : UIViewIvars {
  id _tableView;  // SBAwayBulletinTableView, a subview
};

id listViewInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBAwayBulletinListView"), cmd, frame);
  if (!self) return nil;
  id table = send<id>(send<id>(objc::classNamed("SBAwayBulletinTableView"), sel<"alloc">()), sel<"initWithFrame:">(),
                      CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(table, sel<"setAutoresizingMask:">(), NSUInteger{2 | 16});
  send<void>(table, sel<"setAllowsSelection:">(), BOOL{NO});
  send<void>(self, sel<"addSubview:">(), table);
  objc::release(table);
  objc::ivars<ListViewIvars>(self)->_tableView = table;
  return self;
}

id listViewTableView(id self, SEL) { return objc::ivars<ListViewIvars>(self)->_tableView; }

// ---- SBAwayBulletinListController ----

struct ListControllerIvars : NSObjectIvars {
  id _observer;   // retained BBObserver of the lock-screen feed
  id _listItems;  // NSMutableArray of SBAwayBulletinListItem, newest first
  id _view;       // retained SBAwayBulletinListView, made on first use
};

ListControllerIvars* lc(id self) { return objc::ivars<ListControllerIvars>(self); }
Class lcClass() { return objc::classNamed("SBAwayBulletinListController"); }

id awayController() { return shared("SBAwayController", sel<"sharedAwayController">()); }

id lcInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, lcClass(), cmd);
  if (!self) return nil;
  lc(self)->_listItems = objc::retain(mutableArray());
  lc(self)->_observer = newObject("BBObserver");
  send<void>(lc(self)->_observer, sel<"setObserverFeed:">(), bb::kFeedLockScreen);
  send<void>(lc(self)->_observer, sel<"setDelegate:">(), self);
  return self;
}

id lcTable(id self) { return lc(self)->_view ? send<id>(lc(self)->_view, sel<"tableView">()) : nil; }

// The list shows on the lock screen only while it has rows.
void updateVisibility(id self) {
  if (lc(self)->_view) send<void>(lc(self)->_view, sel<"setHidden:">(), BOOL{count(lc(self)->_listItems) == 0});
}

id lcView(id self, SEL) {
  auto* c = lc(self);
  if (!c->_view) {
    c->_view = send<id>(send<id>(objc::classNamed("SBAwayBulletinListView"), sel<"alloc">()), sel<"initWithFrame:">(),
                        CGRectMake(0, 0, screenBounds().size.width, 200));
    id table = send<id>(c->_view, sel<"tableView">());
    send<void>(table, sel<"setDataSource:">(), self);
    send<void>(table, sel<"setDelegate:">(), self);
    updateVisibility(self);
  }
  return c->_view;
}

id lcListItems(id self, SEL) { return lc(self)->_listItems; }

NSInteger indexOfBulletinID(id self, id bulletinID) {
  NSInteger i = 0;
  for (id item : elements(lc(self)->_listItems)) {
    if (send<id>(item, sel<"bulletinWithID:">(), bulletinID)) return i;
    ++i;
  }
  return -1;
}

// A notification reaches the lock screen's list only while the device is locked; it
// lights a dark screen for a while, as the lock screen shows what arrived.
void lcAddBulletin(id self, SEL, id, id bulletin, NSUInteger) {
  if (bulletin == nil) return;
  id away = awayController();
  if (!send<BOOL>(away, sel<"isLocked">())) return;
  if (indexOfBulletinID(self, send<id>(bulletin, sel<"bulletinID">())) >= 0) return;
  objc::Ref item = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBAwayBulletinListItem"), sel<"alloc">()),
                                             sel<"initWithBulletin:">(), bulletin));
  send<void>(lc(self)->_listItems, sel<"insertObject:atIndex:">(), item.get(), NSUInteger{0});
  if (id table = lcTable(self)) {
    send<void>(table, sel<"insertRowsAtIndexPaths:withRowAnimation:">(),
               send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(0, 0)), NSInteger{100});
  }
  updateVisibility(self);
  if (send<BOOL>(away, sel<"isDimmed">())) send<void>(away, sel<"undimScreen">());
  send<void>(away, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
}

void lcRemoveBulletin(id self, SEL, id, id bulletin) {
  if (bulletin == nil) return;
  NSInteger index = indexOfBulletinID(self, send<id>(bulletin, sel<"bulletinID">()));
  if (index < 0) return;
  send<void>(lc(self)->_listItems, sel<"removeObjectAtIndex:">(), static_cast<NSUInteger>(index));
  if (id table = lcTable(self)) {
    send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
               send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), indexPath(0, index)), NSInteger{100});
  }
  updateVisibility(self);
}

// Unlocking empties the list: the next lock starts with the notifications that arrive
// from then on.
void lcClearListItems(id self, SEL) {
  send<void>(lc(self)->_listItems, sel<"removeAllObjects">());
  send<void>(lcTable(self), sel<"reloadData">());
  updateVisibility(self);
}

id lcListItemAtIndexPath(id self, SEL, id path) {
  NSInteger row = pathRow(path);
  if (row < 0 || static_cast<NSUInteger>(row) >= count(lc(self)->_listItems)) return nil;
  return send<id>(lc(self)->_listItems, sel<"objectAtIndex:">(), static_cast<NSUInteger>(row));
}

NSInteger lcNumberOfRows(id self, SEL, id, NSInteger) { return static_cast<NSInteger>(count(lc(self)->_listItems)); }

CGFloat lcHeightForRow(id, SEL, id, id) { return kRowHeight; }

id lcCellForRow(id self, SEL, id table, id path) {
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), str(kAwayCellIdentifier));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("SBAwayBulletinCell"), sel<"alloc">()),
                                      sel<"initWithReuseIdentifier:">(), str(kAwayCellIdentifier)));
  }
  send<void>(cell, sel<"setDelegate:">(), self);
  send<void>(cell, sel<"setBulletin:">(), send<id>(lcListItemAtIndexPath(self, nullptr, path), sel<"activeBulletin">()));
  return cell;
}

// A row's icon slid to the end: the device unlocks into that notification (asking
// for the passcode first when one is set).
void lcCellDidSlideToUnlock(id self, SEL, id cell) {
  id bulletinID = send<id>(send<id>(cell, sel<"actionContext">()), sel<"bulletinID">());
  NSInteger index = indexOfBulletinID(self, bulletinID);
  if (index < 0) return;
  id item = send<id>(lc(self)->_listItems, sel<"objectAtIndex:">(), static_cast<NSUInteger>(index));
  send<void>(awayController(), sel<"_unlockWithPendingBulletin:">(), send<id>(item, sel<"bulletinWithID:">(), bulletinID));
}

void lcDealloc(id self, SEL cmd) {
  auto* c = lc(self);
  send<void>(c->_observer, sel<"setDelegate:">(), id{nil});
  send<void>(c->_observer, sel<"invalidate">());
  if (id table = lcTable(self)) {
    send<void>(table, sel<"setDataSource:">(), id{nil});
    send<void>(table, sel<"setDelegate:">(), id{nil});
  }
  clear(c->_observer);
  clear(c->_listItems);
  clear(c->_view);
  objc::sendSuper<void>(self, lcClass(), cmd);
}

}  // namespace

void registerAwayListViewClasses() {
  objc::ClassBuilder<ListViewIvars>("SBAwayBulletinListView", objc::classNamed("UIView"))
      .ivar<&ListViewIvars::_tableView>("_tableView")
      .method<&listViewInit>("initWithFrame:")
      .method<&listViewTableView>("tableView")
      .registerClass();
  objc::ClassBuilder<ListControllerIvars>("SBAwayBulletinListController", objc::NSObjectClass())
      .ivar<&ListControllerIvars::_observer>("_observer")
      .ivar<&ListControllerIvars::_listItems>("_listItems")
      .ivar<&ListControllerIvars::_view>("_view")
      .method<&lcInit>("init")
      .method<&lcView>("view")
      .method<&lcListItems>("listItems")
      .method<&lcAddBulletin>("observer:addBulletin:forFeed:")
      .method<&lcRemoveBulletin>("observer:removeBulletin:")
      .method<&lcClearListItems>("_clearListItems")
      .method<&lcListItemAtIndexPath>("listItemAtIndexPath:")
      .method<&lcNumberOfRows>("tableView:numberOfRowsInSection:")
      .method<&lcHeightForRow>("tableView:heightForRowAtIndexPath:")
      .method<&lcCellForRow>("tableView:cellForRowAtIndexPath:")
      .method<&lcCellDidSlideToUnlock>("awayBulletinCellDidSlideToUnlock:")
      .method<&lcDealloc>("dealloc")
      .registerClass();
}

void registerAwayListClasses() {
  registerAwayListCellClasses();
  registerAwayListViewClasses();
}

}  // namespace sb6::detail
