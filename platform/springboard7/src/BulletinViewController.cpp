// SBBulletinViewController: one notification list of Notification Center.  It keeps
// the list's sections in order (_orderedSections: one section-info object per table
// section) and the rows of each section (_sectionIDsToBulletins: section identifier →
// list items, newest first), and is its table's data source and delegate.  Rows and
// sections come and go through _insertSection:atIndex:, _insertBulletin:atIndex:
// inSection: and removeBulletin:, all reached by message send; the header's clear
// button asks for _removeSection:.
#include "BulletinViewController.h"

#include "Classes.h"
#include "Common.h"

#include <uikit/UIViewController.h>

namespace sb7::detail {
namespace {

struct BulletinVCIvars : UIViewControllerIvars {
  id _orderedSections;        // NSMutableArray of SBNotificationsSectionInfo
  id _sectionIDsToBulletins;  // NSMutableDictionary: identifier → NSMutableArray of SBNotificationsBulletinInfo
  id _tableView;              // retained; also the controller's view
  id _headerViews;            // NSMutableDictionary: identifier → SBNotificationsSectionHeaderView
  id _delegate;               // not retained: the mode view controller
  BOOL _tableViewNeedsReload;
  BOOL _reloadScheduled;
};

BulletinVCIvars* vc(id self) { return objc::ivars<BulletinVCIvars>(self); }
Class vcClass() { return objc::classNamed("SBBulletinViewController"); }

id loadedTable(id self) {
  return send<BOOL>(self, sel<"isViewLoaded">()) ? vc(self)->_tableView : nil;
}

id sectionAt(id self, NSInteger section) {
  id sections = vc(self)->_orderedSections;
  if (section < 0 || static_cast<NSUInteger>(section) >= count(sections)) return nil;
  return send<id>(sections, sel<"objectAtIndex:">(), static_cast<NSUInteger>(section));
}

id itemsOf(id self, id sectionInfo) {
  if (sectionInfo == nil) return nil;
  return send<id>(vc(self)->_sectionIDsToBulletins, sel<"objectForKey:">(), send<id>(sectionInfo, sel<"identifier">()));
}

NSUInteger indexOfSection(id self, id sectionInfo) {
  NSUInteger i = 0;
  for (id s : elements(vc(self)->_orderedSections)) {
    if (s == sectionInfo) return i;
    ++i;
  }
  return static_cast<NSUInteger>(NSNotFound);
}

id bulletinAt(id self, id indexPath) {
  id items = itemsOf(self, sectionAt(self, pathSection(indexPath)));
  NSInteger row = pathRow(indexPath);
  if (items == nil || row < 0 || static_cast<NSUInteger>(row) >= count(items)) return nil;
  return send<id>(send<id>(items, sel<"objectAtIndex:">(), static_cast<NSUInteger>(row)), sel<"representedBulletin">());
}

// A table on screen gets the single change, animated; one off screen (which may never
// have asked for its rows) reloads everything when it is next shown.
void tableChange(id table, SEL animated, id argument) {
  if (table == nil) return;
  if (send<id>(table, sel<"window">()) != nil && send<BOOL>(table, sel<"respondsToSelector:">(), animated)) {
    send<void>(table, animated, argument, kAutomaticRowAnimation);
  } else {
    send<void>(table, sel<"reloadData">());
  }
}

// ---- life cycle ----

id bvcInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, vcClass(), cmd);
  if (!self) return nil;
  vc(self)->_orderedSections = objc::retain(mutableArray());
  vc(self)->_sectionIDsToBulletins = objc::retain(mutableDictionary());
  vc(self)->_headerViews = objc::retain(mutableDictionary());
  return self;
}

void bvcLoadView(id self, SEL) {
  CGRect frame = CGRectMake(0, 0, kScreenWidth, kScreenHeight - kNotificationCenterHeaderHeight);
  id table = send<id>(send<id>(objc::classNamed("UITableView"), sel<"alloc">()), sel<"initWithFrame:style:">(), frame,
                      NSInteger{0});
  send<void>(table, sel<"setDataSource:">(), self);
  send<void>(table, sel<"setDelegate:">(), self);
  setRetained(vc(self)->_tableView, table);
  send<void>(self, sel<"setView:">(), table);
  objc::release(table);
}

