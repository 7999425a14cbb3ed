// Touch tracking on the iOS 6 lock screen, run inside the iOS 6 home screen: the
// pull-down from the top of the lock screen's window and from the status bar (start
// zones, direction, withheld moves, release and cancel), and the list window's drag
// (grab zone, start distance, slide away or spring back with the slide duration
// clamped, pull-up unlock with and without the lock bar's own unlock and a
// passcode, what lies under the lock screen uncovered, cancel) and the knob dragged
// through the list, with the constants at their borders, under the manual clock.
#include "ListWindow.h"
#include "TouchState.h"
#include "noctil6/Noctil6Fixture.h"

#include <uikit/UIKitTypes.h>
#include <uikit/UIView.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace noctil6_tests;
using noctil6::touchState;

constexpr const char* kMail = "com.apple.mobilemail";

bool shown() { return sb6::isNotificationCenterShown(); }

// ---- What the windows and the lock screen saw ------------------------------------------

// The lock screen's window's own touch handling, counted by phase: a view laid over
// its top records what reaches it.
struct TouchCounts {
  int began = 0, moved = 0, ended = 0, cancelled = 0;
};
TouchCounts gSeen;
void recordBegan(id, SEL, id, id) { ++gSeen.began; }
void recordMoved(id, SEL, id, id) { ++gSeen.moved; }
void recordEnded(id, SEL, id, id) { ++gSeen.ended; }
void recordCancelled(id, SEL, id, id) { ++gSeen.cancelled; }
Class recorderViewClass() {
  static Class cls = objc::ClassBuilder<UIViewIvars>("N6TouchRecorderView", uikit::UIViewClass())
                         .method<&recordBegan>("touchesBegan:withEvent:")
                         .method<&recordMoved>("touchesMoved:withEvent:")
                         .method<&recordEnded>("touchesEnded:withEvent:")
                         .method<&recordCancelled>("touchesCancelled:withEvent:")
                         .registerClass();
  return cls;
}
// Lays a recorder over the top 200 points of a window.
void coverWithRecorder(id window) {
  objc::Ref view = objc::Ref::adopt(send<id>(send<id>(recorderViewClass(), sel<"alloc">()), sel<"initWithFrame:">(),
                                             CGRectMake(0, 0, 320, 200)));
  send<void>(window, sel<"addSubview:">(), view.get());
  gSeen = {};
}

// How often the away view was asked to reset its lock bar.
int gLockBarResets = 0;
IMP gHostResetLockBar = nullptr;
void countResetLockBar(id self, SEL cmd) {
  ++gLockBarResets;
  objc::callImp<void>(gHostResetLockBar, self, cmd);
}

class Noctil6Touch : public Noctil6HomeScreenTest {
 protected:
  void SetUp() override {
    Noctil6HomeScreenTest::SetUp();
    if (gHostResetLockBar == nullptr) {
      Method m = class_getInstanceMethod(objc_lookUpClass("SBAwayView"), sel<"resetLockBar">());
      gHostResetLockBar = method_setImplementation(m, objc::toImp(&countResetLockBar));
    }
    gLockBarResets = 0;
  }
  // Locked with the screen on, the list away.
  void lockWithListHidden(sb6::Device device = {}) {
    launchAndLock(device);
    uikit::sim::letTimePass(0.1);
    ASSERT_TRUE(sb6::hideNotificationCenter().ok());
    ASSERT_FALSE(shown());
    uikit::clearAnimationLog();
    dimTimerRestarts().clear();
  }
  // Locked with the list shown.
  void lockWithListShown(sb6::Device device = {}) {
    lockWithListHidden(device);
    ASSERT_TRUE(sb6::showNotificationCenter().ok());
    ASSERT_TRUE(shown());
    uikit::clearAnimationLog();
    dimTimerRestarts().clear();
  }
  objc::Status pull(sb6::WindowKind window, CGPoint from, CGPoint to, double seconds = 0.3, int steps = 10,
                    sb6::DragEnd end = sb6::DragEnd::Ended) {
    sb6::Drag d;
    d.window = window;
    d.from = from;
    d.to = to;
    d.seconds = seconds;
    d.steps = steps;
    d.end = end;
    return sb6::drag(d);
  }
};

