// SBBulletinListController, continued: the notifications it keeps as the observer of
// Notification Center's feed (observer:addBulletin:forFeed:, observer:removeBulletin:),
// the sections it shows (_visibleSectionIDs: widgets, then apps newest first), the
// table's data source and delegate (rows newest first, a header per app with its
// clear button, a row per widget), a row's selection performing the notification's
// action, and clearing a section (_clearSection:, behind each header's clear button).
#include "ListController.h"

#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"
#include "ListShared.h"

#include <algorithm>

namespace sb6::detail {

std::vector<std::string> computeVisibleSections(id self) {
  auto* c = listIvars(self);
  std::vector<std::string> out;
  for (id section : elements(c->_possibleSectionIDs)) {
    std::string name = text(section);
    if (weeAppForSection(self, name) || count(send<id>(c->_sectionIDsToBulletins, sel<"objectForKey:">(), section)) > 0) {
      out.push_back(name);
    }
  }
  return out;
}

void storeVisibleSections(id self, const std::vector<std::string>& sections) {
  id visible = listIvars(self)->_visibleSectionIDs;
  send<void>(visible, sel<"removeAllObjects">());
  for (const std::string& s : sections) send<void>(visible, sel<"addObject:">(), str(s));
}

bool hasNotifications(id self) { return count(listIvars(self)->_sectionIDsToBulletins) > 0; }

id weeAppForSection(id self, const std::string& sectionID) {
  for (id weeApp : elements(listIvars(self)->_weeApps)) {
    if (text(send<id>(weeApp, sel<"sectionID">())) == sectionID) return weeApp;
  }
  return nil;
}

void updateEmptyLabel(id self, bool animated) {
  if (id view = listIvars(self)->_listView) {
    send<void>(view, sel<"setShowsNoNotificationsLabel:animated:">(), static_cast<BOOL>(hasNotifications(self) ? NO : YES),
               static_cast<BOOL>(animated ? YES : NO));
  }
}

namespace {

id tableOf(id self) { return send<id>(listIvars(self)->_listView, sel<"tableView">()); }

std::string sectionAt(id self, NSInteger section) {
  id visible = listIvars(self)->_visibleSectionIDs;
  if (section < 0 || static_cast<NSUInteger>(section) >= count(visible)) return {};
  return text(send<id>(visible, sel<"objectAtIndex:">(), static_cast<NSUInteger>(section)));
}

id bulletinsOf(id self, const std::string& sectionID) {
  return sectionID.empty() ? nil : send<id>(listIvars(self)->_sectionIDsToBulletins, sel<"objectForKey:">(), str(sectionID));
}

// The sections the table shows now, as _visibleSectionIDs lists them.
std::vector<std::string> visibleNow(id self) {
  std::vector<std::string> out;
  for (id s : elements(listIvars(self)->_visibleSectionIDs)) out.push_back(text(s));
  return out;
}

NSInteger indexOf(const std::vector<std::string>& list, const std::string& value) {
  auto it = std::find(list.begin(), list.end(), value);
  return it == list.end() ? -1 : static_cast<NSInteger>(it - list.begin());
}

id arrayWith(id object) { return send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), object); }

double dateOf(id bulletin) {
  id date = send<id>(bulletin, sel<"date">());
  return date ? send<double>(date, sel<"timeIntervalSinceReferenceDate">()) : 0.0;
}

// The row of a bulletin in its section's list (matched by bulletin ID), or -1.
NSInteger rowOf(id bulletins, id bulletin) {
  std::string wanted = text(send<id>(bulletin, sel<"bulletinID">()));
  NSInteger row = 0;
  for (id b : elements(bulletins)) {
    if (text(send<id>(b, sel<"bulletinID">())) == wanted) return row;
    ++row;
  }
  return -1;
}

bool hasClearable(id self, const std::string& sectionID) {
  for (id b : elements(bulletinsOf(self, sectionID))) {
    if (send<BOOL>(b, sel<"clearable">())) return true;
  }
  return false;
}

// The header on screen of a section shows its clear button exactly while the section
// has something to clear.
void refreshHeader(id self, const std::string& sectionID) {
  id table = tableOf(self);
  NSInteger s = indexOf(visibleNow(self), sectionID);
  if (table == nil || s < 0) return;
  id header = send<id>(table, sel<"headerViewForSection:">(), s);
  if (isKind(header, "SBBulletinHeaderView")) {
    send<void>(header, sel<"setShowsClearButton:">(), static_cast<BOOL>(hasClearable(self, sectionID) ? YES : NO));
  }
}

