#include <uikit/UITouch.h>
#include <uikit/UIView.h>

#include "FoundationGlue.h"
#include "TouchInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using detail::touchIvars;
using objc::send;
using objc::sel;

namespace {

detail::TouchStorage& storage(id touch) {
  auto& slot = touchIvars(touch)->_touchStorage;
  if (!slot) slot = std::make_unique<detail::TouchStorage>();
  return *slot;
}

void touchDealloc(id self, SEL cmd) {
  UITouchIvars* t = touchIvars(self);
  if (t->_touchStorage) {
    for (id g : t->_touchStorage->gestureRecognizers) objc::release(g);
    t->_touchStorage.reset();
  }
  objc::release(t->_view);
  objc::release(t->_window);
  objc::release(t->_root);
  t->_view = t->_window = t->_root = nil;
  objc::sendSuper<void>(self, UITouchClass(), cmd);
}

double touchTimestamp(id self, SEL) { return touchIvars(self)->_timestamp; }
NSInteger touchPhase(id self, SEL) { return touchIvars(self)->_phase; }
NSUInteger touchTapCount(id self, SEL) { return touchIvars(self)->_tapCount; }
id touchView(id self, SEL) { return touchIvars(self)->_view; }
id touchWindow(id self, SEL) { return touchIvars(self)->_window; }

CGPoint locate(id self, CGPoint inRoot, id view) {
  id root = touchIvars(self)->_root;
  if (view == nil) return inRoot;
  return convertPoint(inRoot, root, view);
}

CGPoint touchLocation(id self, SEL, id view) { return locate(self, touchIvars(self)->_location, view); }
CGPoint touchPreviousLocation(id self, SEL, id view) { return locate(self, touchIvars(self)->_previousLocation, view); }

id touchGestureRecognizers(id self, SEL) {
  if (!touchIvars(self)->_touchStorage) return detail::makeNSArray({});
  return detail::makeNSArray(touchIvars(self)->_touchStorage->gestureRecognizers);
}

id touchDescription(id self, SEL) {
  static const char* kPhases[] = {"UITouchPhaseBegan", "UITouchPhaseMoved", "UITouchPhaseStationary",
                                  "UITouchPhaseEnded", "UITouchPhaseCancelled"};
  UITouchIvars* t = touchIvars(self);
  std::string text = objc::defaultDescription(self);
  text.pop_back();
  NSInteger phase = std::clamp<NSInteger>(t->_phase, 0, 4);
  text += std::string(" phase: ") + kPhases[phase] + " tap count: " + std::to_string(t->_tapCount) +
          " window: " + objc::defaultDescription(t->_window) + " view: " + objc::defaultDescription(t->_view) +
          " location in window: {" + detail::formatNumber(t->_location.x) + ", " + detail::formatNumber(t->_location.y) +
          "}>";
  return detail::makeNSString(text);
}

}  // namespace

namespace detail {

id makeTouch(id root, id window, id view, CGPoint pointInRoot, double timestamp, NSUInteger tapCount) {
  id touch = objc::allocInit(UITouchClass());
  UITouchIvars* t = touchIvars(touch);
  t->_root = objc::retain(root);
  t->_window = objc::retain(window);
  t->_view = objc::retain(view);
  t->_location = t->_previousLocation = pointInRoot;
  t->_timestamp = timestamp;
  t->_phase = UITouchPhaseBegan;
  t->_tapCount = tapCount;
  return touch;
}

void updateTouch(id touch, NSInteger phase, CGPoint pointInRoot, double timestamp) {
  UITouchIvars* t = touchIvars(touch);
  t->_previousLocation = t->_location;
  t->_location = pointInRoot;
  t->_phase = phase;
  t->_timestamp = timestamp;
}

std::vector<id> touchRecognizers(id touch) {
  if (!touchIvars(touch)->_touchStorage) return {};
  return touchIvars(touch)->_touchStorage->gestureRecognizers;
}

void setTouchRecognizers(id touch, const std::vector<id>& recognisers) {
  auto& list = storage(touch).gestureRecognizers;
  for (id g : recognisers) objc::retain(g);
  for (id g : list) objc::release(g);
  list = recognisers;
}

void removeTouchRecognizer(id touch, id recogniser) {
  if (!touchIvars(touch)->_touchStorage) return;
  auto& list = touchIvars(touch)->_touchStorage->gestureRecognizers;
  auto it = std::find(list.begin(), list.end(), recogniser);
  if (it == list.end()) return;
  list.erase(it);
  objc::release(recogniser);
}

}  // namespace detail

Class UITouchClass() {
  static const Class cls = objc::ClassBuilder<UITouchIvars>("UITouch", objc::NSObjectClass())
                               .ivar<&UITouchIvars::_timestamp>("_timestamp")
                               .ivar<&UITouchIvars::_phase>("_phase")
                               .ivar<&UITouchIvars::_tapCount>("_tapCount")
                               .ivar<&UITouchIvars::_view>("_view")
                               .ivar<&UITouchIvars::_window>("_window")
                               .ivar<&UITouchIvars::_root>("_root")
                               .ivar<&UITouchIvars::_location>("_location")
                               .ivar<&UITouchIvars::_previousLocation>("_previousLocation")
                               .ivar<&UITouchIvars::_deliveredToView>("_deliveredToView")
                               .ivar<&UITouchIvars::_cancelledInView>("_cancelledInView")
                               .ivar<&UITouchIvars::_touchStorage>("_touchStorage")
                               .method<&touchDealloc>("dealloc")
                               .method<&touchTimestamp>("timestamp")
                               .method<&touchPhase>("phase")
                               .method<&touchTapCount>("tapCount")
                               .method<&touchView>("view")
                               .method<&touchWindow>("window")
                               .method<&touchLocation>("locationInView:")
                               .method<&touchPreviousLocation>("previousLocationInView:")
                               .method<&touchGestureRecognizers>("gestureRecognizers")
                               .method<&touchDescription>("description")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUITouchAtLoad = UITouchClass();

}  // namespace uikit
