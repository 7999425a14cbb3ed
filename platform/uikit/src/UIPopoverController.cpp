#include <uikit/UIPopoverController.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <mutex>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

using PopoverIvars = UIPopoverControllerIvars;
PopoverIvars* P(id self) { return objc::ivars<PopoverIvars>(self); }

constexpr CGSize kDefaultContentSize{320, 480};

struct PopoverState {
  std::mutex mutex;
  std::vector<id> visible;  // not retained: the owner keeps a visible popover
};

PopoverState& state() {
  static PopoverState* s = new PopoverState;
  return *s;
}

void forget(id popover) {
  std::lock_guard lock(state().mutex);
  auto& visible = state().visible;
  visible.erase(std::remove(visible.begin(), visible.end(), popover), visible.end());
}

// ---- The dimming view: the rest of the window while a popover is up ----

struct DimmingViewIvars : UIViewIvars {
  id _popover;  // not retained: the popover owns this view and clears the link first
};
DimmingViewIvars* D(id self) { return objc::ivars<DimmingViewIvars>(self); }

Class dimmingViewClass();

// Whether a point of the dimming view lies on one of the popover's passthrough views
// that is on screen in the same window.
bool onPassthroughView(id self, CGPoint point, id event) {
  id popover = D(self)->_popover;
  if (!popover) return false;
  id window = detail::windowOf(self);
  for (id view : detail::arrayElements(P(popover)->_passthroughViews)) {
    if (!isView(view) || detail::windowOf(view) != window) continue;
    CGPoint local = convertPoint(point, self, view);
    if (send<BOOL>(view, sel<"pointInside:withEvent:">(), local, event)) return true;
  }
  return false;
}

// Takes every touch the view would, except on passthrough views: those fall through
// to the views behind.
id dimmingHitTest(id self, SEL cmd, CGPoint point, id event) {
  id hit = objc::sendSuper<id>(self, dimmingViewClass(), cmd, point, event);
  if (hit == self && onPassthroughView(self, point, event)) return nil;
  return hit;
}

void dimmingTouchesBegan(id, SEL, id, id) {}
void dimmingTouchesCancelled(id, SEL, id, id) {}

// The popover takes this view off screen and lets go of it, so the view keeps
// itself alive for the rest of the touch's delivery.
void dimmingTouchesEnded(id self, SEL, id, id) {
  objc::Ref keep = objc::Ref::retain(self);
  if (id popover = D(self)->_popover) send<void>(popover, sel<"_dimmingViewWasTapped:">(), self);
}

Class dimmingViewClass() {
  static const Class cls = objc::ClassBuilder<DimmingViewIvars>("UIDimmingView", UIViewClass())
                               .ivar<&DimmingViewIvars::_popover>("_popover")
                               .method<&dimmingHitTest>("hitTest:withEvent:")
                               .method<&dimmingTouchesBegan>("touchesBegan:withEvent:")
                               .method<&dimmingTouchesEnded>("touchesEnded:withEvent:")
                               .method<&dimmingTouchesCancelled>("touchesCancelled:withEvent:")
                               .registerClass();
  return cls;
}

