#include <uikit/UIPopoverController.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

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
  P(self)->_popoverVisible = NO;
  P(self)->_presentedInView = nil;
  P(self)->_popoverArrowDirection = UIPopoverArrowDirectionUnknown;
  forget(self);
  if (content) send<void>(content, sel<"viewDidDisappear:">(), animated);
}

void popoverDealloc(id self, SEL cmd) {
  if (P(self)->_popoverVisible) takeDown(self, NO);
  forget(self);
  objc::release(P(self)->_contentViewController);
  P(self)->_contentViewController = nil;
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
    send<void>(host, sel<"addSubview:">(), contentView);
  }
  send<void>(content, sel<"viewDidAppear:">(), animated);
}

void popoverDismiss(id self, SEL, BOOL animated) {
  if (P(self)->_popoverVisible) takeDown(self, animated);
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
          .method<&popoverContentSize>("popoverContentSize")
          .method<&popoverSetContentSize>("setPopoverContentSize:")
          .method<&popoverVisible>("popoverVisible")
          .method<&popoverVisible>("isPopoverVisible")
          .method<&popoverArrow>("popoverArrowDirection")
          .method<&popoverPresent>("presentPopoverFromRect:inView:permittedArrowDirections:animated:")
          .method<&popoverDismiss>("dismissPopoverAnimated:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIPopoverControllerAtLoad = UIPopoverControllerClass();

}  // namespace uikit
