#include "BackView.h"

#include "BackgroundOptions.h"
#include "CustomPicture.h"
#include "ListBackground.h"
#include "Options.h"
#include "ScreenSnapshot.h"

#include <noctil/TintTable.h>
#include <objcface/NSObject.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

hook::Slot<id(CGRect, id)> gListViewInit;
hook::Slot<void(CGFloat)> gPositionSlidingView;
hook::Slot<void()> gListViewDealloc;
hook::Slot<void()> gTableLayoutSubviews;

namespace {

// UIViewContentModeTopLeft: the picture unscaled from the view's top left corner.
constexpr NSInteger kContentModeTopLeft = 9;

// The options as one list view sees them while it is being made.
struct Choice {
  BOOL transparent;
  BOOL blur;
  BOOL picture;
  BOOL applyToBack;
  float alpha;
};

Choice currentChoice() {
  return {background::transparentEnabled(), background::blurEnabled(), background::bgImageEnabled(),
          background::blurApplyToBack(), background::bgAlpha()};
}

// The lock bar can be dragged through the lock screen's list (phones only).
BOOL lockBarThroughList() { return inLockContext() && options().enableLockBar && !isPad() ? YES : NO; }

objc::Ref makeImageView(id image) {
  return objc::Ref::adopt(
      objc::send<id>(objc::send<id>(classObject("UIImageView"), sel<"alloc">()), sel<"initWithImage:">(), image));
}

// Leaves the lock bar's room free at the bottom: the view's height becomes `height`,
// its picture is drawn from the top left, unscaled, and cut at the bottom.
void leaveLockBarRoom(id view, CGFloat height) {
  CGRect frame = frameOf(view);
  frame.size.height = height;
  setFrame(view, frame);
  objc::send<void>(view, sel<"setContentMode:">(), kContentModeTopLeft);
  objc::send<void>(view, sel<"setClipsToBounds:">(), BOOL{YES});
}

// A see-through list takes the tint colour over its linen view, a third as strong
// under the user's picture; without alpha and blur its status bar strip goes too.
void applyTint(id listView, const Choice& choice) {
  const CGFloat alpha = choice.picture ? choice.alpha / 3.0 : choice.alpha;
  // A name the table does not know gives no colour: the linen view keeps the
  // platform's own background.
  if (id colour = noctil::tintColorNamed(background::tintColorName(), alpha))
    ask<void>(ask(listView, sel<"linenView">()), sel<"setBackgroundColor:">(), colour);
  if (choice.alpha == 0.0f && !choice.blur) ask<void>(ivarNamed(listView, "_statusBar"), sel<"setAlpha:">(), CGFloat{0});
}

void makeBackView(id listView, const Choice& choice) {
  id controller = tweakController();
  id slidingView = ask(listView, sel<"slidingView">());
  if (slidingView == nil) return;

  // The back source and the picture in front of it.
  objc::Ref source;
  objc::Ref front;
  if (choice.transparent && choice.blur && !choice.picture) {
    source = takeScreenSnapshot();
  } else if (choice.picture && !(choice.blur && choice.applyToBack)) {
    ask<void>(controller, sel<"createCustomBGImage">());
    source = objc::Ref::retain(currentCustomPicture());
  } else if (choice.picture) {
    source = takeScreenSnapshot();
    ask<void>(controller, sel<"createCustomBGImage">());
    front = objc::Ref::retain(currentCustomPicture());
  }

  objc::Ref back = makeImageView(source.get());
  id layer = objc::send<id>(back, sel<"layer">());
  if (choice.blur) {
    objc::send<void>(layer, sel<"setFilters:">(), blurFiltersForCurrentContext());
    objc::send<void>(layer, sel<"setShouldRasterize:">(), BOOL{YES});
  } else {
    objc::send<void>(layer, sel<"setFilters:">(), id{nil});
  }
  objc::send<void>(back, sel<"setUserInteractionEnabled:">(), BOOL{YES});

  if (front) {
    objc::Ref frontView = makeImageView(front.get());
    if (lockBarThroughList()) leaveLockBarRoom(frontView, screenHeight() - kLockBarRoom);
    if (choice.transparent && choice.picture)
      objc::send<void>(frontView, sel<"setAlpha:">(), static_cast<CGFloat>(choice.alpha));
    objc::send<void>(slidingView, sel<"insertSubview:atIndex:">(), frontView.get(), NSInteger{0});
  } else if (choice.transparent && choice.picture) {
    objc::send<void>(back, sel<"setAlpha:">(), static_cast<CGFloat>(choice.alpha));
    if (!choice.applyToBack)
      objc::send<void>(back, sel<"setContentMode:">(), kContentModeTopLeft);
  }
  if (lockBarThroughList()) leaveLockBarRoom(back, frameOf(back).size.height - kLockBarRoom);
  if (isPad()) {
    CGPoint centre = objc::send<CGPoint>(back, sel<"center">());
    centre.x = objc::send<CGPoint>(slidingView, sel<"center">()).x;
    objc::send<void>(back, sel<"setCenter:">(), centre);
  }
  objc::send<void>(slidingView, sel<"insertSubview:atIndex:">(), back.get(), NSInteger{0});
  objc::send<void>(slidingView, sel<"setClipsToBounds:">(), BOOL{YES});

  BackgroundCaches& caches = backgroundCaches();
  caches.backView = back;
  caches.backViewOwner = listView;
}

}  // namespace

