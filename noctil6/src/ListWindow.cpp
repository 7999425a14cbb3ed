#include "ListWindow.h"

#include "HostAccess.h"
#include "Launch.h"
#include "ListBackground.h"
#include "LockScreen.h"
#include "Options.h"
#include "TouchState.h"

#include <uikit/UIKitTypes.h>

#include <algorithm>
#include <cmath>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id)> gListWindowSendEvent;

namespace {

constexpr CGFloat kGrabZone = 60.0;        // bottom of the sliding view where a drag may start
constexpr CGFloat kDragStart = 10.0;       // vertical distance before the drag starts
constexpr CGFloat kSlideAwayDistance = 60.0;
constexpr float kSlideSpeedFactor = 120.0f;
constexpr float kShortestSlide = 0.18f;
constexpr float kLongestSlide = 0.6f;
constexpr double kReleaseDimTimer = 6.0;
constexpr CGFloat kKnobStart = 2.0;
constexpr float kKnobEndMargin = 3.0f;
constexpr CGFloat kTextFadeSpan = 60.0;
constexpr CGFloat kPadKnobUnlock = 190.0;
constexpr double kKnobSpringBack = static_cast<double>(0.15f);
constexpr float kUnlockAfterSlide = 0.1f;
constexpr CGFloat kPadAwayViewTop = -1024.0;

void statusBarTime(BOOL show) { ask<void>(tweakController(), sel<"enableLockStatusBarTime:">(), show); }
BOOL passcodeSet() { return ask<BOOL>(tweakController(), sel<"isPasswordProtected">()); }
BOOL adjustBackView() { return ask<BOOL>(tweakController(), sel<"adjustBlurBackView">()); }

// The view that carries the list: the list view's sliding view, or on an iPad the
// list view itself.
id slidingView() {
  id listView = ask(listController(), sel<"listView">());
  return isPad() ? listView : ask(listView, sel<"slidingView">());
}

// The back view moves against the list while it shows a snapshot, as long as the
// lock screen is not being pulled away with the list.
BOOL backViewFollowsDrag() {
  const Options& o = options();
  return adjustBackView() && (!o.pullUpToUnlock || o.unlockAnimation) ? YES : NO;
}

BOOL lockScreenFollowsDrag() {
  const Options& o = options();
  return o.pullUpToUnlock && !o.unlockAnimation && !passcodeSet() ? YES : NO;
}

// The far end of the knob's travel, in single precision.
CGFloat knobEnd(const LockBarParts& parts) {
  return static_cast<float>(frameOf(parts.well).size.width - frameOf(parts.knob).size.width - kKnobEndMargin);
}

BOOL fingerOnKnob(const LockBarParts& parts, CGPoint at) {
  const CGFloat wx = static_cast<float>(frameOf(parts.well).origin.x);
  if (isPad()) {
    const CGFloat ly = frameOf(parts.lockBar).origin.y;
    return wx < at.x && at.x < wx + 80 && ly + 44 < at.y && at.y < ly + 94 ? YES : NO;
  }
  if (!options().lockTransparent) return NO;
  const CGFloat s = mainScreenHeight();
  return wx < at.x && at.x < wx + 75 && s - 80 < at.y && at.y < s - 10 ? YES : NO;
}

void moveKnob(const LockBarParts& parts, CGPoint at) {
  CGRect knob = frameOf(parts.knob);
  ask<void>(parts.textView, sel<"setAlpha:">(), 1 - knob.origin.x / kTextFadeSpan);
  const CGFloat wx = static_cast<float>(frameOf(parts.well).origin.x);
  knob.origin.x = std::min(std::max(at.x - knob.size.width / 2 - wx, kKnobStart), knobEnd(parts));
  setFrame(parts.knob, knob);
}

void springKnobBack(const LockBarParts& parts) {
  beginAnimation(UIViewAnimationCurveEaseInOut, kKnobSpringBack);
  setFrameX(parts.knob, kKnobStart);
  commitAnimation();
  performAfterDelay(awayView(), sel<"resetLockBar">(), kKnobSpringBack);
}

void releaseKnob(const LockBarParts& parts) {
  id away = awayView();
  ask<void>(away, sel<"lockBarStoppedTracking:">(), parts.lockBar);
  const CGFloat x = frameOf(parts.knob).origin.x;
  if ((isPad() && x > kPadKnobUnlock) || x >= knobEnd(parts)) {
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
    ask<void>(away, sel<"lockBarUnlocked:">(), parts.lockBar);
  } else {
    springKnobBack(parts);
  }
}

// The list's bottom edge follows the finger (and a snapshot behind it stays still).
void followFinger(id sliding, CGFloat y) {
  const CGFloat h = frameOf(sliding).size.height;
  setFrameY(sliding, y - h);
  if (backViewFollowsDrag()) setFrameY(backgroundCaches().backView, h - y);
}

void updateSlideDuration(TouchState& state) {
  state.duration = std::clamp(std::fabs(kSlideSpeedFactor / state.vy), kShortestSlide, kLongestSlide);
}

// Shows what the lock screen covers while it is pulled away with the list: the front
// application's views, or the home screen's wallpaper and icons.
void uncoverBelowLockScreen() {
  id ui = uiController();
  id front = lockState().frontApplication;
  if (front != nil) {
    id subviews = ask(ask(ui, sel<"window">()), sel<"subviews">());
    const NSUInteger count = ask<NSUInteger>(subviews, sel<"count">());
    const char* identifier = objc::send<const char*>(front, sel<"UTF8String">());
    for (NSUInteger i = 0; i < count; ++i) {
      id subview = objc::send<id>(subviews, sel<"objectAtIndex:">(), i);
      if (descriptionContains(subview, identifier)) ask<void>(subview, sel<"setHidden:">(), BOOL{NO});
    }
    return;
  }
  id root = ask(ui, sel<"rootView">());
  if (ask<CGFloat>(root, sel<"alpha">()) <= 0) ask<void>(root, sel<"setAlpha:">(), CGFloat{1.0});
  id device = ask(classObject("UIDevice"), sel<"currentDevice">());
  if (ask<float>(ask(device, sel<"systemVersion">()), sel<"floatValue">()) < 6.0f) return;
  id rootSubviews = ask(root, sel<"subviews">());
  if (ask<NSUInteger>(rootSubviews, sel<"count">()) == 0) return;
  id container = objc::send<id>(rootSubviews, sel<"objectAtIndex:">(), NSUInteger{0});
  for (const char* name : {"_wallpaperView", "_iconsView"}) {
    id view = ivarNamed(ui, name);
    if (view != nil) ask<void>(container, sel<"addSubview:">(), view);
  }
}

void startDrag(TouchState& state, id sliding, CGPoint at, double timestamp) {
  state.drag = YES;
  state.lastTime = timestamp;
  state.last = at;
  followFinger(sliding, at.y);
  if (lockScreenFollowsDrag()) {
    ask<void>(tweakController(), sel<"stopPlayingAlertIfNeeded">());
    setFrame(awayView(), frameOf(sliding));
    uncoverBelowLockScreen();
  }
}

void dragTo(TouchState& state, id sliding, CGPoint at, double timestamp) {
  trackSpeed(state, at, timestamp);
  updateSlideDuration(state);
  followFinger(sliding, at.y);
  if (lockScreenFollowsDrag()) setFrame(awayView(), frameOf(sliding));
}

// The list stays: back to the top, with the lock views faded out.
void springBack(const TouchState& state, id sliding) {
  beginAnimation(UIViewAnimationCurveEaseIn, state.duration);
  setFrameY(sliding, 0);
  if (backViewFollowsDrag()) setFrameY(backgroundCaches().backView, 0);
  if (options().pullUpToUnlock) {
    CGRect frame = frameOf(sliding);
    frame.origin.y = 0;
    setFrame(awayView(), frame);
  }
  fadeLockScreenViews(0.0f);
  commitAnimation();
}

// The list goes; with "PullUpToUnlock" the device unlocks after it.
void slideAway(const TouchState& state, id sliding) {
  const Options& o = options();
  const CGFloat h = frameOf(sliding).size.height;
  id view = classObject("UIView");
  beginAnimation(UIViewAnimationCurveEaseIn, state.duration);
  objc::send<void>(view, sel<"setAnimationDelegate:">(), tweakController());
  objc::send<void>(view, sel<"setAnimationDidStopSelector:">(), sel<"hideListViewAnimateFinished">());
  fadeLockScreenViews(1.0f);
  setFrameY(sliding, -h);
  if (backViewFollowsDrag()) setFrameY(backgroundCaches().backView, h);
  if (lockScreenFollowsDrag()) {
    id screen = ask(classObject("UIScreen"), sel<"mainScreen">());
    const CGFloat pixels = ask<CGSize>(ask(screen, sel<"currentMode">()), sel<"size">()).height;
    setFrameY(awayView(), isPad() ? kPadAwayViewTop : -pixels);
  }
  commitAnimation();
  statusBarTime(NO);
  if (!o.pullUpToUnlock) return;
  if (passcodeSet()) {
    ask<void>(tweakController(), sel<"lockBarUnlocked">());
  } else {
    SEL unlock = o.unlockAnimation ? sel<"lockBarUnlocked">() : sel<"unlockDevice">();
    performAfterDelay(tweakController(), unlock, static_cast<double>(state.duration + kUnlockAfterSlide));
  }
}

}  // namespace

