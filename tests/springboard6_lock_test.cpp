// The iOS 6 lock screen's screen and buttons: locking, the dim timer under the manual
// clock, waking by the lock and home buttons (which sends attemptUnlock and never
// unlocks by itself), the status bar's time and lock, the unlock calls and their
// sound, the camera and the alarm.
#include "HomeScreen6Fixture.h"

#include <foundation/Clock.h>

using namespace sb6_testing;

namespace {

IMP gAttemptUnlock = nullptr;

void recordingAttemptUnlock(id self, SEL cmd) {
  calls().push_back("attemptUnlock");
  objc::callImp<void>(gAttemptUnlock, self, cmd);
}

class Springboard6LockTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBAwayController", "attemptUnlock", objc::toImp(&recordingAttemptUnlock), gAttemptUnlock);
  }
  int attemptUnlocks() {
    int n = 0;
    for (const auto& c : calls()) n += c == "attemptUnlock";
    return n;
  }
  void lockAndClearLogs() {
    ASSERT_TRUE(sb6::lock().ok());
    sb6::takeSounds();
    calls().clear();
  }
};

TEST_F(Springboard6LockTest, LockingLeavesTheScreenLitAsAfterAWakeAndTheDimTimerDarkensItEightSecondsLater) {
  launch();
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  ASSERT_TRUE(sb6::lock().ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::isScreenDark());
  EXPECT_EQ(attemptUnlocks(), 1);  // the wake after the lock button darkened it
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_EQ(sb6::takeSounds(), (std::vector<std::string>{"lock"}));
  ASSERT_TRUE(ns::advanceClock(7.9).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  ASSERT_TRUE(ns::advanceClock(0.2).ok());
  EXPECT_TRUE(sb6::isScreenDark());
  EXPECT_FALSE(send<BOOL>(awayController(), sel<"isLockedAndUndimmed">()));
  // Dark for good: nothing lights it by itself, and the device stays locked.
  ASSERT_TRUE(ns::advanceClock(600).ok());
  EXPECT_TRUE(sb6::isScreenDark());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::lock().ok());  // locked already
}

