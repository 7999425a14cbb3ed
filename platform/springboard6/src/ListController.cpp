// SBBulletinListController: Notification Center's controller.  This file has its
// shared instance, and the list coming down and going up: showListViewAnimated: and
// hideListViewAnimated: (with _setListViewActive: sent whenever the list becomes
// shown or hidden, and the clean-up calls once a slide ends), the pull-down from the
// status bar (the three handleShowNotificationsGesture… calls, sent by SBUIController),
// and the list's own pan on its grabber, which pushes the list back up (handlePan:).
// The list view is made for each showing and released when the list has gone up.
#include "ListController.h"

#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/UIKitTypes.h>

#include <algorithm>
#include <cmath>

namespace sb6::detail {
namespace {

Class controllerClass() { return objc::classNamed("SBBulletinListController"); }
id windowController() { return shared("SBBulletinWindowController", sel<"sharedInstance">()); }

// The list view's frame: the screen, or on an iPad a panel in its middle.
CGRect listFrame() {
  CGRect screen = screenBounds();
  if (!isPad()) return screen;
  return CGRectMake((screen.size.width - kPadListWidth) / 2, 0, kPadListWidth, screen.size.height);
}

CGFloat listHeight(id self) {
  id view = listIvars(self)->_listView;
  return view ? send<CGRect>(view, sel<"bounds">()).size.height : 0;
}

void position(id self, CGFloat y) {
  id view = listIvars(self)->_listView;
  if (view) send<void>(view, sel<"positionSlidingViewAtY:">(), std::clamp<CGFloat>(y, 0, listHeight(self)));
}

// The bottom edge of the sliding view now, in the list view's coordinates.
CGFloat slidingBottom(id self) {
  id sliding = send<id>(listIvars(self)->_listView, sel<"slidingView">());
  CGRect f = send<CGRect>(sliding, sel<"frame">());
  return f.origin.y + f.size.height;
}

// Moves the list to y, animated over `seconds` with a did-stop selector that hears
// which transition it ended, or at once (then the selector is sent now).
void slide(id self, CGFloat y, bool animated, double seconds, SEL didStop) {
  void* context = reinterpret_cast<void*>(static_cast<std::uintptr_t>(listIvars(self)->_transition));
  if (!animated) {
    position(self, y);
    if (didStop) send<void>(self, didStop, id{nil}, id{nil}, context);
    return;
  }
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBBulletinListSlide"), context);
  send<void>(view, sel<"setAnimationCurve:">(), NSInteger{UIViewAnimationCurveEaseInOut});
  send<void>(view, sel<"setAnimationDuration:">(), seconds);
  if (didStop) {
    send<void>(view, sel<"setAnimationDelegate:">(), self);
    send<void>(view, sel<"setAnimationDidStopSelector:">(), didStop);
  }
  position(self, y);
  send<void>(view, sel<"commitAnimations">());
}

bool isCurrent(id self, void* context) {
  return reinterpret_cast<std::uintptr_t>(context) == static_cast<std::uintptr_t>(listIvars(self)->_transition);
}

// ---- life cycle ----

id controllerShared(id, SEL) {
  id& slot = sharedSlot("SBBulletinListController");
  if (!slot) slot = newObject("SBBulletinListController");
  return slot;
}

id controllerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, controllerClass(), cmd);
  if (!self) return nil;
  auto* c = listIvars(self);
  c->_visibleSectionIDs = objc::retain(mutableArray());
  c->_possibleSectionIDs = objc::retain(mutableArray());
  c->_sectionIDsToBulletins = objc::retain(mutableDictionary());
  c->_weeApps = newStockWeeApps();
  // The widgets first, then the apps; an app moves up to just below the widgets
  // whenever a notification of it arrives, so sections go newest first.
  for (id weeApp : elements(c->_weeApps)) {
    send<void>(c->_possibleSectionIDs, sel<"addObject:">(), send<id>(weeApp, sel<"sectionID">()));
  }
  for (const std::string& app : installedApps()) send<void>(c->_possibleSectionIDs, sel<"addObject:">(), str(app));
  storeVisibleSections(self, computeVisibleSections(self));
  c->_observer = objc::allocInit(bb::BBObserverClass());
  send<void>(c->_observer, sel<"setObserverFeed:">(), bb::kFeedNotificationCenter);
  send<void>(c->_observer, sel<"setDelegate:">(), self);
  return self;
}