id slidingView() {
  id listView = send<id>(listController(), sel<"listView">());
  return sb6::isLaunched() && send<NSInteger>(send<id>(classObject("UIDevice"), sel<"currentDevice">()),
                                              sel<"userInterfaceIdiom">()) == 1
             ? listView
             : send<id>(listView, sel<"slidingView">());
}
CGRect frame(id view) { return send<CGRect>(view, sel<"frame">()); }

// The ease-in animations of the list's slides, by duration.
std::vector<double> slideDurations() {
  std::vector<double> out;
  for (const auto& a : uikit::animationLog())
    if (a.curve == UIViewAnimationCurveEaseIn && !a.blockBased) out.push_back(a.duration);
  return out;
}

// ---- The pull-down ---------------------------------------------------------------------

TEST_F(Noctil6Touch, APullFromTheTopOfTheLockScreenOpensTheList) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_TRUE(shown());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  EXPECT_EQ(lockViews().clockAlpha, 0.0);
  EXPECT_FALSE(touchState().pullDown);
  // The pull restarted the dim timer for a minute.
  EXPECT_NE(std::find(dimTimerRestarts().begin(), dimTimerRestarts().end(), 60.0), dimTimerRestarts().end());
}

TEST_F(Noctil6Touch, TheLockScreensStartZoneEndsThirtyPointsDown) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 31), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 40), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 30), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_TRUE(shown());
}

TEST_F(Noctil6Touch, TheStatusBarsStartZoneEndsSixtyPointsDown) {
  lockWithListHidden();
  // The status bar's window is 20 points high; made taller, it shows where its zone ends.
  id statusBar = sb6::window(sb6::WindowKind::StatusBar);
  ASSERT_NE(statusBar, nil);
  send<void>(statusBar, sel<"setFrame:">(), CGRectMake(0, 0, 320, 100));
  ASSERT_TRUE(pull(sb6::WindowKind::StatusBar, CGPointMake(160, 61), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  ASSERT_TRUE(pull(sb6::WindowKind::StatusBar, CGPointMake(160, 40), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_TRUE(shown());
}

TEST_F(Noctil6Touch, AStrokeMoreSidewaysThanDownDoesNotPull) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(20, 10), CGPointMake(300, 200)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  EXPECT_FALSE(touchState().pullDown);
}

TEST_F(Noctil6Touch, ThePullsMovesNeverReachTheWindowItsStartAndEndDo) {
  lockWithListHidden();
  id window = sb6::window(sb6::WindowKind::LockScreen);
  coverWithRecorder(window);
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 110), 0.3, 10).ok());
  // The first move started the pull-down and was passed on; the nine after it were not.
  EXPECT_EQ(gSeen.began, 1);
  EXPECT_EQ(gSeen.moved, 1);
  EXPECT_EQ(gSeen.ended, 1);
}

TEST_F(Noctil6Touch, TheLockViewsFadeAsTheFingerPassesEightyPoints) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 80), 0.3, 7,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);  // not past 80 yet
  sb6::shutdown();
  SetUp();
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 90), 0.3, 8,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_DOUBLE_EQ(lockViews().clockAlpha, 1 - 90.0 / 120);
}

TEST_F(Noctil6Touch, ReleasedGoingDownAboveEightyPointsTheHandlerLeavesTheLockViews) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 70)).ok());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  // No 0.2 s fade of the handler's own: the lock views follow the list becoming active.
  for (const auto& a : uikit::animationLog()) EXPECT_FALSE(a.curve == 0 && a.duration == 0.2);
}

TEST_F(Noctil6Touch, ReleasedGoingUpTheListGoesAndTheLockComesBack) {
  lockWithListHidden();
  // Down from the status bar, then back up, released going up.
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::StatusBar), CGPointMake(160, 5));
  ASSERT_TRUE(finger.ok());
  ASSERT_TRUE(finger->moveTo(CGPointMake(160, 100), 0.1).ok());
  ASSERT_TRUE(finger->moveTo(CGPointMake(160, 110), 0.1).ok());
  EXPECT_NEAR(lockViews().clockAlpha, 1 - 110.0 / 120, 1e-6);
  ASSERT_TRUE(finger->moveTo(CGPointMake(160, 90), 0.1).ok());
  uikit::clearAnimationLog();
  ASSERT_TRUE(finger->up().ok());
  // The lock views come back in the handler's 0.2 s fade.
  bool fade = false;
  for (const auto& a : uikit::animationLog()) fade |= a.curve == UIViewAnimationCurveEaseInOut && a.duration == 0.2;
  EXPECT_TRUE(fade);
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);
}