// The table follows a change of the model: one change when the sections stayed in
// their order, else everything again.
void applySectionChange(id self, const std::vector<std::string>& before, const std::vector<std::string>& after,
                        const std::string& section, NSInteger row, bool inserted) {
  id table = tableOf(self);
  if (table == nil) return;
  NSInteger was = indexOf(before, section), is = indexOf(after, section);
  std::vector<std::string> without = before;
  if (was >= 0) without.erase(without.begin() + was);
  std::vector<std::string> afterWithout = after;
  if (is >= 0) afterWithout.erase(afterWithout.begin() + is);
  if (without != afterWithout) {
    send<void>(table, sel<"reloadData">());
  } else if (was < 0 && is >= 0) {
    send<void>(table, sel<"insertSections:withRowAnimation:">(), indexSet(static_cast<NSUInteger>(is)), kListRowAnimation);
  } else if (was >= 0 && is < 0) {
    send<void>(table, sel<"deleteSections:withRowAnimation:">(), indexSet(static_cast<NSUInteger>(was)), kListRowAnimation);
  } else if (was != is) {
    send<void>(table, sel<"reloadData">());
  } else if (inserted) {
    send<void>(table, sel<"insertRowsAtIndexPaths:withRowAnimation:">(), arrayWith(indexPath(is, row)), kListRowAnimation);
    refreshHeader(self, section);
  } else {
    send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), arrayWith(indexPath(is, row)), kListRowAnimation);
    refreshHeader(self, section);
  }
}

// ---- the observer ----

// A new notification goes to the top of its section (by date, newest first), and its
// section to the top of the apps.  One already listed (same bulletin ID) is replaced.
void modelAddBulletin(id self, SEL, id, id bulletin, NSUInteger) {
  auto* c = listIvars(self);
  std::string section = text(send<id>(bulletin, sel<"sectionID">()));
  if (section.empty() || weeAppForSection(self, section)) return;
  objc::Ref keep = objc::Ref::retain(bulletin);
  if (id existing = bulletinsOf(self, section); existing && rowOf(existing, bulletin) >= 0) {
    send<void>(self, sel<"observer:removeBulletin:">(), c->_observer, bulletin);
  }
  std::vector<std::string> before = visibleNow(self);
  id bulletins = bulletinsOf(self, section);
  if (bulletins == nil) {
    bulletins = mutableArray();
    send<void>(c->_sectionIDsToBulletins, sel<"setObject:forKey:">(), bulletins, str(section));
  }
  NSUInteger row = 0;
  for (id b : elements(bulletins)) {
    if (dateOf(b) <= dateOf(bulletin)) break;
    ++row;
  }
  send<void>(bulletins, sel<"insertObject:atIndex:">(), bulletin, row);
  id name = str(section);
  if (row == 0 || !send<BOOL>(c->_possibleSectionIDs, sel<"containsObject:">(), name)) {
    send<void>(c->_possibleSectionIDs, sel<"removeObject:">(), name);
    send<void>(c->_possibleSectionIDs, sel<"insertObject:atIndex:">(), name, count(c->_weeApps));
  }
  std::vector<std::string> after = computeVisibleSections(self);
  storeVisibleSections(self, after);
  applySectionChange(self, before, after, section, static_cast<NSInteger>(row), true);
  updateEmptyLabel(self, true);
}

// A notification leaves the list (matched by bulletin ID, whichever observer is given),
// and its section when it was the last.
void modelRemoveBulletin(id self, SEL, id, id bulletin) {
  auto* c = listIvars(self);
  std::string section = text(send<id>(bulletin, sel<"sectionID">()));
  id bulletins = bulletinsOf(self, section);
  NSInteger row = bulletins ? rowOf(bulletins, bulletin) : -1;
  if (row < 0) return;
  objc::Ref keep = objc::Ref::retain(bulletin);
  std::vector<std::string> before = visibleNow(self);
  send<void>(bulletins, sel<"removeObjectAtIndex:">(), static_cast<NSUInteger>(row));
  if (count(bulletins) == 0) send<void>(c->_sectionIDsToBulletins, sel<"removeObjectForKey:">(), str(section));
  std::vector<std::string> after = computeVisibleSections(self);
  storeVisibleSections(self, after);
  applySectionChange(self, before, after, section, row, false);
  updateEmptyLabel(self, true);
}

id modelBulletinAtIndexPath(id self, SEL, id path) {
  id bulletins = bulletinsOf(self, sectionAt(self, pathSection(path)));
  NSInteger row = pathRow(path);
  if (bulletins == nil || row < 0 || static_cast<NSUInteger>(row) >= count(bulletins)) return nil;
  return send<id>(bulletins, sel<"objectAtIndex:">(), static_cast<NSUInteger>(row));
}

