// UIActionSheet: a set of buttons that slides up over a view.  Buttons are numbered
// in the order a phone shows them: the destructive button first, then the other
// buttons in the order given, then the cancel button last.
//
// Answers initWithTitle:delegate:cancelButtonTitle:destructiveButtonTitle:
// otherButtonTitles: (nil-terminated), title / setTitle:, delegate / setDelegate:
// (not retained), addButtonWithTitle:, buttonTitleAtIndex:, numberOfButtons,
// cancelButtonIndex / setCancelButtonIndex:, destructiveButtonIndex,
// firstOtherButtonIndex, visible / isVisible, showInView:, showFromRect:inView:
// animated:, dismissWithClickedButtonIndex:animated:.
//
// While shown, the platform keeps the sheet (the caller may release it).  A user's
// tap (tapActionSheetButton) sends the delegate actionSheet:clickedButtonAtIndex:,
// then dismisses: actionSheet:willDismissWithButtonIndex:, the sheet leaves the
// screen, actionSheet:didDismissWithButtonIndex:.  A dismissal from code sends only
// the last two, as on iOS.
#pragma once

#include <uikit/UIView.h>

#include <objcface/Result.h>

#include <string>
#include <vector>

struct UIActionSheetIvars : UIViewIvars {
  id _sheetDelegate;  // not retained
  id _title;          // retained
  id _buttonTitles;   // retained NSMutableArray
  NSInteger _cancelButtonIndex;
  NSInteger _destructiveButtonIndex;
  NSInteger _firstOtherButtonIndex;
  id _shownInView;    // not retained
  BOOL _visible;
};

namespace uikit {

Class UIActionSheetClass();

// Sheets on screen now, oldest first (borrowed).
std::vector<id> visibleActionSheets();

// The titles of a sheet's buttons in index order.
std::vector<std::string> actionSheetButtonTitles(id sheet);

// The user taps button `index` of a shown sheet (see above); an error when the sheet
// is not shown or has no such button.
objc::Status tapActionSheetButton(id sheet, NSInteger index);

}  // namespace uikit