// Covers `host` (behind everything added after it) with a dimming view tied to the
// popover.
void coverWindow(id self, id host) {
  id dimming = send<id>(send<id>(reinterpret_cast<id>(dimmingViewClass()), sel<"alloc">()), sel<"initWithFrame:">(),
                        viewBounds(host));
  D(dimming)->_popover = self;
  send<void>(dimming, sel<"setAutoresizingMask:">(), UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  send<void>(host, sel<"addSubview:">(), dimming);
  P(self)->_dimmingView = dimming;
}

void uncoverWindow(id self) {
  id dimming = P(self)->_dimmingView;
  if (!dimming) return;
  P(self)->_dimmingView = nil;
  D(dimming)->_popover = nil;
  send<void>(dimming, sel<"removeFromSuperview">());
  objc::release(dimming);
}

id popoverInitWithContent(id self, SEL, id content) {
  self = objc::sendSuper<id>(self, UIPopoverControllerClass(), sel<"init">());
  if (!self) return nil;
  P(self)->_contentViewController = objc::retain(content);
  P(self)->_popoverContentSize = kDefaultContentSize;
  P(self)->_popoverArrowDirection = UIPopoverArrowDirectionUnknown;
  return self;
}

// Takes the content off screen, telling it as a navigation would.
void takeDown(id self, BOOL animated) {
  id content = P(self)->_contentViewController;
  objc::Ref keep = objc::Ref::retain(content);
  if (content) send<void>(content, sel<"viewWillDisappear:">(), animated);
  if (content && send<BOOL>(content, sel<"isViewLoaded">())) {
    send<void>(send<id>(content, sel<"view">()), sel<"removeFromSuperview">());
  }
  uncoverWindow(self);
  P(self)->_popoverVisible = NO;
  P(self)->_presentedInView = nil;
  P(self)->_popoverArrowDirection = UIPopoverArrowDirectionUnknown;
  forget(self);
  if (content) send<void>(content, sel<"viewDidDisappear:">(), animated);
}

void popoverDealloc(id self, SEL cmd) {
  if (P(self)->_popoverVisible) takeDown(self, NO);
  forget(self);
  uncoverWindow(self);
  objc::release(P(self)->_contentViewController);
  P(self)->_contentViewController = nil;
  objc::release(P(self)->_passthroughViews);
  P(self)->_passthroughViews = nil;
  objc::sendSuper<void>(self, UIPopoverControllerClass(), cmd);
}

id popoverContent(id self, SEL) { return P(self)->_contentViewController; }
void popoverSetContent(id self, SEL, id content) {
  if (content == P(self)->_contentViewController) return;
  id old = P(self)->_contentViewController;
  P(self)->_contentViewController = objc::retain(content);
  objc::release(old);
}
id popoverDelegate(id self, SEL) { return P(self)->_popoverDelegate; }
void popoverSetDelegate(id self, SEL, id delegate) { P(self)->_popoverDelegate = delegate; }
id popoverPassthroughViews(id self, SEL) { return P(self)->_passthroughViews; }
void popoverSetPassthroughViews(id self, SEL, id views) {
  id old = P(self)->_passthroughViews;
  P(self)->_passthroughViews = detail::copyArray(views);
  objc::release(old);
}
CGSize popoverContentSize(id self, SEL) { return P(self)->_popoverContentSize; }
void popoverSetContentSize(id self, SEL, CGSize size) { P(self)->_popoverContentSize = size; }
BOOL popoverVisible(id self, SEL) { return P(self)->_popoverVisible; }
UIPopoverArrowDirection popoverArrow(id self, SEL) { return P(self)->_popoverArrowDirection; }

// The arrow the popover uses: the first permitted direction, up before down, left
// and right.
UIPopoverArrowDirection chosenArrow(UIPopoverArrowDirection permitted) {
  for (UIPopoverArrowDirection d : {UIPopoverArrowDirectionUp, UIPopoverArrowDirectionDown,
                                    UIPopoverArrowDirectionLeft, UIPopoverArrowDirectionRight}) {
    if (permitted & d) return d;
  }
  return UIPopoverArrowDirectionUp;
}

void popoverPresent(id self, SEL, CGRect rect, id view, UIPopoverArrowDirection arrows, BOOL animated) {
  id content = P(self)->_contentViewController;
  if (!content || !view || P(self)->_popoverVisible) return;
  P(self)->_presentedFromRect = rect;
  P(self)->_presentedInView = view;
  P(self)->_permittedArrowDirections = arrows;
  P(self)->_popoverArrowDirection = chosenArrow(arrows);
  P(self)->_popoverVisible = YES;
  {
    std::lock_guard lock(state().mutex);
    state().visible.push_back(self);
  }
  id host = send<id>(view, sel<"window">());
  if (!host) host = keyWindow();
  id contentView = send<id>(content, sel<"view">());
  send<void>(content, sel<"viewWillAppear:">(), animated);
  if (host) {
    // The panel hangs below the rectangle (the arrow points up at it), centred on it.
    CGRect anchor = send<CGRect>(view, sel<"convertRect:toView:">(), rect, host);
    CGSize size = P(self)->_popoverContentSize;
    CGRect frame{{anchor.origin.x + anchor.size.width / 2 - size.width / 2, anchor.origin.y + anchor.size.height},
                 size};
    send<void>(contentView, sel<"setFrame:">(), frame);
    coverWindow(self, host);
    send<void>(host, sel<"addSubview:">(), contentView);
  }
  send<void>(content, sel<"viewDidAppear:">(), animated);
}

void popoverDismiss(id self, SEL, BOOL animated) {
  if (P(self)->_popoverVisible) takeDown(self, animated);
}

// A tap outside the panel: the delegate may keep the popover up; otherwise it goes
// and the delegate hears of it afterwards.  The delegate may let go of the popover
// in its callback, so the popover keeps itself alive until the end.
void popoverDimmingViewWasTapped(id self, SEL, id) {
  if (!P(self)->_popoverVisible) return;
  objc::Ref keep = objc::Ref::retain(self);
  id delegate = P(self)->_popoverDelegate;
  if (objc::responds(delegate, sel<"popoverControllerShouldDismissPopover:">()) &&
      !send<BOOL>(delegate, sel<"popoverControllerShouldDismissPopover:">(), self)) {
    return;
  }
  takeDown(self, YES);
  delegate = P(self)->_popoverDelegate;
  if (objc::responds(delegate, sel<"popoverControllerDidDismissPopover:">())) {
    send<void>(delegate, sel<"popoverControllerDidDismissPopover:">(), self);
  }
}

}  // namespace

