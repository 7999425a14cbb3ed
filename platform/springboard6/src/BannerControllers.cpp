// Banners: a notification that arrives while the device is unlocked (and Notification
// Center is not shown) slides in at the top of the screen, over the status bar, and
// leaves by itself after a few seconds.
//
// SBBulletinBannerController is the bulletin server's observer for banners: it makes
// a banner item per notification and presents it (_presentBannerForItem:), or queues
// it while another banner shows; a tap on the banner goes to its
// _handleBannerTapGesture:, which dismisses the banner and performs the notification's
// action.  SBBannerController owns the banner window and the banner on screen
// (_bannerAndShadowView, whose _banner is the banner view): it presents the queued
// banners that follow (_presentBannerForItem:existingDismissReason:, the reason being
// why the one before went), times them out and dismisses them
// (_tryToDismissBannerWithAnimation:).
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"
#include "ListShared.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/UIKitTypes.h>

namespace sb6::detail {
namespace {

// Why a banner went away.
constexpr NSInteger kDismissReasonTimeout = 1;
constexpr NSInteger kDismissReasonTapped = 2;

// ---- SBBannerController ----

struct BannerControllerIvars : NSObjectIvars {
  id _bannerWindow;         // retained UIWindow at the banner level, made on first use
  id _bannerAndShadowView;  // retained while a banner is on screen
  id _currentItem;          // retained SBBulletinBannerItem shown now
  id _tapRecognizer;        // retained, on the banner view
  NSUInteger _generation;   // counts banners; a stale timer or animation end is ignored
  NSInteger _existingDismissReason;  // why the banner before the one shown went
  NSInteger _dismissReason;          // why the one shown goes (0 while it stays)
  BOOL _dismissing;
};

BannerControllerIvars* bc(id self) { return objc::ivars<BannerControllerIvars>(self); }
Class bannerControllerClass() { return objc::classNamed("SBBannerController"); }
id bannerController() { return shared("SBBannerController", sel<"sharedInstance">()); }
id bulletinBannerController() { return shared("SBBulletinBannerController", sel<"sharedInstance">()); }

void* contextFor(id self) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(bc(self)->_generation)); }
bool isCurrent(id self, void* context) {
  return reinterpret_cast<std::uintptr_t>(context) == static_cast<std::uintptr_t>(bc(self)->_generation);
}

id bannerWindow(id self) {
  auto* c = bc(self);
  if (!c->_bannerWindow) {
    CGRect screen = screenBounds();
    c->_bannerWindow = send<id>(send<id>(objc::classNamed("UIWindow"), sel<"alloc">()), sel<"initWithFrame:">(),
                                CGRectMake(0, 0, screen.size.width, kBannerHeight));
    send<void>(c->_bannerWindow, sel<"setWindowLevel:">(), kBannerWindowLevel);
  }
  return c->_bannerWindow;
}

void beginSlide(id self, SEL didStop) {
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBBannerSlide"), contextFor(self));
  send<void>(view, sel<"setAnimationCurve:">(), NSInteger{UIViewAnimationCurveEaseInOut});
  send<void>(view, sel<"setAnimationDuration:">(), kBannerSlideSeconds);
  send<void>(view, sel<"setAnimationDelegate:">(), self);
  send<void>(view, sel<"setAnimationDidStopSelector:">(), didStop);
}

// Takes the banner on screen away at once.
void removeBanner(id self) {
  auto* c = bc(self);
  if (c->_tapRecognizer) {
    send<void>(send<id>(c->_tapRecognizer, sel<"view">()), sel<"removeGestureRecognizer:">(), c->_tapRecognizer);
  }
  clear(c->_tapRecognizer);
  if (c->_bannerAndShadowView) send<void>(c->_bannerAndShadowView, sel<"removeFromSuperview">());
  clear(c->_bannerAndShadowView);
  clear(c->_currentItem);
  c->_dismissing = NO;
  if (c->_bannerWindow) send<void>(c->_bannerWindow, sel<"setHidden:">(), BOOL{YES});
}

