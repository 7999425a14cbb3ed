// View animations: UIView's animation class methods and the log tests read.
//
// The stand-in does not draw frames: every change made inside an animation is
// applied at once, recorded in the animation log, and the animation's end (did-stop
// selector, or completion block with finished = YES) is delivered by the main run
// loop when the process clock reaches commit time + delay + duration.
//
// Class methods of UIView: beginAnimations:context:, commitAnimations,
// setAnimationCurve:, setAnimationDuration: (default 0.2 s), setAnimationDelay:,
// setAnimationDelegate: (retained until the animation ends),
// setAnimationDidStopSelector: (sent as animationDidStop:finished:context: — the
// animation ID, an NSNumber YES, the context pointer — or with fewer arguments when
// the selector takes fewer), setAnimationWillStartSelector: (sent at commit with the
// ID and context), setAnimationBeginsFromCurrentState:, setAnimationRepeatCount:,
// setAnimationRepeatAutoreverses:, setAnimationsEnabled:, areAnimationsEnabled,
// animateWithDuration:animations:, animateWithDuration:animations:completion:,
// animateWithDuration:delay:options:animations:completion: (the curve from the
// options' bits 16-19), performWithoutAnimation:, and
// transitionWithView:duration:options:animations:completion:.  Blocks are block
// objects (foundation/Block.h): void() for animations, void(BOOL) for completions.
//
// With animations disabled, changes are applied and logged with animated = false,
// and ends are delivered at the next pass of the run loop.
#pragma once

#include <uikit/UIKitTypes.h>

#include <string>
#include <vector>

namespace uikit {

// One property of one view changed inside an animation.  The view is identified by
// its address (it is not retained and may be gone); values are texts as the view
// prints them ("0.5", "(0 0; 320 44)", a colour's description).
struct AnimatedChange {
  id view;
  std::string viewClass;
  std::string property;  // "alpha", "frame", "bounds.origin", "backgroundColor"
  std::string from;
  std::string to;
};

struct AnimationRecord {
  std::string animationID;  // beginAnimations' ID ("" for nil and for block animations)
  bool blockBased = false;
  bool animated = true;  // false when animations were disabled
  NSInteger curve = UIViewAnimationCurveEaseInOut;
  double duration = 0;
  double delay = 0;
  double committedAt = 0;  // process clock
  std::vector<AnimatedChange> changes;
  bool ended = false;  // its did-stop selector or completion has run
};

// Every committed animation, oldest first.
const std::vector<AnimationRecord>& animationLog();
void clearAnimationLog();

// Whether an animation block is open now (between beginAnimations:context: and
// commitAnimations, or inside an animations block).
bool insideAnimationBlock();

}  // namespace uikit
