// UIPopoverController: a controller's view shown in a floating panel with an arrow
// pointing at a rectangle of a view (iPad).
//
// Answers initWithContentViewController:, contentViewController /
// setContentViewController:, delegate / setDelegate: (not retained),
// popoverContentSize / setPopoverContentSize:, popoverVisible / isPopoverVisible,
// popoverArrowDirection, presentPopoverFromRect:inView:permittedArrowDirections:
// animated:, dismissPopoverAnimated:.  Presenting puts the content controller's view
// in the window of the view it points into (or the key window) and sends it
// viewWillAppear: / viewDidAppear:; dismissing takes it out again with
// viewWillDisappear: / viewDidDisappear:.  The popover must be kept by its owner
// while visible; one that goes away while visible takes its content off screen.
//
// Taps outside: while visible, a clear dimming view (UIDimmingView) covers the rest
// of the window, behind the panel.  A tap on it dismisses the popover, as UIKit
// does: the delegate is first asked popoverControllerShouldDismissPopover: (when it
// answers it; NO keeps the popover up), then, once the content is off screen, told
// popoverControllerDidDismissPopover:.  Touches on the views of passthroughViews /
// setPassthroughViews: (an array, copied) go through to them and dismiss nothing.
// dismissPopoverAnimated: tells the delegate nothing, as on iOS.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <optional>
#include <vector>

using UIPopoverArrowDirection = NSUInteger;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionUp = 1 << 0;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionDown = 1 << 1;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionLeft = 1 << 2;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionRight = 1 << 3;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionAny = 15;
inline constexpr UIPopoverArrowDirection UIPopoverArrowDirectionUnknown = ~NSUInteger{0};

struct UIPopoverControllerIvars : NSObjectIvars {
  id _contentViewController;  // retained
  id _popoverDelegate;        // not retained
  id _presentedInView;        // not retained
  id _passthroughViews;       // retained NSArray, nil for none
  id _dimmingView;            // retained while visible: catches taps outside the panel
  CGRect _presentedFromRect;
  CGSize _popoverContentSize;
  UIPopoverArrowDirection _permittedArrowDirections;
  UIPopoverArrowDirection _popoverArrowDirection;
  BOOL _popoverVisible;
};

namespace uikit {

Class UIPopoverControllerClass();

// Popovers on screen now, oldest first (borrowed).
std::vector<id> visiblePopovers();

// Where a visible popover was presented from.
struct PopoverPresentation {
  CGRect rect;
  id view;  // borrowed
  UIPopoverArrowDirection permittedArrowDirections;
};
std::optional<PopoverPresentation> popoverPresentation(id popover);

}  // namespace uikit
