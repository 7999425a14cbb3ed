// Touch delivery: what a window does with the touches of an event.  Recognisers see
// the touches first (each gets the touches it is attached to, phase by phase); then
// each touch's view gets touchesBegan/Moved/Ended/Cancelled:withEvent: by message
// send, unless a recogniser has taken the touch, in which case the view got
// touchesCancelled:withEvent: once when that happened.
#include "FoundationGlue.h"
#include "TouchInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <utility>

namespace uikit::detail {

using objc::send;
using objc::sel;

namespace {

SEL selectorForPhase(NSInteger phase) {
  switch (phase) {
    case UITouchPhaseBegan: return sel<"touchesBegan:withEvent:">();
    case UITouchPhaseMoved: return sel<"touchesMoved:withEvent:">();
    case UITouchPhaseEnded: return sel<"touchesEnded:withEvent:">();
    case UITouchPhaseCancelled: return sel<"touchesCancelled:withEvent:">();
    default: return nullptr;  // stationary touches are not delivered on their own
  }
}

constexpr NSInteger kPhaseOrder[] = {UITouchPhaseBegan, UITouchPhaseMoved, UITouchPhaseEnded, UITouchPhaseCancelled};

}  // namespace

void deliverTouches(id event, id window) {
  std::vector<objc::Ref> touches;
  for (id t : eventTouches(event))
    if (window == nil || touchIvars(t)->_window == window) touches.push_back(objc::Ref::retain(t));
  if (touches.empty()) return;

  // Recognisers, in the order they first appear on the touches.
  std::vector<objc::Ref> recognisers;
  for (const objc::Ref& t : touches)
    for (id g : touchRecognizers(t))
      if (std::none_of(recognisers.begin(), recognisers.end(), [g](const objc::Ref& r) { return r.get() == g; }))
        recognisers.push_back(objc::Ref::retain(g));
  for (const objc::Ref& g : recognisers) {
    for (NSInteger phase : kPhaseOrder) {
      std::vector<id> subset;
      for (const objc::Ref& t : touches) {
        if (touchIvars(t)->_phase != phase) continue;
        std::vector<id> list = touchRecognizers(t);
        if (std::find(list.begin(), list.end(), g.get()) != list.end()) subset.push_back(t);
      }
      if (!subset.empty()) send<void>(g, selectorForPhase(phase), makeNSSet(subset), event);
    }
  }

  // Views, grouped by view and phase, in the order the views first appear.
  std::vector<std::pair<id, NSInteger>> groups;
  for (const objc::Ref& t : touches) {
    UITouchIvars* ti = touchIvars(t);
    if (ti->_cancelledInView || ti->_view == nil || selectorForPhase(ti->_phase) == nullptr) continue;
    std::pair<id, NSInteger> key{ti->_view, ti->_phase};
    if (std::find(groups.begin(), groups.end(), key) == groups.end()) groups.push_back(key);
  }
  for (auto [view, phase] : groups) {
    std::vector<id> subset;
    for (const objc::Ref& t : touches) {
      UITouchIvars* ti = touchIvars(t);
      if (ti->_view == view && ti->_phase == phase && !ti->_cancelledInView) subset.push_back(t);
    }
    if (subset.empty()) continue;
    if (phase == UITouchPhaseBegan)
      for (id t : subset) touchIvars(t)->_deliveredToView = YES;
    objc::Ref keep = objc::Ref::retain(view);
    send<void>(view, selectorForPhase(phase), makeNSSet(subset), event);
  }
}

void cancelTouchesInViews(const std::vector<id>& touches) {
  std::vector<std::pair<id, std::vector<id>>> byView;
  for (id t : touches) {
    UITouchIvars* ti = touchIvars(t);
    if (ti->_cancelledInView) continue;
    ti->_cancelledInView = YES;
    if (!ti->_deliveredToView || ti->_view == nil) continue;
    auto it = std::find_if(byView.begin(), byView.end(), [&](const auto& entry) { return entry.first == ti->_view; });
    if (it == byView.end()) byView.push_back({ti->_view, {t}});
    else it->second.push_back(t);
  }
  for (auto& [view, list] : byView) {
    objc::Ref keep = objc::Ref::retain(view);
    id event = makeTouchEvent(list, touchIvars(list.front())->_timestamp);
    send<void>(view, sel<"touchesCancelled:withEvent:">(), makeNSSet(list), event);
  }
}

}  // namespace uikit::detail