id bvcTableView(id self, SEL) {
  send<id>(self, sel<"view">());  // loads the table on first use
  return vc(self)->_tableView;
}

id bvcDelegate(id self, SEL) { return vc(self)->_delegate; }
void bvcSetDelegate(id self, SEL, id delegate) { vc(self)->_delegate = delegate; }

// Marks the table for a reload on the next turn of the run loop (and at the latest
// when the list next appears).
void bvcSetTableViewNeedsReload(id self, SEL) {
  vc(self)->_tableViewNeedsReload = YES;
  if (vc(self)->_reloadScheduled) return;
  vc(self)->_reloadScheduled = YES;
  send<void>(self, sel<"performSelector:withObject:afterDelay:">(), sel<"_reloadTableViewIfNecessary">(), id{nil},
             double{0.0});
}

void bvcReloadIfNecessary(id self, SEL) {
  vc(self)->_reloadScheduled = NO;
  if (!vc(self)->_tableViewNeedsReload) return;
  vc(self)->_tableViewNeedsReload = NO;
  if (id table = loadedTable(self)) send<void>(table, sel<"reloadData">());
}

void bvcViewWillAppear(id self, SEL cmd, BOOL animated) {
  objc::sendSuper<void>(self, vcClass(), cmd, animated);
  send<void>(self, sel<"_reloadTableViewIfNecessary">());
}

void bvcDealloc(id self, SEL cmd) {
  if (vc(self)->_tableView) {
    send<void>(vc(self)->_tableView, sel<"setDataSource:">(), id{nil});
    send<void>(vc(self)->_tableView, sel<"setDelegate:">(), id{nil});
  }
  send<void>(objc::classNamed("NSObject"), sel<"cancelPreviousPerformRequestsWithTarget:">(), self);
  clear(vc(self)->_orderedSections);
  clear(vc(self)->_sectionIDsToBulletins);
  clear(vc(self)->_tableView);
  clear(vc(self)->_headerViews);
  objc::sendSuper<void>(self, vcClass(), cmd);
}

// ---- data source ----

NSInteger bvcNumberOfSections(id self, SEL, id) { return static_cast<NSInteger>(count(vc(self)->_orderedSections)); }

NSInteger bvcNumberOfRows(id self, SEL, id, NSInteger section) {
  return static_cast<NSInteger>(count(itemsOf(self, sectionAt(self, section))));
}

id bvcCellForRow(id self, SEL, id table, id indexPath) {
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), str(kBulletinCellIdentifier));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("SBNotificationsBulletinCell"), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0},
                                      str(kBulletinCellIdentifier)));
  }
  send<void>(cell, sel<"setBulletin:">(), bulletinAt(self, indexPath));
  return cell;
}

// ---- delegate ----

CGFloat bvcHeightForRow(id self, SEL, id, id indexPath) { return rowHeightForBulletin(bulletinAt(self, indexPath)); }

// One header view per section, kept while the section exists; its title is the app's
// name each time the table asks for it.
id bvcViewForHeader(id self, SEL, id table, NSInteger section) {
  id info = sectionAt(self, section);
  if (info == nil) return nil;
  id identifier = send<id>(info, sel<"identifier">());
  id header = send<id>(vc(self)->_headerViews, sel<"objectForKey:">(), identifier);
  if (header == nil) {
    CGFloat width = table ? send<CGRect>(table, sel<"bounds">()).size.width : kScreenWidth;
    objc::Ref made = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBNotificationsSectionHeaderView"),
                                                        sel<"alloc">()),
                                               sel<"initWithFrame:">(), CGRectMake(0, 0, width, kSectionHeaderHeight)));
    send<void>(made, sel<"setDelegate:">(), self);
    send<void>(vc(self)->_headerViews, sel<"setObject:forKey:">(), made.get(), identifier);
    header = made.get();
  }
  send<void>(header, sel<"setTitle:">(), send<id>(info, sel<"displayName">()));
  return header;
}

CGFloat bvcHeightForHeader(id self, SEL, id, NSInteger section) {
  return sectionAt(self, section) ? kSectionHeaderHeight : 0.0;
}

BOOL bvcShouldShowMenu(id self, SEL, id, id indexPath) { return bulletinAt(self, indexPath) ? YES : NO; }

