// The lock screen's slide-to-unlock bar: TPBottomLockBar (SBAwayLockBar on the lock
// screen) with its well (TPWell) holding the "slide to unlock" text (TPLockTextView)
// and the knob (TPLockKnobView).  The bar tracks a finger put down on the knob: the
// knob follows it along the well while the text fades, and released at the end of
// the well the bar tells its delegate lockBarUnlocked:; released earlier, the knob
// springs back.
#include "Classes.h"
#include "Common.h"

#include <uikit/UIColor.h>
#include <uikit/UIView.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr CGFloat kKnobStartX = 2;
constexpr CGFloat kKnobEndMargin = 3;  // the knob stops this far before the well's end
constexpr CGFloat kTextFadeDistance = 60;
constexpr double kSpringBackSeconds = 0.2;

struct LockBarIvars : UIViewIvars {
  id _well;      // TPWell, a subview
  id _textView;  // TPLockTextView, in the well
  id _knob;      // TPLockKnobView, in the well
  id _delegate;  // not retained: the away view
  CGFloat _touchStartX;
  CGFloat _knobStartX;
  BOOL _tracking;
};

LockBarIvars* lb(id self) { return objc::ivars<LockBarIvars>(self); }

id makeView(const char* className, CGRect frame, id parent) {
  id view = send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(view, sel<"setUserInteractionEnabled:">(), BOOL{NO});  // the bar itself tracks the finger
  send<void>(parent, sel<"addSubview:">(), view);
  objc::release(view);
  return view;
}

id colour(CGFloat white, CGFloat alpha) { return uikit::makeColor(uikit::Color::white(white, alpha)); }

// The well sits in the middle of the bar: lower on an iPad, whose bar is taller.
id lockBarInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("TPBottomLockBar"), cmd, frame);
  if (!self) return nil;
  auto* b = lb(self);
  send<void>(self, sel<"setBackgroundColor:">(), colour(0, 0.55));
  CGFloat wellWidth = isPad() ? 400 : frame.size.width - 40;
  CGFloat wellY = isPad() ? 46 : 22;
  b->_well = makeView("TPWell", CGRectMake((frame.size.width - wellWidth) / 2, wellY, wellWidth, 52), self);
  send<void>(b->_well, sel<"setBackgroundColor:">(), colour(0.1, 0.9));
  b->_textView = makeView("TPLockTextView", CGRectMake(80, 0, wellWidth - 90, 52), b->_well);
  b->_knob = makeView("TPLockKnobView", CGRectMake(kKnobStartX, 2, 71, 48), b->_well);
  return self;
}

id lockBarDelegate(id self, SEL) { return lb(self)->_delegate; }
void lockBarSetDelegate(id self, SEL, id delegate) { lb(self)->_delegate = delegate; }
id lockBarKnob(id self, SEL) { return lb(self)->_knob; }

// Where the knob stops: the well's width less the knob's and a small margin.
CGFloat knobEndX(id self) {
  CGRect well = send<CGRect>(lb(self)->_well, sel<"frame">());
  CGRect knob = send<CGRect>(lb(self)->_knob, sel<"frame">());
  return well.size.width - knob.size.width - kKnobEndMargin;
}

void placeKnob(id self, CGFloat x) {
  auto* b = lb(self);
  CGRect knob = send<CGRect>(b->_knob, sel<"frame">());
  knob.origin.x = x;
  send<void>(b->_knob, sel<"setFrame:">(), knob);
  send<void>(b->_textView, sel<"setAlpha:">(), std::clamp(1 - (x - kKnobStartX) / kTextFadeDistance, CGFloat{0}, CGFloat{1}));
}

// The knob back at the start of the well and the text shown again, at once.
void lockBarReset(id self, SEL) {
  lb(self)->_tracking = NO;
  placeKnob(self, kKnobStartX);
}

CGPoint touchInWell(id self, id touches) {
  return send<CGPoint>(send<id>(touches, sel<"anyObject">()), sel<"locationInView:">(), lb(self)->_well);
}

void lockBarTouchesBegan(id self, SEL, id touches, id) {
  auto* b = lb(self);
  CGPoint p = touchInWell(self, touches);
  CGRect knob = send<CGRect>(b->_knob, sel<"frame">());
  if (!CGRectContainsPoint(knob, p)) return;
  b->_tracking = YES;
  b->_touchStartX = p.x;
  b->_knobStartX = knob.origin.x;
  send<void>(b->_delegate, sel<"lockBarStartedTracking:">(), self);
}