id modelIndexPathForBulletin(id self, SEL, id bulletin) {
  if (bulletin == nil) return nil;
  std::string section = text(send<id>(bulletin, sel<"sectionID">()));
  NSInteger s = indexOf(visibleNow(self), section);
  id bulletins = bulletinsOf(self, section);
  NSInteger row = bulletins ? rowOf(bulletins, bulletin) : -1;
  return s >= 0 && row >= 0 ? indexPath(s, row) : nil;
}

// The header's clear button: the section's clearable notifications leave the list at
// once, and the bulletin server is asked to withdraw them (its removals, arriving
// later, find nothing more to take).
void modelClearSection(id self, SEL, id sectionID) {
  auto* c = listIvars(self);
  std::string section = text(sectionID);
  id bulletins = bulletinsOf(self, section);
  NSInteger s = indexOf(visibleNow(self), section);
  if (bulletins == nil || s < 0) return;
  objc::Ref keepSection = objc::Ref::retain(str(section));
  std::vector<id> paths;
  std::vector<NSUInteger> rows;
  NSUInteger row = 0;
  for (id b : elements(bulletins)) {
    if (send<BOOL>(b, sel<"clearable">())) {
      rows.push_back(row);
      paths.push_back(indexPath(s, static_cast<NSInteger>(row)));
    }
    ++row;
  }
  if (rows.empty()) return;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) send<void>(bulletins, sel<"removeObjectAtIndex:">(), *it);
  if (count(bulletins) == 0) send<void>(c->_sectionIDsToBulletins, sel<"removeObjectForKey:">(), keepSection.get());
  std::vector<std::string> after = computeVisibleSections(self);
  storeVisibleSections(self, after);
  if (id table = tableOf(self)) {
    if (indexOf(after, section) < 0) {
      send<void>(table, sel<"deleteSections:withRowAnimation:">(), indexSet(static_cast<NSUInteger>(s)), kListRowAnimation);
    } else {
      id list = send<id>(objc::classNamed("NSArray"), sel<"arrayWithObjects:count:">(),
                         static_cast<const id*>(paths.data()), NSUInteger{paths.size()});
      send<void>(table, sel<"deleteRowsAtIndexPaths:withRowAnimation:">(), list, kListRowAnimation);
      refreshHeader(self, section);
    }
  }
  send<void>(c->_observer, sel<"clearSection:">(), keepSection.get());
  updateEmptyLabel(self, true);
}

// ---- the table's data source and delegate ----

NSInteger modelNumberOfSections(id self, SEL, id) { return static_cast<NSInteger>(count(listIvars(self)->_visibleSectionIDs)); }

NSInteger modelNumberOfRows(id self, SEL, id, NSInteger section) {
  std::string name = sectionAt(self, section);
  if (weeAppForSection(self, name)) return 1;
  return static_cast<NSInteger>(count(bulletinsOf(self, name)));
}

id modelCellForRow(id self, SEL, id table, id path) {
  std::string name = sectionAt(self, pathSection(path));
  if (id weeApp = weeAppForSection(self, name)) {
    id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), str(kWeeAppCellIdentifier));
    if (cell == nil) {
      cell = objc::autorelease(send<id>(send<id>(objc::classNamed("SBWeeAppCell"), sel<"alloc">()),
                                        sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, str(kWeeAppCellIdentifier)));
    }
    send<void>(cell, sel<"setWeeApp:">(), weeApp);
    return cell;
  }
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), str(kBulletinCellIdentifier));
  if (cell == nil) {
    cell = objc::autorelease(send<id>(send<id>(objc::classNamed("SBBulletinListCell"), sel<"alloc">()),
                                      sel<"initWithLinenView:reuseIdentifier:">(),
                                      send<id>(listIvars(self)->_listView, sel<"linenView">()), str(kBulletinCellIdentifier)));
  }
  send<void>(cell, sel<"setBulletin:">(), send<id>(self, sel<"_bulletinAtIndexPath:">(), path));
  return cell;
}

CGFloat modelHeightForRow(id self, SEL, id, id path) {
  if (id weeApp = weeAppForSection(self, sectionAt(self, pathSection(path)))) {
    return send<CGFloat>(weeApp, sel<"viewHeight">());
  }
  return bulletinRowHeight(send<id>(self, sel<"_bulletinAtIndexPath:">(), path));
}

CGFloat modelHeightForHeader(id self, SEL, id, NSInteger section) {
  std::string name = sectionAt(self, section);
  return name.empty() || weeAppForSection(self, name) ? 0 : kSectionHeaderHeight;
}