void dropListView(id self) {
  auto* c = listIvars(self);
  if (c->_panGestureRecognizer && c->_listView) {
    send<void>(c->_listView, sel<"removeGestureRecognizer:">(), c->_panGestureRecognizer);
  }
  clear(c->_panGestureRecognizer);
  if (c->_listView) send<void>(c->_listView, sel<"removeFromSuperview">());
  clear(c->_listView);
}

void controllerDealloc(id self, SEL cmd) {
  auto* c = listIvars(self);
  send<void>(c->_observer, sel<"invalidate">());
  send<void>(objc::classNamed("NSObject"), sel<"cancelPreviousPerformRequestsWithTarget:">(), self);
  dropListView(self);
  for (id* slot : {&c->_observer, &c->_visibleSectionIDs, &c->_possibleSectionIDs, &c->_sectionIDsToBulletins,
                   &c->_weeApps}) {
    clear(*slot);
  }
  objc::sendSuper<void>(self, controllerClass(), cmd);
}

id controllerListView(id self, SEL) { return listIvars(self)->_listView; }
BOOL controllerListViewIsActive(id self, SEL) { return listIvars(self)->_listViewIsActive; }

// Makes the list view (when there is none) in the list window, with the list up out
// of sight, and puts the window on screen.
void controllerCreateListView(id self, SEL) {
  auto* c = listIvars(self);
  if (c->_listView) return;
  id wc = windowController();
  send<void>(wc, sel<"showWindow">());
  c->_listView = send<id>(send<id>(objc::classNamed("SBBulletinListView"), sel<"alloc">()),
                          sel<"initWithFrame:delegate:">(), listFrame(), self);
  c->_panGestureRecognizer = send<id>(send<id>(objc::classNamed("UIPanGestureRecognizer"), sel<"alloc">()),
                                      sel<"initWithTarget:action:">(), self, sel<"handlePan:">());
  send<void>(c->_panGestureRecognizer, sel<"setDelegate:">(), self);
  send<void>(c->_listView, sel<"addGestureRecognizer:">(), c->_panGestureRecognizer);
  send<void>(send<id>(wc, sel<"window">()), sel<"addSubview:">(), c->_listView);
  send<void>(c->_listView, sel<"positionSlidingViewAtY:">(), CGFloat{0});
  updateEmptyLabel(self, false);
}

// ---- showing and hiding ----

// The list becomes shown or hidden; a banner on screen gives way to the list.
void controllerSetListViewActive(id self, SEL, BOOL active) {
  listIvars(self)->_listViewIsActive = active ? YES : NO;
  if (active) {
    send<void>(shared("SBBulletinBannerController", sel<"sharedInstance">()), sel<"dismissBannerWithAnimation:">(),
               BOOL{YES});
  }
}

// Shows the list unless the window controller does not allow it now (on the lock
// screen it does not).
void controllerShow(id self, SEL, BOOL animated) {
  auto* c = listIvars(self);
  if (!send<BOOL>(windowController(), sel<"allowsShowNotificationsGesture">())) return;
  if (c->_listViewIsActive) return;
  send<void>(self, sel<"_createListViewIfNecessary">());
  ++c->_transition;
  c->_pullDownInProgress = NO;
  send<void>(self, sel<"_setListViewActive:">(), BOOL{YES});
  slide(self, listHeight(self), animated, kListSlideSeconds, sel<"_showListViewAnimationDidStop:finished:context:">());
}

