// The Notification Center list on the iOS 6 lock screen, run inside the iOS 6 home
// screen: every transition of the lock screen's states (shown by itself as
// "DefaultShow" says, closed by the home button, a call or an unlock attempt, a tapped
// notification or widget unlocking first, with and without a passcode), the home
// press window, the list window's level, the gesture permission after a show call,
// the lock views and the status bar following the list, the front application, and
// the tweak controller's unlock methods.
#include "LockScreen.h"
#include "MethodTable.h"
#include "noctil6/Noctil6Fixture.h"

#include <uikit/UIKitTypes.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace noctil6_tests;
using noctil6::lockState;

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";

bool shown() { return sb6::isNotificationCenterShown(); }

// Locking wakes the screen again, which may show the list by itself; tests that want
// to see it come put it away first.
void hideTheList() {
  uikit::sim::letTimePass(0.1);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_FALSE(shown());
}

// The lock views are faded out (the list covers them) or back.
void expectFaded(bool out) {
  LockViews v = lockViews();
  EXPECT_EQ(v.listAlpha, out ? 0.0 : 1.0);
  EXPECT_EQ(v.clockAlpha, out ? 0.0 : 1.0);  // "HideTimeView" is on by default
  EXPECT_EQ(v.lockBarAlpha, 1.0);            // "HideLockBar" is off by default
}

// The animations committed since the log was cleared with this curve and duration.
int animationsWith(NSInteger curve, double duration) {
  int count = 0;
  for (const auto& a : uikit::animationLog())
    if (a.curve == curve && a.duration == duration && !a.blockBased) ++count;
  return count;
}

using Noctil6LockScreen = Noctil6HomeScreenTest;

// A misspelt class or selector would be skipped silently at start-up, so each entry
// of the table is checked against the home screen: all 43 found their method.
TEST_F(Noctil6LockScreen, EveryEntryOfTheTableFoundItsHostMethod) {
  auto table = noctil6::methodTable();
  EXPECT_EQ(table.size(), 43u);
  for (const hook::Entry& entry : table) {
    ASSERT_NE(entry.slot, nullptr) << entry.className << " " << entry.selectorName;
    EXPECT_TRUE(entry.slot->installed()) << entry.className << " " << entry.selectorName;
  }
}

// ---- Shown by itself -----------------------------------------------------------------

TEST_F(Noctil6LockScreen, LaunchedLockedTheListShowsTwelveSecondsLater) {
  setOptions({{"DefaultShow", integer(1)}});
  launch(startingLocked());
  ASSERT_TRUE(sb6::isLocked());
  EXPECT_FALSE(shown());
  pass(11.9);
  EXPECT_FALSE(shown());
  pass(0.1);
  EXPECT_TRUE(shown());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  expectFaded(true);
}

TEST_F(Noctil6LockScreen, LaunchedLockedWithDefaultShowZeroTheListStaysAway) {
  dimTimerRestarts().clear();
  launch(startingLocked());
  pass(13);
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
}

TEST_F(Noctil6LockScreen, LaunchedLockedRestartsTheDimTimerForSixteenSeconds) {
  setOptions({{"DefaultShow", integer(2)}});
  ASSERT_TRUE(sb6::launch(startingLocked()).ok());
  // The launch's own restarts come first; the tweak's is the last one.
  ASSERT_FALSE(dimTimerRestarts().empty());
  EXPECT_EQ(dimTimerRestarts().back(), 16.0);
}

TEST_F(Noctil6LockScreen, WakingShowsTheListWithDefaultShowOne) {
  setOptions({{"DefaultShow", integer(1)}});
  launchAndLock();
  hideTheList();
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());  // attemptUnlock
  EXPECT_TRUE(shown());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  expectFaded(true);
}