// ---- changes ----

void bvcInsertSection(id self, SEL, id info, NSUInteger index) {
  if (info == nil || indexOfSection(self, info) != static_cast<NSUInteger>(NSNotFound)) return;
  id sections = vc(self)->_orderedSections;
  if (index > count(sections)) index = count(sections);
  send<void>(sections, sel<"insertObject:atIndex:">(), info, index);
  send<void>(vc(self)->_sectionIDsToBulletins, sel<"setObject:forKey:">(), mutableArray(),
             send<id>(info, sel<"identifier">()));
  tableChange(loadedTable(self), sel<"insertSections:withRowAnimation:">(), indexSet(index));
}

void bvcInsertBulletin(id self, SEL, id bulletin, NSUInteger index, id info) {
  NSUInteger section = indexOfSection(self, info);
  id items = itemsOf(self, info);
  if (bulletin == nil || section == static_cast<NSUInteger>(NSNotFound) || items == nil) return;
  if (index > count(items)) index = count(items);
  objc::Ref item = objc::Ref::adopt(
      send<id>(send<id>(objc::classNamed("SBNotificationsBulletinInfo"), sel<"alloc">()), sel<"initWithBulletin:">(),
               bulletin));
  send<void>(items, sel<"insertObject:atIndex:">(), item.get(), index);
  send<void>(send<id>(info, sel<"representedListSection">()), sel<"insertBulletin:atIndex:">(), bulletin, index);
  id path = indexPath(static_cast<NSInteger>(section), static_cast<NSInteger>(index));
  tableChange(loadedTable(self), sel<"insertRowsAtIndexPaths:withRowAnimation:">(),
              send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), path));
}

// Puts a bulletin into a section (made at the top of the list when new) at the row its
// date gives it: newest first.
void bvcAddBulletin(id self, SEL, id bulletin, id info) {
  if (bulletin == nil || info == nil) return;
  if (indexOfSection(self, info) == static_cast<NSUInteger>(NSNotFound)) {
    send<void>(self, sel<"_insertSection:atIndex:">(), info, NSUInteger{0});
  }
  double date = bulletinDate(bulletin);
  NSUInteger index = 0;
  for (id item : elements(itemsOf(self, info))) {
    if (bulletinDate(send<id>(item, sel<"representedBulletin">())) <= date) break;
    ++index;
  }
  send<void>(self, sel<"_insertBulletin:atIndex:inSection:">(), bulletin, index, info);
}

// Takes a bulletin out of the list, found by its bulletin ID; a section left empty
// goes with it.  Answers whether the list showed it.
BOOL bvcRemoveBulletin(id self, SEL, id bulletin) {
  std::string wanted = text(send<id>(bulletin, sel<"bulletinID">()));
  NSUInteger section = 0;
  for (id info : elements(vc(self)->_orderedSections)) {
    id items = itemsOf(self, info);
    NSUInteger row = 0;
    for (id item : elements(items)) {
      if (text(send<id>(send<id>(item, sel<"representedBulletin">()), sel<"bulletinID">())) == wanted) {
        objc::Ref keepInfo = objc::Ref::retain(info);
        send<void>(items, sel<"removeObjectAtIndex:">(), row);
        send<void>(send<id>(info, sel<"representedListSection">()), sel<"removeBulletinAtIndex:">(), row);
        id table = loadedTable(self);
        if (count(items) == 0) {
          id identifier = send<id>(info, sel<"identifier">());
          send<void>(vc(self)->_orderedSections, sel<"removeObjectAtIndex:">(), section);
          send<void>(vc(self)->_sectionIDsToBulletins, sel<"removeObjectForKey:">(), identifier);
          send<void>(vc(self)->_headerViews, sel<"removeObjectForKey:">(), identifier);
          tableChange(table, sel<"deleteSections:withRowAnimation:">(), indexSet(section));
        } else {
          id path = indexPath(static_cast<NSInteger>(section), static_cast<NSInteger>(row));
          tableChange(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(),
                      send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), path));
        }
        return YES;
      }
      ++row;
    }
    ++section;
  }
  return NO;
}

