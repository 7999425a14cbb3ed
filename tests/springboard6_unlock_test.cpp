// Unlocking the iOS 6 lock screen: the lock bar's knob follows a finger through the
// lock screen's window and, slid to its end, makes the away view unlock (or bring up
// the passcode keypad); the keypad takes right and wrong passcodes and can be
// cancelled.
#include "HomeScreen6Fixture.h"

#include <uikit/UIView.h>

using namespace sb6_testing;

namespace {

IMP gLockBarUnlocked = nullptr;
IMP gLockBarStoppedTracking = nullptr;
IMP gKeypadOut = nullptr;
IMP gAttemptPassword = nullptr;

void recordingLockBarUnlocked(id self, SEL cmd, id bar) {
  calls().push_back(std::string("lockBarUnlocked: ") + objc::className(bar));
  objc::callImp<void>(gLockBarUnlocked, self, cmd, bar);
}
void recordingStoppedTracking(id self, SEL cmd, id bar) {
  calls().push_back("lockBarStoppedTracking:");
  objc::callImp<void>(gLockBarStoppedTracking, self, cmd, bar);
}
void recordingKeypadOut(id self, SEL cmd) {
  calls().push_back("didAnimateLockKeypadOut");
  objc::callImp<void>(gKeypadOut, self, cmd);
}
BOOL recordingAttemptPassword(id self, SEL cmd, id password, id owner) {
  calls().push_back("attemptDeviceUnlockWithPassword: " + text(password) + " " + objc::className(owner));
  return objc::callImp<BOOL>(gAttemptPassword, self, cmd, password, owner);
}

class Springboard6UnlockTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBAwayView", "lockBarUnlocked:", objc::toImp(&recordingLockBarUnlocked), gLockBarUnlocked);
    replaceOnce("SBAwayView", "lockBarStoppedTracking:", objc::toImp(&recordingStoppedTracking), gLockBarStoppedTracking);
    replaceOnce("SBAwayController", "didAnimateLockKeypadOut", objc::toImp(&recordingKeypadOut), gKeypadOut);
    replaceOnce("SBAwayController", "attemptDeviceUnlockWithPassword:lockViewOwner:",
                objc::toImp(&recordingAttemptPassword), gAttemptPassword);
  }
  void lockAndClearLogs() {
    ASSERT_TRUE(sb6::lock().ok());
    sb6::takeSounds();
    calls().clear();
  }
  id lockBar() { return objc::objectIvar(awayView(), "_lockBar"); }
  id knob() { return send<id>(lockBar(), sel<"knob">()); }
  CGFloat knobX() { return send<CGRect>(knob(), sel<"frame">()).origin.x; }
  // The knob's centre in the lock screen's window.
  CGPoint knobCentre() {
    CGRect frame = send<CGRect>(knob(), sel<"frame">());
    return uikit::convertPoint(CGPointMake(frame.size.width / 2, frame.size.height / 2), knob(),
                               sb6::window(sb6::WindowKind::LockScreen));
  }
  objc::Status dragKnob(CGFloat dx, sb6::DragEnd end = sb6::DragEnd::Ended) {
    sb6::Drag d;
    d.window = sb6::WindowKind::LockScreen;
    d.from = knobCentre();
    d.to = CGPointMake(d.from.x + dx, d.from.y);
    d.end = end;
    return sb6::drag(d);
  }
};

TEST_F(Springboard6UnlockTest, TheLockBarHoldsAWellWithTheTextAndTheKnobFoundByDescription) {
  launch();
  lockAndClearLogs();
  id well = nil;
  for (id v : uikit::subviewsOf(lockBar()))
    if (describe(v).find("TPWell") != std::string::npos) well = v;
  ASSERT_NE(well, nil);
  int text = 0, knobs = 0;
  for (id v : uikit::subviewsOf(well)) {
    text += describe(v).find("TPLockTextView") != std::string::npos;
    knobs += describe(v).find("TPLockKnobView") != std::string::npos;
  }
  EXPECT_EQ(text, 1);
  EXPECT_EQ(knobs, 1);
  // On a phone the knob lies in the bottom 80 points of the screen, left in the well.
  CGPoint centre = knobCentre();
  EXPECT_GT(centre.y, 480 - 80);
  EXPECT_LT(centre.y, 480 - 10);
  EXPECT_EQ(knobX(), 2);
}

TEST_F(Springboard6UnlockTest, TheKnobFollowsTheFingerWithinTheWellAndTheTextFades) {
  launch();
  lockAndClearLogs();
  id well = send<id>(knob(), sel<"superview">());
  CGFloat end = send<CGRect>(well, sel<"frame">()).size.width - send<CGRect>(knob(), sel<"frame">()).size.width - 3;
  ASSERT_TRUE(dragKnob(30, sb6::DragEnd::None).ok());
  EXPECT_NEAR(knobX(), 32, 0.01);
  id textView = objc::objectIvar(lockBar(), "_textView");
  EXPECT_NEAR(send<CGFloat>(textView, sel<"alpha">()), 0.5, 0.01);
  sb6::shutdown();  // the finger is taken away with the home screen
  launch();
  lockAndClearLogs();
  ASSERT_TRUE(dragKnob(-40, sb6::DragEnd::None).ok());  // no further left than the start
  EXPECT_EQ(knobX(), 2);
  sb6::shutdown();
  launch();
  lockAndClearLogs();
  ASSERT_TRUE(dragKnob(1000, sb6::DragEnd::None).ok());  // no further right than the end
  EXPECT_NEAR(knobX(), end, 0.01);
  EXPECT_TRUE(sb6::isLocked());  // not until the finger lifts
}

