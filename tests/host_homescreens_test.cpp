// The home screens behind the scenario commands, in process under the manual clock:
// the iOS 6 adapter sets up the device it was asked for and gives each command its
// iOS 6 meaning (which list a row names, which window a drag goes through, the
// orientation numbers, the system's events, the read-backs and the sounds kept until
// forgotten); the iOS 7 adapter says what is not on iOS 7.
#include "HomeScreen.h"

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <springboard6/HostControl.h>
#include <uikit/UIScreen.h>

#include <TestSupport.h>
#include <gtest/gtest.h>

using hosts::HomeScreen;
using hosts::HomeScreenSettings;
using objc::sel;
using objc::send;
using scenario::DeviceState;
using scenario::ListKind;
using scenario::RowState;

namespace {

id sharedObject(const char* className, SEL classSelector) {
  return send<id>(reinterpret_cast<id>(objc::classNamed(className)), classSelector);
}

bool stateOf(HomeScreen& screen, DeviceState what) {
  auto value = screen.state(what);
  EXPECT_TRUE(value.ok()) << value.error().message;
  return value.ok() && *value;
}

scenario::PostBulletin bulletin(const std::string& section, const std::string& message) {
  scenario::PostBulletin b;
  b.sectionID = section;
  b.message = message;
  return b;
}

class HomeScreen6Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
  }
  void TearDown() override {
    sb6::shutdown();
    sb6::setPasscode(std::nullopt);
    ns::useRealClock();
    uikit::resetScreen();
  }
  std::unique_ptr<HomeScreen> start(const HomeScreenSettings& settings) {
    auto made = hosts::makeHomeScreen(settings);
    EXPECT_TRUE(made.ok()) << made.error().message;
    if (!made.ok()) return nullptr;
    std::unique_ptr<HomeScreen> screen = std::move(*made);
    screen->registerClasses();
    auto launched = screen->launch();
    EXPECT_TRUE(launched.ok()) << launched.error().message;
    return screen;
  }
  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

}  // namespace

TEST_F(HomeScreen6Adapter, AnIPadStartedLockedWithAPasscodeAsksForItAndKeepsItsSoundsUntilForgotten) {
  HomeScreenSettings settings;
  settings.iosMajor = 6;
  settings.ipad = true;
  settings.passcode = "1234";
  settings.startLocked = true;
  auto screen = start(settings);
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->name(), "iOS 6");
  EXPECT_TRUE(stateOf(*screen, DeviceState::locked));
  EXPECT_FALSE(stateOf(*screen, DeviceState::statusBar));  // the lock, not the time
  EXPECT_EQ(send<NSInteger>(sharedObject("UIDevice", sel<"currentDevice">()), sel<"userInterfaceIdiom">()), 1);
  EXPECT_EQ(uikit::screen().bounds.size.width, 768);

  // `unlock` is the lock bar's slide: with a passcode it brings up the keypad.
  ASSERT_TRUE(screen->unlock().ok());
  EXPECT_TRUE(stateOf(*screen, DeviceState::keypad));
  ASSERT_TRUE(screen->typePasscode("0000").ok());
  EXPECT_TRUE(stateOf(*screen, DeviceState::locked));
  ASSERT_TRUE(screen->typePasscode("1234").ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::locked));
  EXPECT_FALSE(stateOf(*screen, DeviceState::keypad));
  EXPECT_TRUE(stateOf(*screen, DeviceState::statusBar));

  // Reading the sounds twice sees them twice; forgetting starts afresh.
  auto heard = screen->soundsHeard();
  ASSERT_TRUE(heard.ok());
  EXPECT_EQ(*heard, std::vector<std::string>{"unlock"});
  EXPECT_EQ(screen->soundsHeard().value(), std::vector<std::string>{"unlock"});
  screen->forgetSounds();
  EXPECT_TRUE(screen->soundsHeard().value().empty());
  ASSERT_TRUE(screen->lock().ok());
  EXPECT_EQ(screen->soundsHeard().value(), std::vector<std::string>{"lock"});

  // Without a passcode the same slide unlocks; the keypad cannot be typed on when none shows.
  ASSERT_TRUE(screen->setPasscode(std::nullopt).ok());
  EXPECT_FALSE(screen->typePasscode("1234").ok());
  ASSERT_TRUE(screen->unlock().ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::locked));
}