LockBarParts findLockBarParts() {
  LockBarParts parts;
  parts.lockBar = ivarNamed(awayView(), "_lockBar");
  parts.well = lastSubviewDescribedAs(parts.lockBar, "TPWell");
  parts.textView = lastSubviewDescribedAs(parts.well, "TPLockTextView");
  parts.knob = lastSubviewDescribedAs(parts.well, "TPLockKnobView");
  return parts;
}

void listWindowSendEventReplacement(id self, SEL cmd, id event) {
  if (!options().lockEnabled || !inLockContext() || !descriptionContains(self, "SBBulletinWindow") ||
      !isTouchEvent(event)) {
    gListWindowSendEvent(self, cmd, event);
    return;
  }
  TouchState& state = touchState();
  const TouchReading touch = readTouch(event, self);
  const CGPoint at = touch.location;
  if (touch.count == 1) {
    id sliding = slidingView();
    const LockBarParts parts = findLockBarParts();
    const BOOL knobFound = parts.textView != nil && parts.knob != nil ? YES : NO;
    switch (touch.phase) {
      case UITouchPhaseBegan:
        state.start = at;
        state.last = at;
        state.lastTime = touch.timestamp;
        // A new touch decides afresh whether it holds the knob.
        state.knob = options().enableLockBar && knobFound && fingerOnKnob(parts, at) ? YES : NO;
        break;
      case UITouchPhaseMoved:
        if (state.knob && knobFound && !state.drag) moveKnob(parts, at);
        if (state.drag) {
          dragTo(state, sliding, at, touch.timestamp);
        } else if (!state.knob && listShown() && state.start.y > frameOf(sliding).size.height - kGrabZone &&
                   std::fabs(at.y - state.start.y) > kDragStart) {
          startDrag(state, sliding, at, touch.timestamp);
        }
        break;
      case UITouchPhaseEnded:
        if (state.knob && knobFound && !state.drag) releaseKnob(parts);
        state.knob = NO;
        if (state.drag) {
          ask<void>(awayController(), sel<"restartDimTimer:">(), kReleaseDimTimer);
          if (state.vy < 0 && std::fabs(at.y - state.start.y) > kSlideAwayDistance) slideAway(state, sliding);
          else springBack(state, sliding);
          state.drag = NO;
        }
        gListWindowSendEvent(self, cmd, event);
        return;
      default:
        break;
    }
  }
  if (touch.phase == UITouchPhaseCancelled) {
    if (state.drag) {
      ask<void>(awayController(), sel<"restartDimTimer:">(), kReleaseDimTimer);
      state.drag = NO;
      ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{YES});
      fadeLockScreenViews(1.0f);
      statusBarTime(NO);
    }
    if (state.knob) {
      // The system took the finger off the knob: it goes back as if released short.
      const LockBarParts parts = findLockBarParts();
      ask<void>(awayView(), sel<"lockBarStoppedTracking:">(), parts.lockBar);
      springKnobBack(parts);
      state.knob = NO;
    }
  }
  gListWindowSendEvent(self, cmd, event);
}

}  // namespace noctil6