TEST_F(Noctil6LockScreen, WithLockBlurTheListShowsFourHundredthsOfASecondLater) {
  setOptions({{"DefaultShow", integer(1)}, {"LockBlur", boolean(YES)}});
  launchAndLock();
  hideTheList();
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_FALSE(shown());
  pass(0.03);
  EXPECT_FALSE(shown());
  pass(0.011);
  EXPECT_TRUE(shown());
}

TEST_F(Noctil6LockScreen, WakingHidesTheListWithDefaultShowZeroAndLeavesItWithTwo) {
  for (int defaultShow : {0, 2}) {
    SCOPED_TRACE(defaultShow);
    setOptions({{"DefaultShow", integer(defaultShow)}});
    launchAndLock();
    ASSERT_TRUE(sb6::showNotificationCenter().ok());
    ASSERT_TRUE(shown());
    ASSERT_TRUE(sb6::sleep().ok());
    ASSERT_TRUE(sb6::wake().ok());
    EXPECT_EQ(shown(), defaultShow == 2);
    EXPECT_EQ(sb6::statusBarShowsTime(), defaultShow == 2);
    expectFaded(defaultShow == 2);
    TearDown();
    SetUp();
  }
}

TEST_F(Noctil6LockScreen, ADefaultShowOutsideTheTableActsAsTwo) {
  setOptions({{"DefaultShow", integer(7)}});
  launchAndLock();
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_FALSE(shown());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_TRUE(shown());
}

// ---- The home button ----------------------------------------------------------------

TEST_F(Noctil6LockScreen, AHomePressThatWakesTheScreenCountsOnlyWithDefaultShowTwo) {
  for (int defaultShow : {1, 2}) {
    SCOPED_TRACE(defaultShow);
    setOptions({{"DefaultShow", integer(defaultShow)}});
    launchAndLock();
    hideTheList();
    ASSERT_TRUE(sb6::sleep().ok());
    ASSERT_TRUE(sb6::pressHome().ok());  // wakes the screen: attemptUnlock within the press
    EXPECT_FALSE(sb6::isScreenDark());
    // With 1 the press was forgotten at once and the list came; with 2 it still counts.
    EXPECT_EQ(shown(), defaultShow == 1);
    EXPECT_EQ(lockState().homePress, defaultShow == 2 ? YES : NO);
    pass(0.5);
    EXPECT_FALSE(lockState().homePress);
    TearDown();
    SetUp();
  }
}

TEST_F(Noctil6LockScreen, AHomePressWithTheListShownClosesIt) {
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::statusBarShowsTime());
  uikit::clearAnimationLog();
  dimTimerRestarts().clear();
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_FALSE(shown());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  expectFaded(false);
  // On a phone the lock views come back in a 0.2 s ease-in-out animation.
  EXPECT_EQ(animationsWith(UIViewAnimationCurveEaseInOut, static_cast<double>(0.2f)), 1);
  ASSERT_FALSE(dimTimerRestarts().empty());
  EXPECT_NE(std::find(dimTimerRestarts().begin(), dimTimerRestarts().end(), 6.0), dimTimerRestarts().end());
}

TEST_F(Noctil6LockScreen, OnAnIPadTheHomePressLeavesTheFadeToTheListBecomingInactive) {
  launchAndLock(iPad());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  uikit::clearAnimationLog();
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  expectFaded(false);
  EXPECT_EQ(animationsWith(UIViewAnimationCurveEaseInOut, static_cast<double>(0.2f)), 0);
  EXPECT_GE(animationsWith(UIViewAnimationCurveEaseInOut, 0.2), 1);  // _setListViewActive: NO
}

// ---- Calls ---------------------------------------------------------------------------

