// Host control, fingers on the windows: drags through a window of the screen, with one
// finger or several, delivered UIApplication sendEvent: → the window's sendEvent: →
// hit-testing and gesture recognisers, as iOS delivers touches.
#include <springboard6/HostControl.h>

#include "Classes.h"
#include "Common.h"
#include "HostControlState.h"

#include <objcface/Ivar.h>
#include <uikit/Simulation.h>
#include <uikit/UIWindow.h>

#include <vector>

namespace sb6 {

using detail::sel;
using detail::send;

namespace {

constexpr CGFloat kFingerSpacing = 30;  // further fingers go down to the right of the first

// Hands left down by a drag that did not lift them; they are taken away (cancelled)
// at shutdown.  The list is never destroyed: a program that ends with fingers still
// down (a script whose last drag says end=none) leaves them as they are, because
// cancelling touches from a static destructor would run after the runtime's
// autorelease pools are gone.
std::vector<uikit::sim::Hand>& heldHands() {
  static auto* hands = new std::vector<uikit::sim::Hand>();
  return *hands;
}

bool visible(id window) { return window && !send<BOOL>(window, sel<"isHidden">()); }

id visibleWindowWhere(bool (*test)(id)) {
  for (id w : uikit::windows()) {
    if (visible(w) && test(w)) return w;
  }
  return nil;
}

}  // namespace

id window(WindowKind kind) {
  if (!detail::launchedNow()) return nil;
  switch (kind) {
    case WindowKind::StatusBar: {
      id w = send<id>(detail::application(), sel<"statusBarWindow">());
      return visible(w) ? w : nil;
    }
    case WindowKind::LockScreen: {
      id w = objc::objectIvar(detail::awayController(), "_window");
      return visible(w) ? w : nil;
    }
    case WindowKind::List:
      return visibleWindowWhere([](id w) { return detail::isKind(w, "SBBulletinWindow"); });
    case WindowKind::Banner:
      return visibleWindowWhere([](id w) { return send<CGFloat>(w, sel<"windowLevel">()) == detail::kBannerWindowLevel; });
  }
  return nil;
}

objc::Status drag(const Drag& d) {
  if (!detail::launchedNow()) return detail::notLaunched();
  if (d.steps < 1) return objc::makeError("a drag needs at least one step");
  if (d.touches < 1) return objc::makeError("a drag needs at least one finger");
  if (d.seconds < 0) return objc::makeError("a drag cannot take negative time");
  objc::AutoreleasePool pool;
  id target = window(d.window);
  if (target == nil) return objc::makeError("that window is not on screen");
  id away = detail::awayController();
  if (send<BOOL>(away, sel<"isLocked">()) && send<BOOL>(away, sel<"isDimmed">())) {
    return objc::makeError("the screen is dark");
  }
  std::vector<CGPoint> points;
  for (int i = 0; i < d.touches; ++i) points.push_back(CGPointMake(d.from.x + kFingerSpacing * i, d.from.y));
  auto hand = uikit::sim::Hand::down(target, points);
  if (!hand) return hand.error();
  CGFloat dx = (d.to.x - d.from.x) / d.steps;
  CGFloat dy = (d.to.y - d.from.y) / d.steps;
  for (int i = 0; i < d.steps && hand->isDown(); ++i) {
    if (auto moved = hand->moveBy(dx, dy, d.seconds / d.steps); !moved) return moved;
  }
  objc::Status end = objc::Ok{};
  if (hand->isDown()) {
    switch (d.end) {
      case DragEnd::Ended: end = hand->up(); break;
      case DragEnd::Cancelled: end = hand->cancel(); break;
      case DragEnd::None: heldHands().push_back(std::move(*hand)); break;
    }
  }
  settle();
  return end;
}

namespace detail {

void releaseHeldHands() { heldHands().clear(); }

}  // namespace detail

}  // namespace sb6