void controllerHide(id self, SEL, BOOL animated) {
  auto* c = listIvars(self);
  if (c->_listView == nil) return;
  ++c->_transition;
  c->_pullDownInProgress = NO;
  if (c->_listViewIsActive) send<void>(self, sel<"_setListViewActive:">(), BOOL{NO});
  slide(self, 0, animated, kListSlideSeconds, sel<"_hideListViewAnimationDidStop:finished:context:">());
}

void controllerShowDidStop(id self, SEL, id, id, void* context) {
  if (isCurrent(self, context)) send<void>(self, sel<"_cleanupAfterShowListView">());
}
void controllerHideDidStop(id self, SEL, id, id, void* context) {
  if (isCurrent(self, context)) send<void>(self, sel<"_cleanupAfterHideListViewKeepingWindow:">(), BOOL{NO});
}

// The list is all the way down: the rows' ages are brought up to date.
void controllerCleanupAfterShow(id self, SEL) {
  id table = send<id>(listIvars(self)->_listView, sel<"tableView">());
  for (id cell : elements(send<id>(table, sel<"visibleCells">()))) {
    if (isKind(cell, "SBBulletinListCell")) send<void>(cell, sel<"updateRelativeDate">());
  }
}

// The list is up: the list view goes, and with it the table and its cells; the window
// goes off screen unless it is to be kept.  Nothing happens while the list is shown.
void controllerCleanupAfterHideKeepingWindow(id self, SEL, BOOL keepWindow) {
  if (listIvars(self)->_listViewIsActive) return;
  dropListView(self);
  if (!keepWindow) send<void>(windowController(), sel<"hideWindow">());
}
void controllerCleanupAfterHide(id self, SEL) {
  send<void>(self, sel<"_cleanupAfterHideListViewKeepingWindow:">(), BOOL{NO});
}

// ---- the pull-down from the status bar ----

void controllerPullBegan(id self, SEL, CGPoint location) {
  auto* c = listIvars(self);
  if (c->_listViewIsActive) return;
  send<void>(self, sel<"_createListViewIfNecessary">());
  ++c->_transition;
  c->_pullDownInProgress = YES;
  position(self, location.y);
}

void controllerPullChanged(id self, SEL, CGPoint location, CGPoint) {
  if (!listIvars(self)->_pullDownInProgress) return;
  position(self, location.y);
}

// Released moving down, the list comes all the way down and is shown; otherwise it
// goes back up.
void controllerPullEnded(id self, SEL, CGPoint velocity) {
  auto* c = listIvars(self);
  if (!c->_pullDownInProgress) return;
  c->_pullDownInProgress = NO;
  ++c->_transition;
  if (velocity.y > 0) {
    send<void>(self, sel<"_setListViewActive:">(), BOOL{YES});
    slide(self, listHeight(self), true, kListSlideSeconds, sel<"_showListViewAnimationDidStop:finished:context:">());
  } else {
    slide(self, 0, true, kListSlideSeconds, sel<"_hideListViewAnimationDidStop:finished:context:">());
  }
}

// ---- the list's own pan: pushing the list back up by its grabber ----

BOOL controllerGestureShouldBegin(id self, SEL, id recognizer) {
  auto* c = listIvars(self);
  if (recognizer != c->_panGestureRecognizer || c->_listView == nil) return YES;
  if (!c->_listViewIsActive || !send<BOOL>(windowController(), sel<"allowsHideNotificationsGesture">())) return NO;
  CGPoint t = send<CGPoint>(recognizer, sel<"translationInView:">(), c->_listView);
  if (std::fabs(t.y) <= std::fabs(t.x)) return NO;
  if (isPad()) return YES;
  CGPoint at = send<CGPoint>(recognizer, sel<"locationInView:">(), c->_listView);
  return at.y - t.y >= slidingBottom(self) - kGrabberZoneHeight ? YES : NO;
}