// Puts a banner for the item on screen: it slides down into the banner window, the
// bulletin banner controller hears its taps, and it is timed out after a few seconds.
void installBanner(id self, id item) {
  auto* c = bc(self);
  removeBanner(self);
  ++c->_generation;
  c->_dismissReason = 0;
  c->_existingDismissReason = 0;
  setRetained(c->_currentItem, item);
  objc::Ref banner = objc::Ref::adopt(
      send<id>(send<id>(objc::classNamed("SBBulletinBannerView"), sel<"alloc">()), sel<"initWithItem:">(), item));
  c->_bannerAndShadowView = send<id>(send<id>(objc::classNamed("SBBannerAndShadowView"), sel<"alloc">()),
                                     sel<"initWithBanner:">(), banner.get());
  c->_tapRecognizer = send<id>(send<id>(objc::classNamed("UITapGestureRecognizer"), sel<"alloc">()),
                               sel<"initWithTarget:action:">(), bulletinBannerController(), sel<"_handleBannerTapGesture:">());
  send<void>(banner, sel<"addGestureRecognizer:">(), c->_tapRecognizer);
  id window = bannerWindow(self);
  CGRect frame = send<CGRect>(c->_bannerAndShadowView, sel<"frame">());
  send<void>(c->_bannerAndShadowView, sel<"setFrame:">(), CGRectOffset(frame, 0, -frame.size.height));
  send<void>(window, sel<"addSubview:">(), c->_bannerAndShadowView);
  send<void>(window, sel<"setHidden:">(), BOOL{NO});
  beginSlide(self, nullptr);
  send<void>(c->_bannerAndShadowView, sel<"setFrame:">(), frame);
  send<void>(objc::classNamed("UIView"), sel<"commitAnimations">());
  send<void>(self, sel<"performSelector:withObject:afterDelay:">(), sel<"_bannerTimerFired:">(),
             send<id>(objc::classNamed("NSNumber"), sel<"numberWithUnsignedLong:">(), c->_generation),
             double{kBannerSlideSeconds + kBannerShowSeconds});
}

id bannerControllerShared(id, SEL) {
  id& slot = sharedSlot("SBBannerController");
  if (!slot) slot = newObject("SBBannerController");
  return slot;
}

// Presents an item, taking away at once a banner still on screen; `reason` is why the
// banner before this one went.
void bannerControllerPresent(id self, SEL, id item, NSInteger reason) {
  if (item == nil) return;
  objc::Ref keep = objc::Ref::retain(item);
  installBanner(self, item);
  bc(self)->_existingDismissReason = reason;
}

// The banner's time is up.
void bannerControllerTimerFired(id self, SEL, id generation) {
  if (send<NSUInteger>(generation, sel<"unsignedLongValue">()) != bc(self)->_generation) return;
  bc(self)->_dismissReason = kDismissReasonTimeout;
  send<void>(self, sel<"_tryToDismissBannerWithAnimation:">(), BOOL{YES});
}

// Dismisses the banner on screen (nothing when there is none or it is leaving): it
// slides up, and once it is gone the next queued banner comes.
void bannerControllerTryToDismiss(id self, SEL, BOOL animated) {
  auto* c = bc(self);
  if (c->_bannerAndShadowView == nil || c->_dismissing) return;
  c->_dismissing = YES;
  if (c->_dismissReason == 0) c->_dismissReason = kDismissReasonTapped;
  if (!animated) {
    send<void>(self, sel<"_bannerDismissAnimationDidStop:finished:context:">(), id{nil}, id{nil}, contextFor(self));
    return;
  }
  CGRect frame = send<CGRect>(c->_bannerAndShadowView, sel<"frame">());
  beginSlide(self, sel<"_bannerDismissAnimationDidStop:finished:context:">());
  send<void>(c->_bannerAndShadowView, sel<"setFrame:">(), CGRectMake(frame.origin.x, -frame.size.height, frame.size.width,
                                                                      frame.size.height));
  send<void>(objc::classNamed("UIView"), sel<"commitAnimations">());
}

