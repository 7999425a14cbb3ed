// UIControl: a view that sends target/action messages for control events.
//
// Targets are not retained.  Answers addTarget:action:forControlEvents:,
// removeTarget:action:forControlEvents: (nil target / null action match any),
// allTargets, allControlEvents, actionsForTarget:forControlEvent:,
// sendActionsForControlEvents:, sendAction:to:forEvent: (through UIApplication
// sendAction:to:from:forEvent:, so a nil target means the first responder's chain),
// enabled, selected, highlighted (and setters), state, contentHorizontalAlignment,
// contentVerticalAlignment.
//
// Touches: a finger going down highlights the control and sends TouchDown; moves
// send TouchDragInside / TouchDragOutside (highlighted while inside); lifting sends
// TouchUpInside or TouchUpOutside; a cancelled touch sends TouchCancel.  A disabled
// control ignores touches.  Actions are sent in the order they were added, each by
// message (sendAction:to:forEvent:), so overrides run.
#pragma once

#include <uikit/UIView.h>

#include <memory>

namespace uikit::detail {
struct ControlStorage;
}

struct UIControlIvars : UIViewIvars {
  BOOL _enabled;
  BOOL _selected;
  BOOL _highlighted;
  BOOL _tracking;
  BOOL _touchInside;
  NSInteger _contentHorizontalAlignment;
  NSInteger _contentVerticalAlignment;
  std::unique_ptr<uikit::detail::ControlStorage> _controlStorage;  // targets and actions
};

namespace uikit {

Class UIControlClass();

}  // namespace uikit