std::vector<id> visiblePopovers() {
  std::lock_guard lock(state().mutex);
  return state().visible;
}

std::optional<PopoverPresentation> popoverPresentation(id popover) {
  if (!popover || !P(popover)->_popoverVisible) return std::nullopt;
  return PopoverPresentation{P(popover)->_presentedFromRect, P(popover)->_presentedInView,
                             P(popover)->_permittedArrowDirections};
}

Class UIPopoverControllerClass() {
  static const Class cls =
      objc::ClassBuilder<PopoverIvars>("UIPopoverController", objc::NSObjectClass())
          .ivar<&PopoverIvars::_contentViewController>("_contentViewController")
          .ivar<&PopoverIvars::_popoverDelegate>("_popoverDelegate")
          .ivar<&PopoverIvars::_presentedInView>("_presentedInView")
          .ivar<&PopoverIvars::_passthroughViews>("_passthroughViews")
          .ivar<&PopoverIvars::_dimmingView>("_dimmingView")
          .ivar<&PopoverIvars::_presentedFromRect>("_presentedFromRect")
          .ivar<&PopoverIvars::_popoverContentSize>("_popoverContentSize")
          .ivar<&PopoverIvars::_permittedArrowDirections>("_permittedArrowDirections")
          .ivar<&PopoverIvars::_popoverArrowDirection>("_popoverArrowDirection")
          .ivar<&PopoverIvars::_popoverVisible>("_popoverVisible")
          .method<&popoverInitWithContent>("initWithContentViewController:")
          .method<&popoverDealloc>("dealloc")
          .method<&popoverContent>("contentViewController")
          .method<&popoverSetContent>("setContentViewController:")
          .method<&popoverDelegate>("delegate")
          .method<&popoverSetDelegate>("setDelegate:")
          .method<&popoverPassthroughViews>("passthroughViews")
          .method<&popoverSetPassthroughViews>("setPassthroughViews:")
          .method<&popoverContentSize>("popoverContentSize")
          .method<&popoverSetContentSize>("setPopoverContentSize:")
          .method<&popoverVisible>("popoverVisible")
          .method<&popoverVisible>("isPopoverVisible")
          .method<&popoverArrow>("popoverArrowDirection")
          .method<&popoverPresent>("presentPopoverFromRect:inView:permittedArrowDirections:animated:")
          .method<&popoverDismiss>("dismissPopoverAnimated:")
          .method<&popoverDimmingViewWasTapped>("_dimmingViewWasTapped:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIPopoverControllerAtLoad = UIPopoverControllerClass();

}  // namespace uikit