void bannerControllerDismissDidStop(id self, SEL, id, id, void* context) {
  if (!isCurrent(self, context) || !bc(self)->_dismissing) return;
  NSInteger reason = bc(self)->_dismissReason;
  removeBanner(self);
  send<void>(bulletinBannerController(), sel<"_bannerDidDismissWithReason:">(), reason);
}

BOOL bannerControllerIsShowing(id self, SEL) {
  return bc(self)->_bannerAndShadowView != nil && !bc(self)->_dismissing ? YES : NO;
}
id bannerControllerCurrentItem(id self, SEL) { return bc(self)->_currentItem; }
id bannerControllerBannerWindow(id self, SEL) { return bc(self)->_bannerWindow; }

void bannerControllerDealloc(id self, SEL cmd) {
  send<void>(objc::classNamed("NSObject"), sel<"cancelPreviousPerformRequestsWithTarget:">(), self);
  removeBanner(self);
  clear(bc(self)->_bannerWindow);
  objc::sendSuper<void>(self, bannerControllerClass(), cmd);
}

// ---- SBBulletinBannerController ----

struct BulletinBannerIvars : NSObjectIvars {
  id _observer;  // retained BBObserver of the banner feed
  id _queue;     // NSMutableArray of SBBulletinBannerItem waiting their turn
};

BulletinBannerIvars* bbc(id self) { return objc::ivars<BulletinBannerIvars>(self); }
Class bulletinBannerClass() { return objc::classNamed("SBBulletinBannerController"); }

id bulletinBannerShared(id, SEL) {
  id& slot = sharedSlot("SBBulletinBannerController");
  if (!slot) slot = newObject("SBBulletinBannerController");
  return slot;
}

id bulletinBannerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, bulletinBannerClass(), cmd);
  if (!self) return nil;
  bbc(self)->_queue = objc::retain(mutableArray());
  bbc(self)->_observer = objc::allocInit(bb::BBObserverClass());
  send<void>(bbc(self)->_observer, sel<"setObserverFeed:">(), bb::kFeedBanner);
  send<void>(bbc(self)->_observer, sel<"setDelegate:">(), self);
  return self;
}

bool listIsShown() {
  id list = shared("SBBulletinListController", sel<"sharedInstance">());
  return list && send<BOOL>(list, sel<"listViewIsActive">());
}

// A notification becomes a banner only while the device is unlocked and the list is
// not shown (the lock screen and the list show it themselves).
void bulletinBannerAdd(id self, SEL, id, id bulletin, NSUInteger) {
  if (bulletin == nil || deviceIsLocked() || listIsShown()) return;
  objc::Ref item = objc::Ref::adopt(
      send<id>(send<id>(objc::classNamed("SBBulletinBannerItem"), sel<"alloc">()), sel<"initWithSeedBulletin:">(), bulletin));
  id banners = bannerController();
  if (send<id>(banners, sel<"currentItem">()) != nil) {
    send<void>(bbc(self)->_queue, sel<"addObject:">(), item.get());
    return;
  }
  send<void>(self, sel<"_presentBannerForItem:">(), item.get());
}

bool sameBulletin(id item, id bulletin) {
  return text(send<id>(send<id>(item, sel<"seedBulletin">()), sel<"bulletinID">())) ==
         text(send<id>(bulletin, sel<"bulletinID">()));
}

// A withdrawn notification leaves the queue, and the screen when its banner shows.
void bulletinBannerRemove(id self, SEL, id, id bulletin) {
  id queue = bbc(self)->_queue;
  for (NSUInteger i = count(queue); i > 0; --i) {
    if (sameBulletin(send<id>(queue, sel<"objectAtIndex:">(), i - 1), bulletin)) {
      send<void>(queue, sel<"removeObjectAtIndex:">(), i - 1);
    }
  }
  id current = send<id>(bannerController(), sel<"currentItem">());
  if (current && sameBulletin(current, bulletin)) send<void>(self, sel<"dismissBannerWithAnimation:">(), BOOL{YES});
}

void bulletinBannerPresent(id self, SEL, id item) {
  if (item == nil) return;
  installBanner(bannerController(), item);
  (void)self;
}

