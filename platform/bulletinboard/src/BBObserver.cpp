// BBObserver: a client's view of the bulletin server.  Its delegate is told about
// bulletins of the observer's feeds as they arrive and leave.
#include <bulletinboard/BulletinBoard.h>

#include "ObserverLink.h"

#include <foundation/NSString.h>
#include <foundation/RunLoop.h>

using objc::sel;
using objc::send;

namespace {

struct BBObserverIvars : NSObjectIvars {
  id _delegate;  // not retained
  NSUInteger _observerFeed;
  BOOL _registered;

  id delegate() { return _delegate; }
  NSUInteger observerFeed() { return _observerFeed; }
};

id observerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, bb::BBObserverClass(), cmd);
  if (self) objc::ivars<BBObserverIvars>(self)->_observerFeed = bb::kFeedAll;
  return self;
}

void observerSetDelegate(id self, SEL, id delegate) {
  auto* o = objc::ivars<BBObserverIvars>(self);
  o->_delegate = delegate;
  if (delegate != nil && !o->_registered) {
    o->_registered = YES;
    bb::BulletinServer::shared().addObserver(self);
  }
}

void observerSetFeed(id self, SEL, NSUInteger feed) { objc::ivars<BBObserverIvars>(self)->_observerFeed = feed; }

void observerInvalidate(id self, SEL) {
  auto* o = objc::ivars<BBObserverIvars>(self);
  if (o->_registered) bb::BulletinServer::shared().removeObserver(self);
  o->_registered = NO;
  o->_delegate = nil;
  bb::detail::observerWentAway(self);
}

// The server answers on its own time: the removals reach the delegate through the
// run loop, after the caller has returned.
void observerClearSection(id self, SEL, id sectionID) {
  if (sectionID == nil) return;
  std::string section = ns::utf8(sectionID);
  objc::Ref keep = objc::Ref::retain(self);
  ns::RunLoop::main().perform([section, keep] { bb::BulletinServer::shared().clearSection(section); });
}

void observerDealloc(id self, SEL cmd) {
  send<void>(self, sel<"invalidate">());
  objc::sendSuper<void>(self, bb::BBObserverClass(), cmd);
}

Class registerObserver() {
  return objc::ClassBuilder<BBObserverIvars>("BBObserver", objc::NSObjectClass())
      .ivar<&BBObserverIvars::_delegate>("_delegate")
      .ivar<&BBObserverIvars::_observerFeed>("_observerFeed")
      .ivar<&BBObserverIvars::_registered>("_registered")
      .method<&observerInit>("init")
      .method<&BBObserverIvars::delegate>("delegate")
      .method<&observerSetDelegate>("setDelegate:")
      .method<&BBObserverIvars::observerFeed>("observerFeed")
      .method<&observerSetFeed>("setObserverFeed:")
      .method<&observerInvalidate>("invalidate")
      .method<&observerClearSection>("clearSection:")
      .method<&observerDealloc>("dealloc")
      .registerClass();
}

}  // namespace

namespace bb {

Class BBObserverClass() {
  static const Class cls = registerObserver();
  return cls;
}

// The classes exist as soon as the library is loaded.
[[maybe_unused]] static const bool kRegisteredAtLoad = [] {
  BBBulletinClass();
  BBActionClass();
  BBObserverClass();
  return true;
}();

}  // namespace bb
