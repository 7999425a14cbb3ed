// Replacements on Notification Center's list that make it work on the lock screen: a
// tapped notification or widget unlocks first, the list window sits above the status
// bar, a call to show the list is allowed past the lock screen's refusal once, and
// the lock screen's own views fade as the list becomes active.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// SBBulletinListController tableView:didSelectRowAtIndexPath:.
extern hook::Slot<void(id, id)> gDidSelectRow;
void didSelectRowReplacement(id self, SEL cmd, id tableView, id indexPath);

// SBBulletinListController scrollViewDidEndDecelerating:.
extern hook::Slot<void(id)> gDidEndDecelerating;
void didEndDeceleratingReplacement(id self, SEL cmd, id scrollView);

// SBBulletinListController showListViewAnimated:.
extern hook::Slot<void(BOOL)> gShowListView;
void showListViewReplacement(id self, SEL cmd, BOOL animated);

// SBBulletinListController _setListViewActive:.
extern hook::Slot<void(BOOL)> gSetListViewActive;
void setListViewActiveReplacement(id self, SEL cmd, BOOL active);

// SBBulletinWindowController allowsShowNotificationsGesture.
extern hook::Slot<BOOL()> gAllowsGesture;
BOOL allowsGestureReplacement(id self, SEL cmd);

// SBBulletinWindow setWindowLevel:.
extern hook::Slot<void(CGFloat)> gSetWindowLevel;
void setWindowLevelReplacement(id self, SEL cmd, CGFloat level);

// SBWeeAppCell _tapped:.
extern hook::Slot<void(id)> gWidgetTapped;
void widgetTappedReplacement(id self, SEL cmd, id sender);

}  // namespace noctil6