// The clear button of a section: the list asks its mode to clear the section; the rows
// leave when the bulletin server's removals arrive.  Answers the section removed.
id bvcRemoveSection(id self, SEL, id info) {
  if (info == nil || indexOfSection(self, info) == static_cast<NSUInteger>(NSNotFound)) return nil;
  id delegate = vc(self)->_delegate;
  if (delegate) send<void>(delegate, sel<"bulletinViewController:requestsClearingSection:">(), self, info);
  return objc::autorelease(objc::retain(info));
}

void bvcHeaderClearAction(id self, SEL, id header) {
  for (id info : elements(vc(self)->_orderedSections)) {
    if (send<id>(vc(self)->_headerViews, sel<"objectForKey:">(), send<id>(info, sel<"identifier">())) == header) {
      send<id>(self, sel<"_removeSection:">(), info);
      return;
    }
  }
}

// The section info with an identifier, or nil.
id bvcSectionWithIdentifier(id self, SEL, id identifier) {
  std::string wanted = text(identifier);
  for (id info : elements(vc(self)->_orderedSections)) {
    if (text(send<id>(info, sel<"identifier">())) == wanted) return info;
  }
  return nil;
}

}  // namespace

CGFloat rowHeightForBulletin(id bulletin) {
  std::size_t length = text(send<id>(bulletin, sel<"message">())).size();
  std::size_t lines = length == 0 ? 1 : (length + kCharactersPerLine - 1) / kCharactersPerLine;
  if (lines > kMaxMessageLines) lines = kMaxMessageLines;
  return kRowBaseHeight + kLineHeight * static_cast<CGFloat>(lines - 1);
}

double bulletinDate(id bulletin) {
  id date = send<id>(bulletin, sel<"date">());
  return date ? send<double>(date, sel<"timeIntervalSinceReferenceDate">()) : 0.0;
}

void registerBulletinViewControllerClasses() {
  objc::ClassBuilder<BulletinVCIvars>("SBBulletinViewController", objc::classNamed("UIViewController"))
      .ivar<&BulletinVCIvars::_orderedSections>("_orderedSections")
      .ivar<&BulletinVCIvars::_sectionIDsToBulletins>("_sectionIDsToBulletins")
      .ivar<&BulletinVCIvars::_tableView>("_tableView")
      .ivar<&BulletinVCIvars::_headerViews>("_headerViews")
      .ivar<&BulletinVCIvars::_delegate>("_delegate")
      .ivar<&BulletinVCIvars::_tableViewNeedsReload>("_tableViewNeedsReload")
      .ivar<&BulletinVCIvars::_reloadScheduled>("_reloadScheduled")
      .method<&bvcInit>("init")
      .method<&bvcLoadView>("loadView")
      .method<&bvcTableView>("tableView")
      .method<&bvcDelegate>("delegate")
      .method<&bvcSetDelegate>("setDelegate:")
      .method<&bvcSetTableViewNeedsReload>("setTableViewNeedsReload")
      .method<&bvcReloadIfNecessary>("_reloadTableViewIfNecessary")
      .method<&bvcViewWillAppear>("viewWillAppear:")
      .method<&bvcDealloc>("dealloc")
      .method<&bvcNumberOfSections>("numberOfSectionsInTableView:")
      .method<&bvcNumberOfRows>("tableView:numberOfRowsInSection:")
      .method<&bvcCellForRow>("tableView:cellForRowAtIndexPath:")
      .method<&bvcHeightForRow>("tableView:heightForRowAtIndexPath:")
      .method<&bvcViewForHeader>("tableView:viewForHeaderInSection:")
      .method<&bvcHeightForHeader>("tableView:heightForHeaderInSection:")
      .method<&bvcShouldShowMenu>("tableView:shouldShowMenuForRowAtIndexPath:")
      .method<&bvcInsertSection>("_insertSection:atIndex:")
      .method<&bvcInsertBulletin>("_insertBulletin:atIndex:inSection:")
      .method<&bvcAddBulletin>("addBulletin:toSection:")
      .method<&bvcRemoveBulletin>("removeBulletin:")
      .method<&bvcRemoveSection>("_removeSection:")
      .method<&bvcHeaderClearAction>("sectionHeaderViewDidReceiveClearAllAction:")
      .method<&bvcSectionWithIdentifier>("sectionWithIdentifier:")
      .registerClass();
}

}  // namespace sb7::detail
