#include "PullDown.h"

#include "HostAccess.h"
#include "Launch.h"
#include "LockScreen.h"
#include "Options.h"
#include "TouchState.h"

#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

hook::Slot<void(id)> gStatusBarSendEvent;
hook::Slot<void(id)> gAlertWindowSendEvent;

namespace {

constexpr CGFloat kFadeStart = 80.0;  // the lock views fade once the finger is past it
constexpr CGFloat kFadeSpan = 120.0;
constexpr double kPullDimTimer = 60.0;
constexpr double kReleaseFade = 0.2;

void statusBarTime(BOOL show) { ask<void>(tweakController(), sel<"enableLockStatusBarTime:">(), show); }

void fadeAnimated(float alpha) {
  beginAnimation(UIViewAnimationCurveEaseInOut, kReleaseFade);
  fadeLockScreenViews(alpha);
  commitAnimation();
}

// The handler of both windows; `zone` is how far from the top a pull-down may start.
void pullDown(const hook::Slot<void(id)>& previous, id self, SEL cmd, id event, CGFloat zone) {
  TouchState& state = touchState();
  if (!isTouchEvent(event)) {
    if (!state.pullDown) previous(self, cmd, event);
    return;
  }
  if (!options().lockEnabled || !inLockContext()) {
    // Outside the lock context no pull-down goes on: one that was in progress when
    // the device unlocked (or the list was switched off) is over, so the windows see
    // their events again rather than lose them until the next pull-down ends.
    state.pullDown = NO;
    previous(self, cmd, event);
    return;
  }
  const TouchReading touch = readTouch(event, self);
  const CGPoint at = touch.location;
  id ui = uiController();
  switch (touch.phase) {
    case UITouchPhaseBegan:
      state.start = at;
      state.lastTime = touch.timestamp;
      break;
    case UITouchPhaseMoved:
      if (state.pullDown) {
        trackSpeed(state, at, touch.timestamp);
        ask<void>(ui, sel<"_showNotificationsGestureChangedWithLocation:velocity:">(), at,
                  CGPointMake(state.vx, state.vy));
        if (at.y > kFadeStart) fadeLockScreenViews(static_cast<float>(1 - at.y / kFadeSpan));
      } else {
        state.lastTime = touch.timestamp;
        state.last = at;
        const CGFloat dx = at.x - state.start.x;
        const CGFloat dy = at.y - state.start.y;
        if (touch.count == 1 && state.start.y <= zone && dx * dx < dy * dy) {
          state.pullDown = YES;
          ask<void>(ui, sel<"_showNotificationsGestureBeganWithLocation:">(), at);
          ask<void>(awayController(), sel<"restartDimTimer:">(), kPullDimTimer);
          // The window sees the move that started the pull-down, and none after it.
          previous(self, cmd, event);
        }
      }
      break;
    case UITouchPhaseEnded:
      if (state.pullDown) {
        ask<void>(ui, sel<"_showNotificationsGestureEndedWithLocation:velocity:">(), at,
                  CGPointMake(state.vx, state.vy));
        if (state.vy > 0) {
          if (at.y > kFadeStart) fadeAnimated(0.0f);
          statusBarTime(YES);
        } else {
          fadeAnimated(1.0f);
          statusBarTime(NO);
        }
        state.pullDown = NO;
      }
      previous(self, cmd, event);
      return;
    default:
      break;
  }
  if (!state.pullDown) {
    previous(self, cmd, event);
    return;
  }
  if (touch.phase == UITouchPhaseCancelled) {
    ask<void>(listController(), sel<"hideListViewAnimated:">(), BOOL{NO});
    fadeLockScreenViews(1.0f);
    statusBarTime(NO);
    state.pullDown = NO;
    previous(self, cmd, event);
  }
  // Any other event of a pull-down in progress is withheld from the window.
}

}  // namespace

void statusBarSendEventReplacement(id self, SEL cmd, id event) {
  pullDown(gStatusBarSendEvent, self, cmd, event, kStatusBarPullZone);
}

void alertWindowSendEventReplacement(id self, SEL cmd, id event) {
  pullDown(gAlertWindowSendEvent, self, cmd, event, kLockScreenPullZone);
}

}  // namespace noctil6
