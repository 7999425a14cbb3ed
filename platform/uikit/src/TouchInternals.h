// The internal side of touches and events: how the simulation makes them and how the
// application, windows and recognisers pass them along.
#pragma once

#include <uikit/UIEvent.h>
#include <uikit/UITouch.h>

#include <vector>

namespace uikit::detail {

struct TouchStorage {
  std::vector<id> gestureRecognizers;  // retained, in delivery order
};

inline UITouchIvars* touchIvars(id touch) { return reinterpret_cast<UITouchIvars*>(touch); }

// A new touch (+1) in the began phase at `pointInRoot` (coordinates of `root`, the
// top-most view of the hierarchy the finger is on).
id makeTouch(id root, id window, id view, CGPoint pointInRoot, double timestamp, NSUInteger tapCount);

// Moves a touch on: a new phase and location; the old location becomes the previous.
void updateTouch(id touch, NSInteger phase, CGPoint pointInRoot, double timestamp);

// The recognisers a touch goes to (borrowed).
std::vector<id> touchRecognizers(id touch);
void setTouchRecognizers(id touch, const std::vector<id>& recognisers);
void removeTouchRecognizer(id touch, id recogniser);

// A new autoreleased event holding the touches.
id makeTouchEvent(const std::vector<id>& touches, double timestamp);

// The touches of an event (borrowed), in no particular order.
std::vector<id> eventTouches(id event);

// Delivers an event's touches to their recognisers, then to their views (what
// -[UIWindow sendEvent:] does for the touches of one window; window nil: every touch).
void deliverTouches(id event, id window);

// Tells the views of `touches` that a recogniser took them: each view that saw the
// touch begin gets touchesCancelled:withEvent: once, and the touch goes to its view
// no more.
void cancelTouchesInViews(const std::vector<id>& touches);

}  // namespace uikit::detail