void controllerHandlePan(id self, SEL, id recognizer) {
  auto* c = listIvars(self);
  if (c->_listView == nil) return;
  NSInteger state = send<NSInteger>(recognizer, sel<"state">());
  CGPoint t = send<CGPoint>(recognizer, sel<"translationInView:">(), c->_listView);
  switch (state) {
    case UIGestureRecognizerStateBegan:
      c->_panStartY = slidingBottom(self);
      break;
    case UIGestureRecognizerStateChanged:
      position(self, std::min(c->_panStartY + t.y, listHeight(self)));
      break;
    case UIGestureRecognizerStateEnded: {
      CGPoint v = send<CGPoint>(recognizer, sel<"velocityInView:">(), c->_listView);
      if (v.y < 0 || slidingBottom(self) < listHeight(self) / 2) {
        send<void>(self, sel<"hideListViewAnimated:">(), BOOL{YES});
        break;
      }
      slide(self, listHeight(self), true, kListSlideSeconds / 2, nullptr);
      break;
    }
    case UIGestureRecognizerStateCancelled:
      slide(self, listHeight(self), true, kListSlideSeconds / 2, nullptr);
      break;
    default:
      break;
  }
}

}  // namespace

void registerListControllerClasses() {
  objc::ClassBuilder<ListControllerIvars> b("SBBulletinListController", objc::NSObjectClass());
  b.ivar<&ListControllerIvars::_observer>("_observer")
      .ivar<&ListControllerIvars::_listView>("_listView")
      .ivar<&ListControllerIvars::_visibleSectionIDs>("_visibleSectionIDs")
      .ivar<&ListControllerIvars::_possibleSectionIDs>("_possibleSectionIDs")
      .ivar<&ListControllerIvars::_sectionIDsToBulletins>("_sectionIDsToBulletins")
      .ivar<&ListControllerIvars::_weeApps>("_weeApps")
      .ivar<&ListControllerIvars::_panGestureRecognizer>("_panGestureRecognizer")
      .ivar<&ListControllerIvars::_panStartY>("_panStartY")
      .ivar<&ListControllerIvars::_transition>("_transition")
      .ivar<&ListControllerIvars::_listViewIsActive>("_listViewIsActive")
      .ivar<&ListControllerIvars::_pullDownInProgress>("_pullDownInProgress")
      .method<&controllerInit>("init")
      .method<&controllerDealloc>("dealloc")
      .method<&controllerListView>("listView")
      .method<&controllerListViewIsActive>("listViewIsActive")
      .method<&controllerCreateListView>("_createListViewIfNecessary")
      .method<&controllerSetListViewActive>("_setListViewActive:")
      .method<&controllerShow>("showListViewAnimated:")
      .method<&controllerHide>("hideListViewAnimated:")
      .method<&controllerShowDidStop>("_showListViewAnimationDidStop:finished:context:")
      .method<&controllerHideDidStop>("_hideListViewAnimationDidStop:finished:context:")
      .method<&controllerCleanupAfterShow>("_cleanupAfterShowListView")
      .method<&controllerCleanupAfterHideKeepingWindow>("_cleanupAfterHideListViewKeepingWindow:")
      .method<&controllerCleanupAfterHide>("_cleanupAfterHideListView")
      .method<&controllerPullBegan>("handleShowNotificationsGestureBeganWithTouchLocation:")
      .method<&controllerPullChanged>("handleShowNotificationsGestureChangedWithTouchLocation:velocity:")
      .method<&controllerPullEnded>("handleShowNotificationsGestureEndedWithVelocity:")
      .method<&controllerGestureShouldBegin>("gestureRecognizerShouldBegin:")
      .method<&controllerHandlePan>("handlePan:")
      .classMethod<&controllerShared>("sharedInstance");
  addListModelMethods(b);
  b.registerClass();
}

}  // namespace sb6::detail