TEST_F(Noctil6LockScreen, AnIncomingCallClosesTheListLockedOrNot) {
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::callEnded().ok());  // status 5: nothing
  EXPECT_TRUE(shown());
  ASSERT_TRUE(sb6::incomingCall().ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_FALSE(sb6::isLocked());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(shown());
  ASSERT_TRUE(sb6::incomingCall().ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_FALSE(shown());
}

// ---- A tapped notification ------------------------------------------------------------

TEST_F(Noctil6LockScreen, ATappedNotificationUnlocksQuietlyThenActs) {
  launchAndLock();
  post(kMail, "Lunch?", "message://1");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  sb6::takeSounds();
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_EQ(sb6::lastOpened(), "message://1");
  auto sounds = sb6::takeSounds();
  EXPECT_EQ(std::find(sounds.begin(), sounds.end(), "unlock"), sounds.end());
}

TEST_F(Noctil6LockScreen, WithAPasscodeTheTapAsksForItAndTheRightOneActs) {
  launchAndLock(withPasscode("1234"));
  post(kMail, "Lunch?", "message://2");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(shown());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_NE(lockState().pendingBulletin.get(), nil);
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);
  ASSERT_TRUE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::isLocked());
  pass(0.1);
  EXPECT_EQ(sb6::lastOpened(), "message://2");
  EXPECT_EQ(lockState().pendingBulletin.get(), nil);
}

TEST_F(Noctil6LockScreen, AWrongPasscodeBringsTheKeypadBackAndDropsTheNotification) {
  launchAndLock(withPasscode("1234"));
  post(kMail, "Lunch?", "message://3");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  ASSERT_TRUE(sb6::typePasscode("0000").ok());  // lets the keypad's animation and the 0.1 s pass
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_EQ(lockState().pendingBulletin.get(), nil);
  ASSERT_TRUE(sb6::typePasscode("1234").ok());
  EXPECT_FALSE(sb6::isLocked());
  pass(0.2);
  EXPECT_EQ(sb6::lastOpened(), std::nullopt);  // nothing was pending any more
}

TEST_F(Noctil6LockScreen, WithBiteSMSAMessagesNotificationDoesNotUnlock) {
  std::filesystem::create_directories(root_.path() / "usr/lib");
  std::ofstream(root_.path() / "usr/lib/biteSMSfw4.dylib") << "library";
  launchAndLock(withPasscode("1234"));
  post(kMessages, "Hi", "sms:555");
  post(kMail, "Lunch?", "message://4");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMessages, 0).ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::isKeypadShown());
  EXPECT_EQ(lockState().pendingBulletin.get(), nil);
  // Other sections still unlock first.
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  EXPECT_TRUE(sb6::isKeypadShown());
}

TEST_F(Noctil6LockScreen, WithTheListOffTheLockScreenATapIsTheHostsOwn) {
  setOptions({{"LockEnabled", boolean(NO)}});
  launchAndLock();
  post(kMail, "Lunch?", "message://5");
  // The stock lock screen never shows the list, even when asked.
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_FALSE(shown());
}

TEST_F(Noctil6LockScreen, WithTheListOffTheLockScreenDefaultShowLeavesTheLockScreenAlone) {
  setOptions({{"LockEnabled", boolean(NO)}, {"DefaultShow", integer(1)}});
  launchAndLock(withPasscode("1234"));
  post(kMail, "Lunch?");
  ASSERT_TRUE(sb6::sleep().ok());
  ASSERT_TRUE(sb6::wake().ok());
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  expectFaded(false);
  EXPECT_FALSE(lockViews().listHidden);  // the lock screen's own list stays in sight
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::isKeypadShown());
  ASSERT_TRUE(sb6::cancelKeypad().ok());
  EXPECT_FALSE(shown());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  expectFaded(false);
}

TEST_F(Noctil6LockScreen, TheKeypadGoingAwayShowsTheListAgain) {
  setOptions({{"DefaultShow", integer(1)}});
  launchAndLock(withPasscode("1234"));
  post(kMail, "Lunch?", "message://6");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapRow(sb6::List::NotificationCenter, kMail, 0).ok());
  ASSERT_TRUE(sb6::isKeypadShown());
  ASSERT_FALSE(shown());
  ASSERT_TRUE(sb6::cancelKeypad().ok());
  EXPECT_TRUE(shown());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  expectFaded(true);
}

