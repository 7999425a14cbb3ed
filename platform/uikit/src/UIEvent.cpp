#include <uikit/UIEvent.h>

#include "FoundationGlue.h"
#include "TouchInternals.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UIEventIvars* E(id event) { return reinterpret_cast<UIEventIvars*>(event); }

void eventDealloc(id self, SEL cmd) {
  objc::release(E(self)->_allTouches);
  E(self)->_allTouches = nil;
  objc::sendSuper<void>(self, UIEventClass(), cmd);
}

NSInteger eventType(id self, SEL) { return E(self)->_type; }
NSInteger eventSubtype(id, SEL) { return 0; }
double eventTimestamp(id self, SEL) { return E(self)->_timestamp; }
id eventAllTouches(id self, SEL) { return E(self)->_allTouches; }

template <class Keep>
id filtered(id self, Keep keep) {
  std::vector<id> out;
  for (id t : detail::eventTouches(self))
    if (keep(t)) out.push_back(t);
  return detail::makeNSSet(out);
}

id eventTouchesForView(id self, SEL, id view) {
  return filtered(self, [view](id t) { return detail::touchIvars(t)->_view == view; });
}
id eventTouchesForWindow(id self, SEL, id window) {
  return filtered(self, [window](id t) { return detail::touchIvars(t)->_window == window; });
}
id eventTouchesForRecognizer(id self, SEL, id recogniser) {
  return filtered(self, [recogniser](id t) {
    for (id g : detail::touchRecognizers(t))
      if (g == recogniser) return true;
    return false;
  });
}

}  // namespace

namespace detail {

id makeTouchEvent(const std::vector<id>& touches, double timestamp) {
  id event = objc::allocInit(UIEventClass());
  E(event)->_type = UIEventTypeTouches;
  E(event)->_timestamp = timestamp;
  E(event)->_allTouches = objc::retain(makeNSSet(touches));
  return objc::autorelease(event);
}

std::vector<id> eventTouches(id event) { return event ? setElements(E(event)->_allTouches) : std::vector<id>{}; }

}  // namespace detail

Class UIEventClass() {
  static const Class cls = objc::ClassBuilder<UIEventIvars>("UIEvent", objc::NSObjectClass())
                               .ivar<&UIEventIvars::_type>("_type")
                               .ivar<&UIEventIvars::_timestamp>("_timestamp")
                               .ivar<&UIEventIvars::_allTouches>("_allTouches")
                               .method<&eventDealloc>("dealloc")
                               .method<&eventType>("type")
                               .method<&eventSubtype>("subtype")
                               .method<&eventTimestamp>("timestamp")
                               .method<&eventAllTouches>("allTouches")
                               .method<&eventTouchesForView>("touchesForView:")
                               .method<&eventTouchesForWindow>("touchesForWindow:")
                               .method<&eventTouchesForRecognizer>("touchesForGestureRecognizer:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIEventAtLoad = UIEventClass();

}  // namespace uikit