// A tap on the banner: it goes, and its notification's action is performed.
void bulletinBannerHandleTap(id self, SEL, id recognizer) {
  if (send<NSInteger>(recognizer, sel<"state">()) != UIGestureRecognizerStateEnded) return;
  id item = send<id>(bannerController(), sel<"currentItem">());
  if (item == nil) return;
  objc::Ref bulletin = objc::Ref::retain(send<id>(item, sel<"seedBulletin">()));
  send<void>(self, sel<"dismissBannerWithAnimation:">(), BOOL{YES});
  performBulletinAction(bulletin.get());
}

void bulletinBannerDismiss(id, SEL, BOOL animated) {
  send<void>(bannerController(), sel<"_tryToDismissBannerWithAnimation:">(), animated);
}

// The banner before has gone: the next queued one comes, told why.
void bulletinBannerDidDismiss(id self, SEL, NSInteger reason) {
  id queue = bbc(self)->_queue;
  if (count(queue) == 0 || deviceIsLocked()) {
    send<void>(queue, sel<"removeAllObjects">());
    return;
  }
  objc::Ref next = objc::Ref::retain(send<id>(queue, sel<"objectAtIndex:">(), NSUInteger{0}));
  send<void>(queue, sel<"removeObjectAtIndex:">(), NSUInteger{0});
  send<void>(bannerController(), sel<"_presentBannerForItem:existingDismissReason:">(), next.get(), reason);
}

void bulletinBannerDealloc(id self, SEL cmd) {
  send<void>(bbc(self)->_observer, sel<"invalidate">());
  clear(bbc(self)->_observer);
  clear(bbc(self)->_queue);
  objc::sendSuper<void>(self, bulletinBannerClass(), cmd);
}

}  // namespace

void registerBannerControllerClasses() {
  objc::ClassBuilder<BannerControllerIvars>("SBBannerController", objc::NSObjectClass())
      .ivar<&BannerControllerIvars::_bannerWindow>("_bannerWindow")
      .ivar<&BannerControllerIvars::_bannerAndShadowView>("_bannerAndShadowView")
      .ivar<&BannerControllerIvars::_currentItem>("_currentItem")
      .ivar<&BannerControllerIvars::_tapRecognizer>("_tapRecognizer")
      .ivar<&BannerControllerIvars::_generation>("_generation")
      .ivar<&BannerControllerIvars::_existingDismissReason>("_existingDismissReason")
      .ivar<&BannerControllerIvars::_dismissReason>("_dismissReason")
      .ivar<&BannerControllerIvars::_dismissing>("_dismissing")
      .method<&bannerControllerPresent>("_presentBannerForItem:existingDismissReason:")
      .method<&bannerControllerTimerFired>("_bannerTimerFired:")
      .method<&bannerControllerTryToDismiss>("_tryToDismissBannerWithAnimation:")
      .method<&bannerControllerDismissDidStop>("_bannerDismissAnimationDidStop:finished:context:")
      .method<&bannerControllerIsShowing>("isShowingBanner")
      .method<&bannerControllerCurrentItem>("currentItem")
      .method<&bannerControllerBannerWindow>("bannerWindow")
      .method<&bannerControllerDealloc>("dealloc")
      .classMethod<&bannerControllerShared>("sharedInstance")
      .registerClass();
  objc::ClassBuilder<BulletinBannerIvars>("SBBulletinBannerController", objc::NSObjectClass())
      .ivar<&BulletinBannerIvars::_observer>("_observer")
      .ivar<&BulletinBannerIvars::_queue>("_queue")
      .method<&bulletinBannerInit>("init")
      .method<&bulletinBannerAdd>("observer:addBulletin:forFeed:")
      .method<&bulletinBannerRemove>("observer:removeBulletin:")
      .method<&bulletinBannerPresent>("_presentBannerForItem:")
      .method<&bulletinBannerHandleTap>("_handleBannerTapGesture:")
      .method<&bulletinBannerDismiss>("dismissBannerWithAnimation:")
      .method<&bulletinBannerDidDismiss>("_bannerDidDismissWithReason:")
      .method<&bulletinBannerDealloc>("dealloc")
      .classMethod<&bulletinBannerShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb6::detail