TEST_F(Noctil6Touch, ACancelledPullHidesTheListAtOnce) {
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 200), 0.3, 10,
                   sb6::DragEnd::Cancelled)
                  .ok());
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);
  EXPECT_FALSE(touchState().pullDown);
}

TEST_F(Noctil6Touch, UnlockedOrWithTheListOffTheLockScreenTheWindowsAreLeftAlone) {
  setOptions({{"LockEnabled", boolean(NO)}});
  lockWithListHidden();
  ASSERT_TRUE(pull(sb6::WindowKind::LockScreen, CGPointMake(160, 10), CGPointMake(160, 300)).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  EXPECT_FALSE(touchState().pullDown);
}

// ---- The list window: dragging the list --------------------------------------------------
//
// Drags start 50 points above the list's bottom: inside the tweak's grab zone and
// outside the 40 points where the list's own pan begins, so only the tweak moves it.
// Steps of 1/16 s keep the speeds exact.

TEST_F(Noctil6Touch, TheListFollowsAFingerOnItsBottomEdge) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 150), 0.5, 10,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_TRUE(touchState().drag);
  EXPECT_EQ(frame(slidingView()).origin.y, -150.0);
}

TEST_F(Noctil6Touch, ADragMustStartInTheBottomSixtyPoints) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  // 61 points above the bottom: the list does not move.
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 61), CGPointMake(160, h - 200), 0.5, 10,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_FALSE(touchState().drag);
  EXPECT_EQ(frame(slidingView()).origin.y, 0.0);
}

TEST_F(Noctil6Touch, ADragStartsOnlyPastTenPoints) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 20), CGPointMake(160, h - 30), 0.1, 1,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_FALSE(touchState().drag);
  sb6::shutdown();
  SetUp();
  lockWithListShown();
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 20), CGPointMake(160, h - 31), 0.1, 1,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_TRUE(touchState().drag);
}

TEST_F(Noctil6Touch, ASlowDragOfSeventyFivePointsSlidesTheListAwayInSixTenths) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  // 75 points up in six steps of 12.5 points and 1/16 s: 200 pt/s upwards.
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6).ok());
  EXPECT_EQ(touchState().vy, -200.0f);
  EXPECT_EQ(slideDurations(), std::vector<double>{static_cast<double>(0.6f)});
  EXPECT_EQ(frame(slidingView()).origin.y, -h);
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);
  EXPECT_NE(std::find(dimTimerRestarts().begin(), dimTimerRestarts().end(), 6.0), dimTimerRestarts().end());
  uikit::sim::letTimePass(0.7);
  EXPECT_FALSE(shown());
  EXPECT_TRUE(sb6::isLocked());  // no pull-up unlock
}

TEST_F(Noctil6Touch, AFastDragSlidesAwayInEighteenHundredths) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  // Two steps of 62.5 points in 1/16 s each: 1000 pt/s.
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 175), 0.125, 2).ok());
  EXPECT_EQ(touchState().vy, -1000.0f);
  EXPECT_EQ(slideDurations(), std::vector<double>{static_cast<double>(0.18f)});
}

TEST_F(Noctil6Touch, AQuickFlickOfFiftyPointsSpringsBack) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  // 50 points up in 0.05 s: fast, but not far enough.
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 100), 0.05, 5).ok());
  EXPECT_LT(touchState().vy, -900.0f);
  EXPECT_EQ(slideDurations(), std::vector<double>{static_cast<double>(0.18f)});
  EXPECT_EQ(frame(slidingView()).origin.y, 0.0);
  uikit::sim::letTimePass(0.5);
  EXPECT_TRUE(shown());
  EXPECT_EQ(lockViews().clockAlpha, 0.0);
}