BOOL useBackView(id, SEL) {
  if (ask(classObject("SBBulletinListView"), sel<"linen">()) != nil) return NO;
  return !background::transparentEnabled() || background::blurEnabled() || background::bgImageEnabled() ? YES : NO;
}

id listViewInitReplacement(id self, SEL cmd, CGRect frame, id delegate) {
  self = gListViewInit(self, cmd, frame, delegate);
  if (self == nil) return nil;
  objc::AutoreleasePool pool;
  const Choice choice = currentChoice();
  if (choice.transparent) applyTint(self, choice);
  // A list view made while another one's back view exists gets none of its own.
  if (!backgroundCaches().backView && ask<BOOL>(tweakController(), sel<"useBackView">())) makeBackView(self, choice);
  return self;
}

void positionSlidingViewReplacement(id self, SEL cmd, CGFloat y) {
  const BackgroundCaches& caches = backgroundCaches();
  // Only the list view holding the back view moves it.
  if (caches.backView && caches.backViewOwner == self && ask<BOOL>(tweakController(), sel<"adjustBlurBackView">())) {
    const CGFloat height = frameOf(ask(self, sel<"slidingView">())).size.height;
    setFrameY(caches.backView, height - y);
  }
  gPositionSlidingView(self, cmd, y);
}

void listViewDeallocReplacement(id self, SEL cmd) {
  // Another list view going (one made while this back view existed) leaves the back
  // view to the list view that shows it.
  BackgroundCaches& caches = backgroundCaches();
  if (caches.backViewOwner == self) {
    caches.backView.reset();
    caches.backViewOwner = nil;
  }
  gListViewDealloc(self, cmd);
}

void tableLayoutSubviewsReplacement(id self, SEL cmd) {
  // Installed in place: only the list's own table is resized.
  if (isKindOfClassNamed(self, "SBBulletinTableView") && lockBarThroughList() && background::transparentEnabled()) {
    const CGFloat height = screenHeight();
    CGRect frame = frameOf(self);
    frame.size.height = height - kLockBarRoom - kStatusStripHeight;
    setFrame(self, frame);
    id linenView = ask(ask(listController(), sel<"listView">()), sel<"linenView">());
    if (linenView != nil) {
      frame = frameOf(linenView);
      frame.size.height = height - kLockBarRoom;
      setFrame(linenView, frame);
    }
  }
  gTableLayoutSubviews(self, cmd);
}

}  // namespace noctil6