TEST_F(Springboard6LockTest, RestartDimTimerPostponesTheDarkOnlyWhileTheLockScreenIsLit) {
  launch();
  send<void>(awayController(), sel<"restartDimTimer:">(), 16.0);  // unlocked: nothing runs
  ASSERT_TRUE(ns::advanceClock(30).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  lockAndClearLogs();
  ASSERT_TRUE(ns::advanceClock(5).ok());
  send<void>(awayController(), sel<"restartDimTimer:">(), 16.0);
  ASSERT_TRUE(ns::advanceClock(15.9).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  ASSERT_TRUE(ns::advanceClock(0.2).ok());
  EXPECT_TRUE(sb6::isScreenDark());
  send<void>(awayController(), sel<"restartDimTimer:">(), 1.0);  // dark: nothing lights or re-darkens
  ASSERT_TRUE(ns::advanceClock(2).ok());
  EXPECT_TRUE(sb6::isScreenDark());
  // A shorter restart wins over the running timer.
  ASSERT_TRUE(sb6::wake().ok());
  send<void>(awayController(), sel<"restartDimTimer:">(), 2.0);
  ASSERT_TRUE(ns::advanceClock(2.1).ok());
  EXPECT_TRUE(sb6::isScreenDark());
}

TEST_F(Springboard6LockTest, SleepLocksAnUnlockedDeviceAndWakeSendsAttemptUnlockWhichNeverUnlocks) {
  launch();
  ASSERT_TRUE(sb6::sleep().ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isScreenDark());
  EXPECT_EQ(attemptUnlocks(), 0);
  EXPECT_FALSE(sb6::sleep().ok());  // dark already
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_FALSE(sb6::isScreenDark());
  EXPECT_EQ(attemptUnlocks(), 1);
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::wake().ok());  // the screen is lit
  // The lock button on a lit lock screen darkens it without a wake.
  send<void>(application(), sel<"lockButtonDown:">(), id{nil});
  send<void>(application(), sel<"lockButtonUp:">(), id{nil});
  EXPECT_TRUE(sb6::isScreenDark());
  EXPECT_EQ(attemptUnlocks(), 1);
}

TEST_F(Springboard6LockTest, TheHomeButtonWakesADarkScreenOnPressAndKeepsALitOneOn) {
  launch();
  lockAndClearLogs();
  ASSERT_TRUE(sb6::sleep().ok());
  send<void>(application(), sel<"menuButtonDown:">(), id{nil});
  EXPECT_FALSE(sb6::isScreenDark());  // at the press, before the release
  EXPECT_EQ(attemptUnlocks(), 1);
  send<void>(application(), sel<"menuButtonUp:">(), id{nil});
  EXPECT_EQ(attemptUnlocks(), 1);
  ASSERT_TRUE(ns::advanceClock(6).ok());
  ASSERT_TRUE(sb6::pressHome().ok());  // lit: the dim timer starts over
  EXPECT_EQ(attemptUnlocks(), 1);
  ASSERT_TRUE(ns::advanceClock(7.9).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  ASSERT_TRUE(ns::advanceClock(0.2).ok());
  EXPECT_TRUE(sb6::isScreenDark());
  EXPECT_TRUE(sb6::isLocked());
}

TEST_F(Springboard6LockTest, TheStatusBarShowsTheLockWhileLockedAndTheTimeWhenAskedOrUnlocked) {
  launch();
  id data = send<id>(classObject("SBStatusBarDataManager"), sel<"sharedDataManager">());
  lockAndClearLogs();
  EXPECT_FALSE(sb6::statusBarShowsTime());
  send<void>(data, sel<"enableLock:time:">(), BOOL{NO}, BOOL{YES});
  EXPECT_TRUE(sb6::statusBarShowsTime());
  send<void>(data, sel<"enableLock:time:">(), BOOL{YES}, BOOL{NO});
  EXPECT_FALSE(sb6::statusBarShowsTime());
  send<void>(data, sel<"enableTime:">(), BOOL{YES});
  EXPECT_TRUE(sb6::statusBarShowsTime());
  send<void>(data, sel<"enableLock:time:">(), BOOL{YES}, BOOL{NO});
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  // The time shown is the clock's.
  id statusBar = send<id>(send<id>(application(), sel<"statusBarWindow">()), sel<"statusBar">());
  sb6::settle();
  std::string shown = text(send<id>(objc::objectIvar(statusBar, "_timeLabel"), sel<"text">()));
  EXPECT_NE(shown.find(':'), std::string::npos) << shown;
}

TEST_F(Springboard6LockTest, EachUnlockCallPlaysTheUnlockSoundExactlyWhenItsSoundArgumentIsYes) {
  launch();
  id away = awayController();
  struct Case {
    bool sound;
    bool fourArguments;
  };
  for (Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    lockAndClearLogs();
    if (c.fourArguments) {
      send<void>(away, sel<"_finishUnlockWithSound:unlockSource:isAutoUnlock:">(), BOOL{c.sound}, NSInteger{0},
                 BOOL{YES});
    } else {
      send<void>(away, sel<"_unlockWithSound:isAutoUnlock:">(), BOOL{c.sound}, BOOL{YES});
    }
    EXPECT_FALSE(sb6::isLocked());
    EXPECT_EQ(sb6::takeSounds(), c.sound ? std::vector<std::string>{"unlock"} : std::vector<std::string>{});
  }
  // With a passcode, only a bypass or the finishing call unlock without the keypad.
  sb6::setPasscode("1234");
  lockAndClearLogs();
  send<void>(away, sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">(), BOOL{YES}, NSInteger{0}, BOOL{NO},
             BOOL{NO});
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_TRUE(sb6::takeSounds().empty());
  send<void>(away, sel<"_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:">(), BOOL{NO}, NSInteger{0}, BOOL{YES},
             BOOL{YES});
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_TRUE(send<BOOL>(away, sel<"isPasswordProtected">()));
}

TEST_F(Springboard6LockTest, TheCameraKeepsTheScreenOnAndTheAlarmSoundsUntilSilenced) {
  launch();
  EXPECT_FALSE(sb6::setCameraActive(true).ok());  // unlocked: no lock-screen camera
  lockAndClearLogs();
  ASSERT_TRUE(sb6::setCameraActive(true).ok());
  EXPECT_TRUE(send<BOOL>(awayController(), sel<"cameraIsActive">()));
  ASSERT_TRUE(ns::advanceClock(30).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  ASSERT_TRUE(sb6::setCameraActive(false).ok());
  EXPECT_FALSE(send<BOOL>(awayController(), sel<"cameraIsActive">()));
  ASSERT_TRUE(ns::advanceClock(8.1).ok());
  EXPECT_TRUE(sb6::isScreenDark());

  // The alarm lights the dark screen and sounds.
  EXPECT_EQ(send<id>(awayController(), sel<"currentAlertItem">()), nil);
  ASSERT_TRUE(sb6::setAlertSounding(true).ok());
  EXPECT_FALSE(sb6::isScreenDark());
  id alarm = send<id>(awayController(), sel<"currentAlertItem">());
  ASSERT_NE(alarm, nil);
  EXPECT_STREQ(objc::className(alarm), "SBSystemLocalNotificationAlert");
  EXPECT_TRUE(send<BOOL>(alarm, sel<"isPlayingSound">()));
  EXPECT_EQ(sb6::takeSounds(), (std::vector<std::string>{"alarm"}));
  EXPECT_FALSE(sb6::setAlertSounding(true).ok());
  send<void>(classObject("SBSystemLocalNotificationAlert"), sel<"stopPlayingAlertSoundOrRingtone">());
  EXPECT_FALSE(send<BOOL>(alarm, sel<"isPlayingSound">()));
  EXPECT_EQ(send<id>(awayController(), sel<"currentAlertItem">()), alarm);  // silenced, still up
  ASSERT_TRUE(sb6::setAlertSounding(false).ok());
  EXPECT_EQ(send<id>(awayController(), sel<"currentAlertItem">()), nil);
  EXPECT_FALSE(sb6::setAlertSounding(false).ok());
}

TEST_F(Springboard6LockTest, EveryActionNeedsALaunchedHomeScreen) {
  EXPECT_FALSE(sb6::isLaunched());
  EXPECT_FALSE(sb6::lock().ok());
  EXPECT_FALSE(sb6::sleep().ok());
  EXPECT_FALSE(sb6::wake().ok());
  EXPECT_FALSE(sb6::unlockWithLockBar().ok());
  EXPECT_FALSE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::cancelKeypad().ok());
  EXPECT_FALSE(sb6::pressHome().ok());
  EXPECT_FALSE(sb6::setCameraActive(true).ok());
  EXPECT_FALSE(sb6::setAlertSounding(true).ok());
  EXPECT_FALSE(sb6::incomingCall().ok());
  EXPECT_FALSE(sb6::rotate(1).ok());
  EXPECT_FALSE(sb6::openApplication("com.apple.MobileSMS").ok());
  EXPECT_FALSE(sb6::post({}).ok());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_FALSE(sb6::isScreenDark());
  EXPECT_FALSE(sb6::isKeypadShown());
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);
  EXPECT_EQ(sb6::window(sb6::WindowKind::LockScreen), nil);
  launch();
  EXPECT_FALSE(sb6::launch({}).ok());  // once
  EXPECT_FALSE(sb6::post({}).ok());    // no section
  EXPECT_FALSE(sb6::rotate(0).ok());
  EXPECT_FALSE(sb6::wake().ok());      // not dark
}

}  // namespace