TEST_F(Noctil6Touch, SlideDurationsBetweenTheBordersFollowTheSpeed) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  // 25 points per 1/16 s: 400 pt/s, |120 / 400| = 0.3 s.
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 150), 0.25, 4).ok());
  EXPECT_EQ(slideDurations(), std::vector<double>{static_cast<double>(std::fabs(120.0f / -400.0f))});
}

TEST_F(Noctil6Touch, ReleasedGoingDownTheListSpringsBack) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), CGPointMake(160, h - 50));
  ASSERT_TRUE(finger.ok());
  ASSERT_TRUE(finger->moveTo(CGPointMake(160, h - 190), 0.3).ok());
  ASSERT_TRUE(finger->moveTo(CGPointMake(160, h - 140), 0.1).ok());
  ASSERT_TRUE(finger->up().ok());
  EXPECT_EQ(frame(slidingView()).origin.y, 0.0);
  uikit::sim::letTimePass(0.7);
  EXPECT_TRUE(shown());
}

TEST_F(Noctil6Touch, ACancelledDragHidesTheList) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 140), 0.3, 10,
                   sb6::DragEnd::Cancelled)
                  .ok());
  EXPECT_FALSE(touchState().drag);
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);
  EXPECT_NE(std::find(dimTimerRestarts().begin(), dimTimerRestarts().end(), 6.0), dimTimerRestarts().end());
  uikit::sim::letTimePass(0.7);
  EXPECT_FALSE(shown());
}

TEST_F(Noctil6Touch, TwoFingersOnTheListAreNotTracked) {
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  sb6::Drag d;
  d.window = sb6::WindowKind::List;
  d.from = CGPointMake(100, h - 50);
  d.to = CGPointMake(100, h - 190);
  d.touches = 2;
  d.end = sb6::DragEnd::None;
  ASSERT_TRUE(sb6::drag(d).ok());
  EXPECT_FALSE(touchState().drag);
  EXPECT_EQ(frame(slidingView()).origin.y, 0.0);
}

// ---- Pull-up unlock ----------------------------------------------------------------

TEST_F(Noctil6Touch, PullUpUnlockTakesTheLockScreenAlongAndUnlocksAfterTheSlide) {
  setOptions({{"PullUpToUnlock", boolean(YES)}});
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  sb6::takeSounds();
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6,
                   sb6::DragEnd::None)
                  .ok());
  // The whole lock screen follows the finger up with the list, and the home screen
  // shows under it.
  EXPECT_EQ(frame(awayView()).origin.y, -125.0);
  EXPECT_EQ(frame(awayView()).size, frame(slidingView()).size);
  id root = send<id>(send<id>(classObject("SBUIController"), sel<"sharedInstance">()), sel<"rootView">());
  EXPECT_EQ(send<CGFloat>(root, sel<"alpha">()), 1.0);
  EXPECT_NE(send<id>(objc::objectIvar(send<id>(classObject("SBUIController"), sel<"sharedInstance">()),
                                      "_wallpaperView"),
                     sel<"superview">()),
            nil);
  sb6::shutdown();
  SetUp();
  setOptions({{"PullUpToUnlock", boolean(YES)}});
  lockWithListShown();
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6).ok());
  // Slid away with the screen's height in pixels.
  EXPECT_EQ(frame(awayView()).origin.y, -960.0);
  const double unlockAt = static_cast<double>(0.6f + 0.1f);
  pass(unlockAt - 0.01);
  EXPECT_TRUE(sb6::isLocked());
  pass(0.01);
  EXPECT_FALSE(sb6::isLocked());
}

TEST_F(Noctil6Touch, PullUpUnlockWithAPasscodeBringsTheKeypadAtOnce) {
  setOptions({{"PullUpToUnlock", boolean(YES)}});
  lockWithListShown(withPasscode("1234"));
  const CGFloat h = frame(slidingView()).size.height;
  const CGRect awayBefore = frame(awayView());
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6).ok());
  EXPECT_EQ(frame(awayView()), awayBefore);  // the lock screen stays for the keypad
  uikit::sim::letTimePass(0.4);
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_TRUE(sb6::isLocked());
}