// A header for each app's section, titled with the app's name, its clear button
// shown while the section has notifications that may be cleared.
id modelViewForHeader(id self, SEL, id table, NSInteger section) {
  std::string name = sectionAt(self, section);
  if (name.empty() || weeAppForSection(self, name)) return nil;
  CGFloat width = table ? send<CGRect>(table, sel<"bounds">()).size.width : screenBounds().size.width;
  id header = objc::autorelease(send<id>(send<id>(objc::classNamed("SBBulletinHeaderView"), sel<"alloc">()),
                                         sel<"initWithFrame:">(), CGRectMake(0, 0, width, kSectionHeaderHeight)));
  send<void>(header, sel<"setSectionID:">(), str(name));
  send<void>(header, sel<"setTitle:">(), str(appDisplayName(name)));
  send<void>(header, sel<"setDelegate:">(), self);
  send<void>(header, sel<"setShowsClearButton:">(), static_cast<BOOL>(hasClearable(self, name) ? YES : NO));
  return header;
}

// A tapped notification performs its action (its launch URL, else its app), unless
// the device is locked: iOS needs it unlocked first.  When an app came to the front,
// the list goes up.
void modelDidSelectRow(id self, SEL, id table, id path) {
  send<void>(table, sel<"deselectRowAtIndexPath:animated:">(), path, BOOL{YES});
  id bulletin = send<id>(self, sel<"_bulletinAtIndexPath:">(), path);
  if (bulletin == nil || deviceIsLocked()) return;
  objc::Ref keep = objc::Ref::retain(self);
  objc::Ref keepBulletin = objc::Ref::retain(bulletin);
  id springBoard = send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">());
  id before = send<id>(springBoard, sel<"_accessibilityFrontMostApplication">());
  performBulletinAction(bulletin);
  id after = send<id>(springBoard, sel<"_accessibilityFrontMostApplication">());
  if (after != nil && after != before) send<void>(self, sel<"hideListViewAnimated:">(), BOOL{YES});
}

// ---- scrolling ----

void forEachVisible(id self, const char* className, SEL message) {
  id table = tableOf(self);
  if (table == nil) return;
  if (std::string(className) == "SBBulletinHeaderView") {
    NSInteger sections = send<NSInteger>(table, sel<"numberOfSections">());
    for (NSInteger s = 0; s < sections; ++s) {
      id header = send<id>(table, sel<"headerViewForSection:">(), s);
      if (isKind(header, className)) send<void>(header, message);
    }
    return;
  }
  for (id cell : elements(send<id>(table, sel<"visibleCells">()))) {
    if (isKind(cell, className)) send<void>(cell, message);
  }
}

// A drag of the list puts any expanded clear button back to its x.
void modelWillBeginDragging(id self, SEL, id) { forEachVisible(self, "SBBulletinHeaderView", sel<"resetClearButton">()); }

// When the list comes to rest, the rows' ages are brought up to date.
void modelDidEndDragging(id self, SEL, id, BOOL decelerate) {
  if (!decelerate) forEachVisible(self, "SBBulletinListCell", sel<"updateRelativeDate">());
}
void modelDidEndDecelerating(id self, SEL, id) { forEachVisible(self, "SBBulletinListCell", sel<"updateRelativeDate">()); }

}  // namespace

void addListModelMethods(objc::ClassBuilder<ListControllerIvars>& b) {
  b.method<&modelAddBulletin>("observer:addBulletin:forFeed:")
      .method<&modelRemoveBulletin>("observer:removeBulletin:")
      .method<&modelBulletinAtIndexPath>("_bulletinAtIndexPath:")
      .method<&modelIndexPathForBulletin>("_indexPathForBulletin:")
      .method<&modelClearSection>("_clearSection:")
      .method<&modelNumberOfSections>("numberOfSectionsInTableView:")
      .method<&modelNumberOfRows>("tableView:numberOfRowsInSection:")
      .method<&modelCellForRow>("tableView:cellForRowAtIndexPath:")
      .method<&modelHeightForRow>("tableView:heightForRowAtIndexPath:")
      .method<&modelHeightForHeader>("tableView:heightForHeaderInSection:")
      .method<&modelViewForHeader>("tableView:viewForHeaderInSection:")
      .method<&modelDidSelectRow>("tableView:didSelectRowAtIndexPath:")
      .method<&modelWillBeginDragging>("scrollViewWillBeginDragging:")
      .method<&modelDidEndDragging>("scrollViewDidEndDragging:willDecelerate:")
      .method<&modelDidEndDecelerating>("scrollViewDidEndDecelerating:");
}

}  // namespace sb6::detail