TEST_F(Noctil6LockScreen, WithDefaultShowZeroTheKeypadGoingAwayLeavesTheListHidden) {
  launchAndLock(withPasscode("1234"));
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::isKeypadShown());
  ASSERT_TRUE(sb6::cancelKeypad().ok());
  EXPECT_FALSE(shown());
}

// ---- Widgets -------------------------------------------------------------------------

TEST_F(Noctil6LockScreen, AStocksWidgetAsksForThePasscodeFirst) {
  launchAndLock(withPasscode("1234"));
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  dimTimerRestarts().clear();
  ASSERT_TRUE(sb6::tapWidget("com.apple.stocksweeapp.bundle").ok());
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_FALSE(shown());
  ASSERT_FALSE(dimTimerRestarts().empty());
  EXPECT_EQ(dimTimerRestarts().front(), 20.0);
}

TEST_F(Noctil6LockScreen, AWeatherWidgetWithoutPasscodeUnlocksAndOpensItsApp) {
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::tapWidget("com.apple.weathernotifications.bundle").ok());
  EXPECT_FALSE(sb6::isLocked());
  EXPECT_TRUE(sb6::frontApplication().has_value());
  EXPECT_FALSE(shown());
}

// ---- The list window, the gesture permission and the list becoming active ----------

TEST_F(Noctil6LockScreen, TheListWindowRisesAboveTheStatusBarOnlyOnTheLockScreen) {
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id window = sb6::window(sb6::WindowKind::List);
  ASSERT_NE(window, nil);
  EXPECT_EQ(send<CGFloat>(window, sel<"windowLevel">()), UIWindowLevelStatusBar + 50.0);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  window = sb6::window(sb6::WindowKind::List);
  ASSERT_NE(window, nil);
  EXPECT_EQ(send<CGFloat>(window, sel<"windowLevel">()), 980.0);
}

TEST_F(Noctil6LockScreen, TheGestureIsAllowedOnceAfterAShowCall) {
  launchAndLock();
  id windowController = send<id>(classObject("SBBulletinWindowController"), sel<"sharedInstance">());
  SEL allows = sel<"allowsShowNotificationsGesture">();
  EXPECT_FALSE(send<BOOL>(windowController, allows));
  send<void>(listController(), sel<"showListViewAnimated:">(), BOOL{NO});  // asks once: allowed
  EXPECT_TRUE(shown());
  EXPECT_FALSE(send<BOOL>(windowController, allows));  // and only once
  // Outside the lock context the host's answer stands.
  noctil6::lockState().shownByCall = YES;
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_TRUE(send<BOOL>(windowController, allows));
  EXPECT_TRUE(lockState().shownByCall);
}

TEST_F(Noctil6LockScreen, TheLockViewsAndStatusBarFollowTheListOnThePhoneAtOnce) {
  launchAndLock();
  post(kMail, "Lunch?");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_TRUE(sb6::statusBarShowsTime());
  expectFaded(true);
  EXPECT_GE(animationsWith(UIViewAnimationCurveEaseInOut, 0.0), 1);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  expectFaded(false);
  // The lock screen's own list shows again only when it has notifications.
  EXPECT_FALSE(lockViews().listHidden);
}

TEST_F(Noctil6LockScreen, AnEmptyOwnListStaysHiddenWhenTheLockViewsComeBack) {
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_TRUE(lockViews().listHidden);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  EXPECT_TRUE(lockViews().listHidden);
  EXPECT_EQ(lockViews().listAlpha, 1.0);
}

TEST_F(Noctil6LockScreen, TheClockAndLockBarFadeAsTheOptionsSay) {
  setOptions({{"HideTimeView", boolean(NO)}, {"HideLockBar", boolean(YES)}});
  launchAndLock();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(lockViews().clockAlpha, 1.0);
  EXPECT_EQ(lockViews().lockBarAlpha, 0.0);
}