TEST_F(Noctil6Touch, WithTheLockBarsOwnUnlockTheLockScreenStaysAndUnlocksAfterTheSlide) {
  setOptions({{"PullUpToUnlock", boolean(YES)}, {"UnlockAnimation", boolean(YES)}});
  lockWithListShown();
  const CGFloat h = frame(slidingView()).size.height;
  const CGRect awayBefore = frame(awayView());
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6).ok());
  EXPECT_EQ(frame(awayView()), awayBefore);
  EXPECT_TRUE(sb6::isLocked());
  pass(static_cast<double>(0.6f + 0.1f));
  EXPECT_FALSE(sb6::isLocked());
}

TEST_F(Noctil6Touch, PullingUpOverAnAppShowsTheApp) {
  setOptions({{"PullUpToUnlock", boolean(YES)}});
  launch();
  ASSERT_TRUE(sb6::openApplication(kMail).ok());
  ASSERT_TRUE(sb6::lock().ok());
  uikit::sim::letTimePass(0.1);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id window = send<id>(send<id>(classObject("SBUIController"), sel<"sharedInstance">()), sel<"window">());
  auto appViews = [&] {
    std::vector<id> out;
    id subviews = send<id>(window, sel<"subviews">());
    for (NSUInteger i = 0, n = send<NSUInteger>(subviews, sel<"count">()); i < n; ++i) {
      id v = send<id>(subviews, sel<"objectAtIndex:">(), i);
      if (std::string(objc::className(v)) == "SBAppContextHostView") out.push_back(v);
    }
    return out;
  };
  ASSERT_EQ(appViews().size(), 1u);
  EXPECT_TRUE(send<BOOL>(appViews()[0], sel<"isHidden">()));
  const CGFloat h = frame(slidingView()).size.height;
  ASSERT_TRUE(pull(sb6::WindowKind::List, CGPointMake(160, h - 50), CGPointMake(160, h - 125), 0.375, 6,
                   sb6::DragEnd::None)
                  .ok());
  EXPECT_FALSE(send<BOOL>(appViews()[0], sel<"isHidden">()));
}

// ---- The knob through the list ----------------------------------------------------------

struct KnobGeometry {
  CGFloat wellX, wellWidth, knobWidth, screenHeight;
  CGFloat end() const { return static_cast<float>(wellWidth - knobWidth - 3); }
};
KnobGeometry knobGeometry() {
  noctil6::LockBarParts parts = noctil6::findLockBarParts();
  KnobGeometry g{};
  g.wellX = frame(parts.well).origin.x;
  g.wellWidth = frame(parts.well).size.width;
  g.knobWidth = frame(parts.knob).size.width;
  g.screenHeight = 480;
  return g;
}
CGFloat knobX() { return frame(noctil6::findLockBarParts().knob).origin.x; }
CGFloat textAlpha() { return send<CGFloat>(noctil6::findLockBarParts().textView, sel<"alpha">()); }

TEST_F(Noctil6Touch, TheKnobCanBeDraggedThroughTheListOnAPhoneWithATransparentList) {
  setOptions({{"EnableLockBar", boolean(YES)}, {"LockTransparent", boolean(YES)}});
  lockWithListShown();
  KnobGeometry g = knobGeometry();
  const CGFloat y = g.screenHeight - 40;
  const CGFloat x0 = g.wellX + 30;
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), CGPointMake(x0, y));
  ASSERT_TRUE(finger.ok());
  EXPECT_TRUE(touchState().knob);
  ASSERT_TRUE(finger->moveTo(CGPointMake(x0 + 50, y), 0.1).ok());
  // The knob's middle follows the finger; the text fades by where the knob was.
  EXPECT_EQ(knobX(), x0 + 50 - g.knobWidth / 2 - g.wellX);
  EXPECT_DOUBLE_EQ(textAlpha(), 1 - 2.0 / 60);
  ASSERT_TRUE(finger->moveTo(CGPointMake(x0 - 100, y), 0.1).ok());
  EXPECT_EQ(knobX(), 2.0);  // no further than the start
  ASSERT_TRUE(finger->moveTo(CGPointMake(x0 + 1000, y), 0.1).ok());
  EXPECT_EQ(knobX(), g.end());  // nor past the end
  EXPECT_FALSE(touchState().drag);
  ASSERT_TRUE(finger->up().ok());
  uikit::sim::letTimePass(0.5);
  // Released at the end: the list goes and the device unlocks.
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_FALSE(touchState().knob);
}

