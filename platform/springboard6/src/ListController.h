// SBBulletinListController, Notification Center's controller, is defined in two
// files: ListController.cpp (the shared instance, showing and hiding the list, the
// pull-down and the list's own pan) and ListModel.cpp (the notifications it keeps,
// as the bulletin server's observer, and its table's data source and delegate).
// This header is what both share.
#pragma once

#include <objcface/ClassBuilder.h>
#include <objcface/NSObject.h>

#include <string>
#include <vector>

namespace sb6::detail {

struct ListControllerIvars : NSObjectIvars {
  id _observer;               // retained BBObserver of Notification Center's feed
  id _listView;               // retained SBBulletinListView while the list is on screen
  id _visibleSectionIDs;      // NSMutableArray: table section i shows entry i
  id _possibleSectionIDs;     // NSMutableArray: every section in list order
  id _sectionIDsToBulletins;  // NSMutableDictionary: section ID → NSMutableArray, newest first
  id _weeApps;                // NSMutableArray of SBWeeApp
  id _panGestureRecognizer;   // retained, on the list view: pushes the list back up
  CGFloat _panStartY;         // where the sliding view's bottom was when the pan began
  NSUInteger _transition;     // counts shows and hides; a stale animation end is ignored
  BOOL _listViewIsActive;
  BOOL _pullDownInProgress;   // the status bar's pull-down is moving the list
};

inline ListControllerIvars* listIvars(id controller) { return objc::ivars<ListControllerIvars>(controller); }

// The section IDs of _possibleSectionIDs that have something to show (widgets, and
// sections with notifications), in list order; written into _visibleSectionIDs.
std::vector<std::string> computeVisibleSections(id controller);
void storeVisibleSections(id controller, const std::vector<std::string>& sections);
// Whether the list holds any notification (widgets do not count).
bool hasNotifications(id controller);
// The widget of a section ID, or nil.
id weeAppForSection(id controller, const std::string& sectionID);
// Tells the list view whether to show its empty label.
void updateEmptyLabel(id controller, bool animated);

// Adds the observer, data-source, delegate and clearing methods (ListModel.cpp).
void addListModelMethods(objc::ClassBuilder<ListControllerIvars>& builder);

}  // namespace sb6::detail
