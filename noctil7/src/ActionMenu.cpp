#include "ActionMenu.h"

#include "Cells.h"
#include "Options.h"
#include "Removal.h"

#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <cstring>
#include <vector>

namespace noctil7 {

hook::Slot<BOOL(id)> gShouldShowMenuForCell;
hook::Slot<id(id, id)> gLockCellForRow;
hook::Slot<BOOL(SEL, id)> gLockCellCanPerform;
hook::Slot<BOOL(SEL, id)> gCenterCellCanPerform;
hook::Slot<void(id)> gLongPressRecognized;
hook::Slot<void()> gSetupMenuGesture;

namespace {

using objc::sel;

id sharedMenu() { return objc::send<id>(objc_lookUpClass("UIMenuController"), sel<"sharedMenuController">()); }

// The long-press recognisers attached to `view` whose description mentions `action`.
std::vector<id> longPressRecognizers(id view, const char* action) {
  std::vector<id> found;
  id recognizers = objc::send<id>(view, sel<"gestureRecognizers">());
  NSUInteger count = objc::send<NSUInteger>(recognizers, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id recognizer = objc::send<id>(recognizers, sel<"objectAtIndex:">(), i);
    if (!isKindOfClassNamed(recognizer, "UILongPressGestureRecognizer")) continue;
    id description = objc::send<id>(recognizer, sel<"description">());
    const char* text = objc::send<const char*>(description, sel<"UTF8String">());
    if (text != nullptr && std::strstr(text, action) != nullptr) found.push_back(recognizer);
  }
  return found;
}

void removeRecognizers(id view, const char* action) {
  // Collected first: removing while walking the view's list would skip entries.
  for (id recognizer : longPressRecognizers(view, action))
    objc::send<void>(view, sel<"removeGestureRecognizer:">(), recognizer);
}

id menuItem(id bundle, const char* key, SEL action) {
  id title = objc::send<id>(bundle, sel<"localizedStringForKey:value:table:">(), nsString(key), nsString(""),
                            nsString("Localizable"));
  // Without the settings bundle there is no table at all; the key itself (the
  // English title) is shown rather than an item without a title.
  if (title == nil) title = nsString(key);
  id item = objc::send<id>(objc::send<id>(objc_lookUpClass("UIMenuItem"), sel<"alloc">()), sel<"initWithTitle:action:">(),
                           title, action);
  return objc::autorelease(item);
}

BOOL canPerform(id self, SEL action) {
  return isNotificationCell(self) && options().actionMenuEnabled &&
                 (sel_isEqual(action, sel<"noctil_delete:">()) || sel_isEqual(action, sel<"noctil_clearAll:">()))
             ? YES
             : NO;
}

// Whether the shared menu already holds another add-on's open item.
BOOL menuHoldsOpenItem() {
  id items = objc::send<id>(sharedMenu(), sel<"menuItems">());
  NSUInteger count = objc::send<NSUInteger>(items, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id item = objc::send<id>(items, sel<"objectAtIndex:">(), i);
    auto action = objc::getIvar<SEL>(item, "_action");
    if (action && *action != nullptr && sel_isEqual(*action, sel<"parvel_open:">())) return YES;
  }
  return NO;
}

}  // namespace

void installActionMenuItems() {
  if (!options().actionMenuEnabled) return;
  objc::AutoreleasePool pool;
  id bundle = objc::send<id>(objc_lookUpClass("NSBundle"), sel<"bundleWithPath:">(), nsString(kSettingsBundlePath));
  id remove = menuItem(bundle, "Delete", sel<"noctil_delete:">());
  id clearAll = menuItem(bundle, "Clear All", sel<"noctil_clearAll:">());
  id items = objc::send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
  objc::send<void>(items, sel<"addObject:">(), remove);
  objc::send<void>(items, sel<"addObject:">(), clearAll);
  objc::send<void>(sharedMenu(), sel<"setMenuItems:">(), items);
}

BOOL tableShouldShowMenuForCell(id self, SEL cmd, id cell) {
  if (isNotificationCell(cell)) return options().actionMenuEnabled;
  return gShouldShowMenuForCell(self, cmd, cell);
}

id lockListCellForRow(id self, SEL cmd, id tableView, id indexPath) {
  id cell = gLockCellForRow(self, cmd, tableView, indexPath);
  if (cell == nil) return cell;
  objc::AutoreleasePool pool;
  removeRecognizers(cell, "noctil_longPress:");
  if (!isNotificationCell(cell)) return cell;
  if (options().actionMenuEnabled) {
    removeRecognizers(objc::send<id>(cell, sel<"contentView">()), "_longPressGestureRecognized:");
    id recognizer = objc::send<id>(objc::send<id>(objc_lookUpClass("UILongPressGestureRecognizer"), sel<"alloc">()),
                                   sel<"initWithTarget:action:">(), cell, sel<"noctil_longPress:">());
    objc::send<void>(recognizer, sel<"setMinimumPressDuration:">(), kPressDuration);
    objc::send<void>(cell, sel<"addGestureRecognizer:">(), recognizer);
    objc::release(recognizer);
  }
  return cell;
}

BOOL cellCanBecomeFirstResponder(id, SEL) { return YES; }
BOOL centerCellCanBecomeFirstResponder(id, SEL) { return YES; }

BOOL lockCellCanPerform(id self, SEL cmd, SEL action, id sender) {
  return canPerform(self, action) ? YES : gLockCellCanPerform(self, cmd, action, sender);
}

BOOL centerCellCanPerform(id self, SEL cmd, SEL action, id sender) {
  return canPerform(self, action) ? YES : gCenterCellCanPerform(self, cmd, action, sender);
}

void cellLongPress(id self, SEL, id recognizer) {
  if (objc::send<NSInteger>(recognizer, sel<"state">()) != 1 || !options().actionMenuEnabled) return;
  installActionMenuItems();
  objc::send<BOOL>(self, sel<"becomeFirstResponder">());
  id menu = sharedMenu();
  objc::send<void>(menu, sel<"setTargetRect:inView:">(), objc::send<CGRect>(self, sel<"frame">()),
                   objc::send<id>(self, sel<"superview">()));
  objc::send<void>(menu, sel<"setMenuVisible:animated:">(), BOOL{YES}, BOOL{YES});
}

void cellDelete(id self, SEL, id) { removeNotificationOfCell(self); }

void cellClearAll(id self, SEL, id) { removeAllNotificationsInTable(objc::objectIvar(self, "_tableView")); }

void centerCellLongPressRecognized(id self, SEL cmd, id recognizer) {
  if (objc::send<NSInteger>(recognizer, sel<"state">()) == 1 && !menuHoldsOpenItem() && isNotificationCell(self) &&
      options().actionMenuEnabled)
    installActionMenuItems();
  objc::Ref protect = objc::Ref::retain(self);
  gLongPressRecognized(self, cmd, recognizer);
  objc::send<void>(self, sel<"setSelected:">(), BOOL{NO});
}

void centerCellSetupMenuGesture(id self, SEL cmd) {
  gSetupMenuGesture(self, cmd);
  if (id gesture = objc::objectIvar(self, "_menuGesture"))
    objc::send<void>(gesture, sel<"setMinimumPressDuration:">(), kPressDuration);
}

}  // namespace noctil7
