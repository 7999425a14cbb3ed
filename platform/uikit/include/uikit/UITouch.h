// UITouch: one finger on the screen, as delivered in touch events.
//
// Answers timestamp, phase (began 0, moved 1, stationary 2, ended 3, cancelled 4),
// tapCount, view (the view hit when the finger went down), window,
// locationInView: and previousLocationInView: (nil: the window's coordinates), and
// gestureRecognizers (those the touch is delivered to).  Touches are made by the
// event simulation (uikit/Simulation.h), never by callers.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <memory>

namespace uikit::detail {
struct TouchStorage;
}

struct UITouchIvars : NSObjectIvars {
  double _timestamp;
  NSInteger _phase;
  NSUInteger _tapCount;
  id _view;    // retained
  id _window;  // retained
  id _root;    // retained: the top-most view, whose coordinates the locations use
  CGPoint _location;
  CGPoint _previousLocation;
  BOOL _deliveredToView;  // the view has seen touchesBegan:withEvent: for it
  BOOL _cancelledInView;  // a recogniser took it: the view saw touchesCancelled:
  std::unique_ptr<uikit::detail::TouchStorage> _touchStorage;  // recognisers
};

namespace uikit {

Class UITouchClass();

}  // namespace uikit
