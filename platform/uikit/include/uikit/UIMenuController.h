// UIMenuController and UIMenuItem: the shared edit menu.
//
// UIMenuItem answers initWithTitle:action:, title, setTitle:, action, setAction:;
// its action is kept in the ivar `_action` (a SEL), its title in `_title`.
//
// UIMenuController answers +sharedMenuController, menuItems, setMenuItems: (the list
// is replaced whole; a copy is kept), setTargetRect:inView:, menuFrame,
// isMenuVisible/menuVisible, setMenuVisible:, setMenuVisible:animated:, update,
// arrowDirection, setArrowDirection:.  It does not answer
// registerAction:title:canPerform:.
//
// Showing: when the menu is made visible (and on update while visible) it asks the
// first responder canPerformAction:withSender: by message send, with the menu
// controller as sender, for the standard edit actions (cut:, copy:, select:,
// selectAll:, paste:, delete:, titled "Cut", "Copy", "Select", "Select All", "Paste",
// "Delete") and then for each custom item in order; the items answered YES are the
// visible items.  With no first responder, or no item answered YES, the menu stays
// hidden.  A change of first responder hides the menu.
//
// Performing a visible item sends its action to the first responder with the menu
// controller as sender, after hiding the menu (as a tap on the item does on iOS).
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <memory>
#include <string>
#include <vector>

namespace uikit::detail {
struct MenuStorage;
}

struct UIMenuItemIvars : NSObjectIvars {
  id _title;  // retained NSString
  SEL _action;
};

struct UIMenuControllerIvars : NSObjectIvars {
  id _menuItems;    // retained NSArray
  id _targetView;   // not retained
  CGRect _targetRect;
  NSInteger _arrowDirection;
  BOOL _menuVisible;
  std::unique_ptr<uikit::detail::MenuStorage> _menuStorage;  // the items shown
};

namespace uikit {

Class UIMenuItemClass();
Class UIMenuControllerClass();

// The shared menu controller.
id sharedMenuController();

// The titles of the items shown, in order; empty when the menu is hidden.
std::vector<std::string> visibleMenuItemTitles();

// Performs the shown item with this title (see above).  An error when the menu is
// hidden, no shown item has that title, or there is no first responder.
objc::Status performVisibleMenuItem(const std::string& title);

}  // namespace uikit
