#include "MethodTable.h"

#include "BackView.h"
#include "BannerClosebox.h"
#include "CellBack.h"
#include "CustomPicture.h"
#include "EmptyLabel.h"
#include "FoldedSections.h"
#include "ListHooks.h"
#include "ListWindow.h"
#include "LockScreenHooks.h"
#include "PullDown.h"
#include "Removal.h"
#include "RowAnimation.h"
#include "Swipe.h"
#include "TopShelf.h"

namespace noctil6 {
namespace {

using hook::replace;
using hook::replaceClassMethodInPlace;
using hook::replaceInPlace;

// Most entries are replaced in place, on the method the class answers with wherever
// it is defined; the four with a superclass forwarder (replace) act for their own
// class only.  Classes are looked up, and their superclasses saved, in the order in
// which they first appear.  CTCallCenter may be missing (no telephony): its entry is
// then skipped like any other of a missing class.
const hook::Entry kTable[] = {
    replaceInPlace<&menuButtonDownReplacement, gMenuButtonDown>("SpringBoard", "menuButtonDown:"),
    replaceInPlace<&frontDisplayDidChangeReplacement, gFrontDisplayDidChange>("SpringBoard", "frontDisplayDidChange"),
    replaceInPlace<&orientationChangedReplacement, gOrientationChanged>("SpringBoard",
                                                                        "noteInterfaceOrientationChanged:"),
    replaceInPlace<&finishLaunchingReplacement, gFinishLaunching>("SBUIController", "finishLaunching"),
    replace<&statusBarSendEventReplacement, gStatusBarSendEvent>("UIStatusBarWindow", "sendEvent:"),
    replace<&alertWindowSendEventReplacement, gAlertWindowSendEvent>("SBAlertWindow", "sendEvent:"),
    replaceInPlace<&didSelectRowReplacement, gDidSelectRow>("SBBulletinListController",
                                                            "tableView:didSelectRowAtIndexPath:"),
    replaceInPlace<&didEndDeceleratingReplacement, gDidEndDecelerating>("SBBulletinListController",
                                                                        "scrollViewDidEndDecelerating:"),
    replaceInPlace<&showListViewReplacement, gShowListView>("SBBulletinListController", "showListViewAnimated:"),
    replaceInPlace<&setListViewActiveReplacement, gSetListViewActive>("SBBulletinListController",
                                                                      "_setListViewActive:"),
    replaceInPlace<&listHandlePanReplacement, gHandlePan>("SBBulletinListController", "handlePan:"),
    replaceInPlace<&clearSectionReplacement, gClearSection>("SBBulletinListController", "_clearSection:"),
    replaceInPlace<&heightForRowReplacement, gHeightForRow>("SBBulletinListController",
                                                            "tableView:heightForRowAtIndexPath:"),
    replaceInPlace<&viewForHeaderReplacement, gViewForHeader>("SBBulletinListController",
                                                              "tableView:viewForHeaderInSection:"),
    replaceInPlace<&cellForRowReplacement, gCellForRow>("SBBulletinListController", "tableView:cellForRowAtIndexPath:"),
    replaceInPlace<&addBulletinReplacement, gAddBulletin>("SBBulletinListController", "observer:addBulletin:forFeed:"),
    replaceInPlace<&didEndDraggingReplacement, gDidEndDragging>("SBBulletinListController",
                                                                "scrollViewDidEndDragging:willDecelerate:"),
    replace<&headerTouchesEndedReplacement, gHeaderTouchesEnded>("SBBulletinHeaderView", "touchesEnded:withEvent:"),
    replaceInPlace<&allowsGestureReplacement, gAllowsGesture>("SBBulletinWindowController",
                                                              "allowsShowNotificationsGesture"),
    replace<&setWindowLevelReplacement, gSetWindowLevel>("SBBulletinWindow", "setWindowLevel:"),
    replaceInPlace<&listWindowSendEventReplacement, gListWindowSendEvent>("SBBulletinWindow", "sendEvent:"),
    replaceInPlace<&tableLayoutSubviewsReplacement, gTableLayoutSubviews>("SBBulletinTableView", "layoutSubviews"),
    replaceInPlace<&tableDeleteRowsReplacement, gTableDeleteRows>("SBBulletinTableView",
                                                                  "deleteRowsAtIndexPaths:withRowAnimation:"),
    replaceInPlace<&tableDeleteSectionsReplacement, gTableDeleteSections>("SBBulletinTableView",
                                                                          "deleteSections:withRowAnimation:"),
    replaceInPlace<&tableInitReplacement, gTableInit>("SBBulletinTableView", "initWithFrame:linenView:"),
    replaceInPlace<&listViewInitReplacement, gListViewInit>("SBBulletinListView", "initWithFrame:delegate:"),
    replaceClassMethodInPlace<&linenReplacement, gLinen>("SBBulletinListView", "linen"),
    replaceInPlace<&listViewDeallocReplacement, gListViewDealloc>("SBBulletinListView", "dealloc"),
    replaceInPlace<&positionSlidingViewReplacement, gPositionSlidingView>("SBBulletinListView",
                                                                          "positionSlidingViewAtY:"),
    replaceInPlace<&showsNoNotificationsLabelReplacement, gShowsNoNotificationsLabel>(
        "SBBulletinListView", "setShowsNoNotificationsLabel:animated:"),
    replaceInPlace<&cellInitReplacement, gCellInit>("SBBulletinListCell", "initWithLinenView:reuseIdentifier:"),
    replaceInPlace<&cellLayoutSubviewsReplacement, gCellLayoutSubviews>("SBBulletinListCell", "layoutSubviews"),
    replaceInPlace<&widgetTappedReplacement, gWidgetTapped>("SBWeeAppCell", "_tapped:"),
    replaceInPlace<&presentBannerReplacement, gPresentBanner>("SBBulletinBannerController", "_presentBannerForItem:"),
    replaceInPlace<&bannerTapReplacement, gBannerTapped>("SBBulletinBannerController", "_handleBannerTapGesture:"),
    replaceInPlace<&presentBannerWithReasonReplacement, gPresentBannerWithReason>(
        "SBBannerController", "_presentBannerForItem:existingDismissReason:"),
    replaceInPlace<&attemptUnlockReplacement, gAttemptUnlock>("SBAwayController", "attemptUnlock"),
    replaceInPlace<&didAnimateLockKeypadOutReplacement, gDidAnimateLockKeypadOut>("SBAwayController",
                                                                                  "didAnimateLockKeypadOut"),
    replaceInPlace<&awayCellInitReplacement, gAwayCellInit>("SBAwayBulletinCell", "initWithReuseIdentifier:"),
    replaceInPlace<&awayCellLayoutSubviewsReplacement, gAwayCellLayoutSubviews>("SBAwayBulletinCell", "layoutSubviews"),
    replaceInPlace<&awayTableDeleteRowsReplacement, gAwayTableDeleteRows>("SBAwayBulletinTableView",
                                                                          "deleteRowsAtIndexPaths:withRowAnimation:"),
    replaceInPlace<&handleCallNotificationReplacement, gHandleCallNotification>(
        "CTCallCenter", "handleNotificationFromConnection:ofType:withInfo:"),
    replaceInPlace<&attemptDeviceUnlockReplacement, gAttemptDeviceUnlock>("SBAwayController",
                                                                          "attemptDeviceUnlockWithPassword:lockViewOwner:"),
};
static_assert(std::size(kTable) == 43);

}  // namespace

std::span<const hook::Entry> methodTable() { return kTable; }

void installMethodTable() { hook::install(kTable); }

}  // namespace noctil6