TEST_F(Noctil6Touch, AKnobReleasedOnePointShortSpringsBack) {
  setOptions({{"EnableLockBar", boolean(YES)}, {"LockTransparent", boolean(YES)}});
  lockWithListShown();
  KnobGeometry g = knobGeometry();
  const CGFloat y = g.screenHeight - 40;
  const CGFloat x0 = g.wellX + 30;
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), CGPointMake(x0, y));
  ASSERT_TRUE(finger.ok());
  // The knob's x ends one point short of its end.
  ASSERT_TRUE(finger->moveTo(CGPointMake(g.end() - 1 + g.knobWidth / 2 + g.wellX, y), 0.1).ok());
  ASSERT_EQ(knobX(), g.end() - 1);
  uikit::clearAnimationLog();
  gLockBarResets = 0;
  ASSERT_TRUE(finger->up().ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(shown());
  EXPECT_EQ(knobX(), 2.0);
  bool springBack = false;
  for (const auto& a : uikit::animationLog())
    springBack |= a.curve == UIViewAnimationCurveEaseInOut && a.duration == static_cast<double>(0.15f);
  EXPECT_TRUE(springBack);
  pass(static_cast<double>(0.15f) - 0.01);
  EXPECT_EQ(gLockBarResets, 0);
  pass(0.01);
  EXPECT_EQ(gLockBarResets, 1);
}

TEST_F(Noctil6Touch, OnAPhoneTheKnobNeedsTheTransparentListAndItsZone) {
  setOptions({{"EnableLockBar", boolean(YES)}, {"LockTransparent", boolean(NO)}});
  lockWithListShown();
  KnobGeometry g = knobGeometry();
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), CGPointMake(g.wellX + 30, 440));
  ASSERT_TRUE(finger.ok());
  EXPECT_FALSE(touchState().knob);
  ASSERT_TRUE(finger->cancel().ok());
  setOptions({{"EnableLockBar", boolean(YES)}, {"LockTransparent", boolean(YES)}});
  // The zone's borders are outside it.
  for (CGPoint at : {CGPointMake(g.wellX, 440), CGPointMake(g.wellX + 75, 440), CGPointMake(g.wellX + 30, 400),
                     CGPointMake(g.wellX + 30, 470)}) {
    auto f = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), at);
    ASSERT_TRUE(f.ok());
    EXPECT_FALSE(touchState().knob) << at.x << "," << at.y;
    ASSERT_TRUE(f->cancel().ok());
  }
  auto inside = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), CGPointMake(g.wellX + 74, 469));
  ASSERT_TRUE(inside.ok());
  EXPECT_TRUE(touchState().knob);
  ASSERT_TRUE(inside->cancel().ok());
  EXPECT_FALSE(touchState().knob);
  EXPECT_EQ(knobX(), 2.0);
}

TEST_F(Noctil6Touch, OnAnIPadTheKnobUnlocksPastOneHundredAndNinetyPoints) {
  setOptions({{"EnableLockBar", boolean(YES)}});
  lockWithListShown(iPad());
  KnobGeometry g = knobGeometry();
  const CGFloat ly = frame(noctil6::findLockBarParts().lockBar).origin.y;
  const CGPoint start = CGPointMake(g.wellX + 40, ly + 70);
  auto finger = uikit::sim::Finger::down(sb6::window(sb6::WindowKind::List), start);
  ASSERT_TRUE(finger.ok());
  ASSERT_TRUE(touchState().knob);
  // The knob at 191: beyond 190, though short of the end of the well.
  ASSERT_TRUE(finger->moveTo(CGPointMake(191 + g.knobWidth / 2 + g.wellX, start.y), 0.1).ok());
  ASSERT_EQ(knobX(), 191.0);
  ASSERT_LT(knobX(), g.end());
  ASSERT_TRUE(finger->up().ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(sb6::isLocked());
}

}  // namespace