TEST_F(Noctil6LockScreen, WithTheCameraUpTheListIsTheHostsOwn) {
  launchAndLock();
  ASSERT_TRUE(sb6::setCameraActive(true).ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());  // refused: no lock context, no permission
  EXPECT_FALSE(shown());
}

TEST_F(Noctil6LockScreen, ScrollingToRestRestartsTheDimTimerForTwentySeconds) {
  launchAndLock();
  post(kMail, "Lunch?");
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  dimTimerRestarts().clear();
  ASSERT_TRUE(sb6::scrollNotificationCenter(10).ok());
  ASSERT_FALSE(dimTimerRestarts().empty());
  EXPECT_EQ(dimTimerRestarts().back(), 20.0);
}

// ---- The front application -------------------------------------------------------------

TEST_F(Noctil6LockScreen, TheFrontApplicationIsRememberedWhileUnlocked) {
  launch();
  ASSERT_TRUE(sb6::openApplication(kMail).ok());
  ASSERT_NE(lockState().frontApplication.get(), nil);
  EXPECT_EQ(ns::utf8(lockState().frontApplication), kMail);
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_EQ(lockState().frontApplication.get(), nil);
  ASSERT_TRUE(sb6::openApplication(kMessages).ok());
  ASSERT_TRUE(sb6::lock().ok());
  // Locking changes the front display; the identifier stays as it was.
  EXPECT_EQ(ns::utf8(lockState().frontApplication), kMessages);
}

// ---- The controller's unlock methods ---------------------------------------------------

TEST_F(Noctil6LockScreen, UnlockDeviceUnlocksWithTheSoundTheOptionsSay) {
  launchAndLock();
  sb6::takeSounds();
  send<void>(tweak(), sel<"unlockDevice">());
  sb6::settle();
  EXPECT_FALSE(sb6::isLocked());
  auto sounds = sb6::takeSounds();
  // The newer unlock call never plays the sound.
  EXPECT_EQ(std::find(sounds.begin(), sounds.end(), "unlock"), sounds.end());
  EXPECT_TRUE(sb6::statusBarShowsTime());
}

TEST_F(Noctil6LockScreen, LockBarUnlockedBringsTheKeypadWithAPasscode) {
  launchAndLock(withPasscode("1234"));
  EXPECT_TRUE(send<BOOL>(tweak(), sel<"isPasswordProtected">()));
  send<void>(tweak(), sel<"lockBarUnlocked">());
  uikit::sim::letTimePass(0.4);
  EXPECT_TRUE(sb6::isKeypadShown());
  EXPECT_TRUE(sb6::isLocked());
}

TEST_F(Noctil6LockScreen, TheAlarmIsSilencedOnlyWhenOneSounds) {
  launchAndLock();
  send<void>(tweak(), sel<"stopPlayingAlertIfNeeded">());  // nothing sounds: nothing happens
  ASSERT_TRUE(sb6::setAlertSounding(true).ok());
  id alert = send<id>(awayController(), sel<"currentAlertItem">());
  ASSERT_NE(alert, nil);
  ASSERT_TRUE(send<BOOL>(alert, sel<"isPlayingSound">()));
  send<void>(tweak(), sel<"stopPlayingAlertIfNeeded">());
  EXPECT_FALSE(send<BOOL>(alert, sel<"isPlayingSound">()));
}

TEST_F(Noctil6LockScreen, APendingObjectThatIsNotANotificationStaysPending) {
  launchAndLock();
  lockState().pendingBulletin = objc::Ref::retain(ns::str("not a notification"));
  send<void>(tweak(), sel<"handleBBAction">());
  EXPECT_NE(lockState().pendingBulletin.get(), nil);
  EXPECT_TRUE(sb6::isLocked());
}

}  // namespace
