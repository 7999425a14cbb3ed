#include <objcface/Types.h>

#include "MethodTable.h"

#include "ActionMenu.h"
#include "Background.h"
#include "FoldedSections.h"
#include "Launch.h"
#include "Removal.h"

#include <noctil/MethodHooks.h>

namespace noctil7 {
namespace {

hook::Slot<void()> gFinishLaunching;

}  // namespace

void finishLaunchingReplacement(id self, SEL cmd) {
  gFinishLaunching(self, cmd);
  didFinishLaunching();
}

void installMethodTable() {
  // In the order of the table; saved superclasses are read per class just before its
  // first entry.
  const hook::Entry table[] = {
      hook::replace<&finishLaunchingReplacement, gFinishLaunching>("SBUIController", "finishLaunching"),
      hook::replace<&tableShouldShowMenuForCell, gShouldShowMenuForCell>("UITableView", "_shouldShowMenuForCell:"),
      hook::replace<&lockListCellForRow, gLockCellForRow>("SBLockScreenNotificationListView",
                                                          "tableView:cellForRowAtIndexPath:"),
      hook::replaceWithoutPrevious<&cellCanBecomeFirstResponder>("SBLockScreenBulletinCell", "canBecomeFirstResponder"),
      hook::replace<&lockCellCanPerform, gLockCellCanPerform>("SBLockScreenBulletinCell", "canPerformAction:withSender:"),
      hook::add<&cellLongPress>("SBLockScreenBulletinCell", "noctil_longPress:"),
      hook::add<&cellDelete>("SBLockScreenBulletinCell", "noctil_delete:"),
      hook::add<&cellClearAll>("SBLockScreenBulletinCell", "noctil_clearAll:"),
      hook::replace<&bulletinRemoveSection, gRemoveSection>("SBBulletinViewController", "_removeSection:"),
      hook::replace<&bulletinCellForRow, gBulletinCellForRow>("SBBulletinViewController",
                                                              "tableView:cellForRowAtIndexPath:"),
      hook::replace<&bulletinHeightForRow, gBulletinHeightForRow>("SBBulletinViewController",
                                                                  "tableView:heightForRowAtIndexPath:"),
      hook::replace<&bulletinViewForHeader, gBulletinViewForHeader>("SBBulletinViewController",
                                                                    "tableView:viewForHeaderInSection:"),
      hook::replace<&insertBulletin, gInsertBulletin>("SBBulletinViewController", "_insertBulletin:atIndex:inSection:"),
      hook::replaceWithoutPrevious<&centerCellCanBecomeFirstResponder>("SBNotificationsBulletinCell",
                                                                       "canBecomeFirstResponder"),
      hook::replace<&centerCellCanPerform, gCenterCellCanPerform>("SBNotificationsBulletinCell",
                                                                  "canPerformAction:withSender:"),
      hook::replace<&centerCellLongPressRecognized, gLongPressRecognized>("SBNotificationsBulletinCell",
                                                                          "_longPressGestureRecognized:"),
      hook::replace<&centerCellSetupMenuGesture, gSetupMenuGesture>("SBNotificationsBulletinCell", "_setupMenuGesture"),
      hook::add<&cellDelete>("SBNotificationsBulletinCell", "noctil_delete:"),
      hook::add<&cellClearAll>("SBNotificationsBulletinCell", "noctil_clearAll:"),
      hook::replace<&headerTouchesEnded, gHeaderTouchesEnded>("SBNotificationsSectionHeaderView",
                                                              "touchesEnded:withEvent:"),
      hook::replace<&notificationCenterWillAppear, gViewWillAppear>("SBNotificationCenterViewController",
                                                                    "viewWillAppear:"),
      hook::replace<&notificationCenterWillDisappear, gViewWillDisappear>("SBNotificationCenterViewController",
                                                                          "viewWillDisappear:"),
  };
  static_assert(std::size(table) == 22);
  hook::install(table);
}

}  // namespace noctil7