TEST_F(Springboard6UnlockTest, TheKnobReleasedAtTheEndUnlocksWithTheSoundAndShortOfItSpringsBack) {
  launch();
  lockAndClearLogs();
  id well = send<id>(knob(), sel<"superview">());
  CGFloat end = send<CGRect>(well, sel<"frame">()).size.width - send<CGRect>(knob(), sel<"frame">()).size.width - 3;
  ASSERT_TRUE(dragKnob(end - 2 - 1).ok());  // one point short
  EXPECT_EQ(calls(), (std::vector<std::string>{"lockBarStoppedTracking:"}));
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_EQ(knobX(), 2);
  bool sprangBack = false;  // the knob's frame animated back to x 2
  for (const auto& record : uikit::animationLog())
    for (const auto& change : record.changes)
      sprangBack |= change.viewClass == "TPLockKnobView" && change.property == "frame" && change.to.rfind("(2 ", 0) == 0;
  EXPECT_TRUE(sprangBack);
  calls().clear();
  ASSERT_TRUE(dragKnob(end - 2).ok());
  EXPECT_EQ(calls(), (std::vector<std::string>{"lockBarStoppedTracking:", "lockBarUnlocked: SBAwayLockBar"}));
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_EQ(sb6::takeSounds(), (std::vector<std::string>{"unlock"}));
  // A finger put down beside the knob does not move it.
  lockAndClearLogs();
  sb6::Drag d;
  d.window = sb6::WindowKind::LockScreen;
  d.from = CGPointMake(knobCentre().x + 100, knobCentre().y);
  d.to = CGPointMake(d.from.x + 150, d.from.y);
  ASSERT_TRUE(sb6::drag(d).ok());
  EXPECT_EQ(knobX(), 2);
  EXPECT_TRUE(sb6::isLocked());
}

TEST_F(Springboard6UnlockTest, WithAPasscodeTheKnobBringsTheKeypadWhichTakesTheRightCodeOnly) {
  sb6::Device device;
  device.passcode = "1234";
  launch(device);
  lockAndClearLogs();
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_TRUE(send<BOOL>(lockBar(), sel<"isHidden">()));
  EXPECT_TRUE(sb6::takeSounds().empty());
  calls().clear();
  ASSERT_TRUE(sb6::typePasscode("1111").ok());
  EXPECT_EQ(calls(), (std::vector<std::string>{"attemptDeviceUnlockWithPassword: 1111 SBAwayView"}));
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isKeypadShown());
  id keypad = send<id>(awayView(), sel<"deviceLockView">());
  EXPECT_EQ(text(send<id>(objc::objectIvar(keypad, "_titleLabel"), sel<"text">())), "Wrong Passcode");
  EXPECT_EQ(send<NSUInteger>(send<id>(keypad, sel<"enteredText">()), sel<"length">()), 0u);
  calls().clear();
  ASSERT_TRUE(sb6::typePasscode("12").ok());  // too short: OK submits it
  EXPECT_EQ(calls(), (std::vector<std::string>{"attemptDeviceUnlockWithPassword: 12 SBAwayView"}));
  calls().clear();
  ASSERT_TRUE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_FALSE(sb6::isKeypadShown());
  EXPECT_EQ(sb6::takeSounds(), (std::vector<std::string>{"unlock"}));
  EXPECT_EQ(calls(), (std::vector<std::string>{"attemptDeviceUnlockWithPassword: 1234 SBAwayView",
                                               "didAnimateLockKeypadOut"}));
  EXPECT_TRUE(sb6::statusBarShowsTime());
}

TEST_F(Springboard6UnlockTest, ALongPasscodeIsSubmittedByOK) {
  sb6::Device device;
  device.passcode = "135790";
  launch(device);
  lockAndClearLogs();
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  calls().clear();
  ASSERT_TRUE(sb6::typePasscode("1357").ok());  // four digits do not submit a long passcode
  EXPECT_EQ(calls(), (std::vector<std::string>{"attemptDeviceUnlockWithPassword: 1357 SBAwayView"}));
  calls().clear();
  ASSERT_TRUE(sb6::typePasscode("135790").ok());
  EXPECT_FALSE(sb6::isLocked());
}

TEST_F(Springboard6UnlockTest, CancellingTheKeypadLeavesTheDeviceLockedWithTheKnobBack) {
  sb6::Device device;
  device.passcode = "1234";
  launch(device);
  lockAndClearLogs();
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  calls().clear();
  ASSERT_TRUE(sb6::cancelKeypad().ok());
  EXPECT_FALSE(sb6::isKeypadShown());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_EQ(calls(), (std::vector<std::string>{"didAnimateLockKeypadOut"}));
  EXPECT_FALSE(send<BOOL>(lockBar(), sel<"isHidden">()));
  EXPECT_EQ(knobX(), 2);
  EXPECT_EQ(send<id>(awayView(), sel<"deviceLockView">()), nil);
  // Keypad operations need a keypad; digits only.
  EXPECT_FALSE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::cancelKeypad().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_FALSE(sb6::typePasscode("12a4").ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::unlockWithLockBar().ok());  // the keypad covers the bar
  // The screen going dark takes the keypad away.
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_FALSE(sb6::isKeypadShown());
}

}  // namespace