void lockBarTouchesMoved(id self, SEL, id touches, id) {
  auto* b = lb(self);
  if (!b->_tracking) return;
  CGPoint p = touchInWell(self, touches);
  placeKnob(self, std::clamp(b->_knobStartX + p.x - b->_touchStartX, kKnobStartX, knobEndX(self)));
}

// The knob springs back to the start of the well.
void springBack(id self) {
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("TPLockBarSpringBack"), static_cast<void*>(nullptr));
  send<void>(view, sel<"setAnimationDuration:">(), kSpringBackSeconds);
  placeKnob(self, kKnobStartX);
  send<void>(view, sel<"commitAnimations">());
}

void finishTracking(id self, bool mayUnlock) {
  auto* b = lb(self);
  if (!b->_tracking) return;
  b->_tracking = NO;
  objc::Ref keep = objc::Ref::retain(self);
  id delegate = b->_delegate;
  send<void>(delegate, sel<"lockBarStoppedTracking:">(), self);
  CGFloat x = send<CGRect>(b->_knob, sel<"frame">()).origin.x;
  if (mayUnlock && x >= knobEndX(self)) {
    send<void>(delegate, sel<"lockBarUnlocked:">(), self);
  } else {
    springBack(self);
  }
}

void lockBarTouchesEnded(id self, SEL, id, id) { finishTracking(self, true); }
void lockBarTouchesCancelled(id self, SEL, id, id) { finishTracking(self, false); }

// ---- the well's parts ----

id textViewInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("TPLockTextView"), cmd, frame);
  if (!self) return nil;
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                      CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(label, sel<"setText:">(), str("slide to unlock"));
  send<void>(label, sel<"setTextColor:">(), colour(0.85, 1));
  send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(self, sel<"addSubview:">(), label);
  objc::release(label);
  return self;
}

id knobInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("TPLockKnobView"), cmd, frame);
  if (!self) return nil;
  send<void>(self, sel<"setBackgroundColor:">(), colour(0.88, 1));
  id arrow = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                      CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(arrow, sel<"setText:">(), str("\xE2\x9E\x9C"));  // an arrow to the right
  send<void>(arrow, sel<"setTextColor:">(), colour(0.4, 1));
  send<void>(arrow, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(self, sel<"addSubview:">(), arrow);
  objc::release(arrow);
  return self;
}

}  // namespace

void registerLockBarClasses() {
  Class bar = objc::ClassBuilder<LockBarIvars>("TPBottomLockBar", objc::classNamed("UIView"))
                  .ivar<&LockBarIvars::_well>("_well")
                  .ivar<&LockBarIvars::_textView>("_textView")
                  .ivar<&LockBarIvars::_knob>("_knob")
                  .ivar<&LockBarIvars::_delegate>("_delegate")
                  .ivar<&LockBarIvars::_touchStartX>("_touchStartX")
                  .ivar<&LockBarIvars::_knobStartX>("_knobStartX")
                  .ivar<&LockBarIvars::_tracking>("_tracking")
                  .method<&lockBarInit>("initWithFrame:")
                  .method<&lockBarDelegate>("delegate")
                  .method<&lockBarSetDelegate>("setDelegate:")
                  .method<&lockBarKnob>("knob")
                  .method<&lockBarReset>("resetKnobPosition")
                  .method<&lockBarTouchesBegan>("touchesBegan:withEvent:")
                  .method<&lockBarTouchesMoved>("touchesMoved:withEvent:")
                  .method<&lockBarTouchesEnded>("touchesEnded:withEvent:")
                  .method<&lockBarTouchesCancelled>("touchesCancelled:withEvent:")
                  .registerClass();
  objc::ClassBuilder<LockBarIvars>("SBAwayLockBar", bar).registerClass();
  objc::ClassBuilder<UIViewIvars>("TPWell", objc::classNamed("UIView")).registerClass();
  objc::ClassBuilder<UIViewIvars>("TPLockTextView", objc::classNamed("UIView"))
      .method<&textViewInit>("initWithFrame:")
      .registerClass();
  objc::ClassBuilder<UIViewIvars>("TPLockKnobView", objc::classNamed("UIView"))
      .method<&knobInit>("initWithFrame:")
      .registerClass();
}

}  // namespace sb6::detail