TEST_F(HomeScreen6Adapter, EachCommandReachesTheIOS6HomeScreenWithItsMeaning) {
  HomeScreenSettings settings;
  settings.iosMajor = 6;
  auto screen = start(settings);
  ASSERT_TRUE(screen);
  EXPECT_FALSE(stateOf(*screen, DeviceState::locked));  // a phone starts unlocked, on the home screen
  EXPECT_EQ(uikit::screen().bounds.size.height, 480);

  // Unlocked, a notification is a banner and a row of Notification Center only.
  ASSERT_TRUE(screen->post(bulletin("com.apple.MobileSMS", "one")).ok());
  EXPECT_TRUE(stateOf(*screen, DeviceState::banner));
  ASSERT_TRUE(screen->showNotificationCenter().ok());
  EXPECT_TRUE(stateOf(*screen, DeviceState::list));
  EXPECT_EQ(screen->row(ListKind::notificationCenter, "com.apple.MobileSMS", 0).state, RowState::visible);
  EXPECT_EQ(screen->row(ListKind::lockScreen, "com.apple.MobileSMS", 0).state, RowState::absent);
  EXPECT_EQ(screen->headerTitle("com.apple.MobileSMS"), "Messages");
  ASSERT_TRUE(screen->pressHome().ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::list));

  // `lock` in a row names the lock screen's own list.
  ASSERT_TRUE(screen->lock().ok());
  ASSERT_TRUE(screen->post(bulletin("com.apple.mobilemail", "two")).ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::banner));
  EXPECT_EQ(screen->row(ListKind::lockScreen, "com.apple.mobilemail", 0).state, RowState::visible);

  // A drag goes through the window it names: the status bar's pull-down is refused on
  // the lock screen.
  scenario::Drag pull;
  pull.window = scenario::DragWindow::statusBar;
  pull.from = {160, 10};
  pull.to = {160, 400};
  ASSERT_TRUE(screen->drag(pull).ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::list));
  scenario::Drag banner = pull;
  banner.window = scenario::DragWindow::banner;
  EXPECT_FALSE(screen->drag(banner).ok());  // no banner on screen

  // The system's events and the orientation numbers.
  id away = sharedObject("SBAwayController", sel<"sharedAwayController">());
  ASSERT_TRUE(screen->happen(scenario::SystemEvent::cameraOn).ok());
  EXPECT_TRUE(send<BOOL>(away, sel<"cameraIsActive">()));
  ASSERT_TRUE(screen->happen(scenario::SystemEvent::cameraOff).ok());
  EXPECT_FALSE(send<BOOL>(away, sel<"cameraIsActive">()));
  ASSERT_TRUE(screen->happen(scenario::SystemEvent::alertOn).ok());
  EXPECT_NE(send<id>(away, sel<"currentAlertItem">()), nil);
  ASSERT_TRUE(screen->happen(scenario::SystemEvent::alertOff).ok());
  EXPECT_EQ(send<id>(away, sel<"currentAlertItem">()), nil);
  id app = sharedObject("UIApplication", sel<"sharedApplication">());
  ASSERT_TRUE(screen->rotate(scenario::Orientation::landscapeLeft).ok());
  EXPECT_EQ(send<NSInteger>(app, sel<"activeInterfaceOrientation">()), 4);
  ASSERT_TRUE(screen->rotate(scenario::Orientation::portrait).ok());

  // The dim timer's darkness and the lock button; then the lock bar's knob slid by a
  // finger through the lock screen's window unlocks a device without a passcode.
  ASSERT_TRUE(screen->sleep().ok());
  EXPECT_FALSE(screen->drag(pull).ok());  // nothing takes a finger on a dark screen
  ASSERT_TRUE(screen->wake().ok());
  scenario::Drag slide;
  slide.window = scenario::DragWindow::lockScreen;
  slide.from = {57, 432};
  slide.to = {300, 432};
  ASSERT_TRUE(screen->drag(slide).ok());
  EXPECT_FALSE(stateOf(*screen, DeviceState::locked));

  // Opening an app is the last action performed; the cell menu is not on iOS 6.
  EXPECT_EQ(screen->lastOpened().value(), std::nullopt);
  ASSERT_TRUE(screen->openApplication("com.apple.mobilephone").ok());
  EXPECT_EQ(screen->lastOpened().value(), "com.apple.mobilephone");
  auto pressed = screen->longPress(ListKind::notificationCenter, "com.apple.MobileSMS", 0);
  ASSERT_FALSE(pressed.ok());
  EXPECT_EQ(pressed.error().message, "the cell menu (a long press on a row) is not on iOS 6");
  EXPECT_TRUE(screen->visibleMenuItems().empty());
}

TEST(HomeScreen7Adapter, WhatOnlyIOS6HasIsNotOnIOS7) {
  HomeScreenSettings settings;
  auto made = hosts::makeHomeScreen(settings);
  ASSERT_TRUE(made.ok());
  HomeScreen& screen = **made;
  auto message = [](const objc::Status& s) { return s.ok() ? std::string("ok") : s.error().message; };
  EXPECT_EQ(message(screen.swipe({})), "a swipe across a row is not on iOS 7");
  EXPECT_EQ(message(screen.typePasscode("1")), "the passcode keypad is not on iOS 7");
  EXPECT_EQ(message(screen.sleep()), "the dim timer is not on iOS 7");
  EXPECT_EQ(message(screen.happen(scenario::SystemEvent::callEnded)), "a telephone call is not on iOS 7");
  EXPECT_EQ(message(screen.tapBanner({})), "a banner is not on iOS 7");
  EXPECT_EQ(screen.state(DeviceState::keypad).error().message, "the passcode keypad is not on iOS 7");
  EXPECT_FALSE(screen.soundsHeard().ok());
  // Rotation has a meaning on iOS 7, but only on a launched home screen.
  EXPECT_EQ(message(screen.rotate(scenario::Orientation::portrait)), "the home screen is not launched");
  settings.iosMajor = 5;
  EXPECT_EQ(hosts::makeHomeScreen(settings).error().message, "there is no home screen for iOS 5");
}
