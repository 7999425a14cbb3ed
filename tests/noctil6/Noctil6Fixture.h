// The fixture of the iOS 6 tweak's tests that run it inside the iOS 6 home screen:
// the home-screen classes are registered and the tweak started once per test
// program (its method table is permanent), then every test runs under the manual
// clock on a fresh device root with its own options, launches the home screen
// itself, and has it shut down afterwards.  The dim timer's restarts are recorded.
#pragma once

#include "Launch.h"
#include "LockScreen.h"
#include "Options.h"
#include "Startup.h"
#include "TouchState.h"
#include "OptionFiles.h"

#include <springboard6/HostControl.h>

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/Simulation.h>
#include <uikit/UIAnimation.h>
#include <uikit/UIScreen.h>

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace noctil6_tests {

using objc::sel;
using objc::send;

inline id classObject(const char* name) { return reinterpret_cast<id>(objc_lookUpClass(name)); }
inline id awayController() { return send<id>(classObject("SBAwayController"), sel<"sharedAwayController">()); }
inline id awayView() { return send<id>(awayController(), sel<"awayView">()); }
inline id listController() { return send<id>(classObject("SBBulletinListController"), sel<"sharedInstance">()); }
inline id tweak() { return noctil6::tweakController(); }

// Every restartDimTimer: the away controller was sent, in seconds, oldest first.
inline std::vector<double>& dimTimerRestarts() {
  static std::vector<double> log;
  return log;
}
inline IMP& hostRestartDimTimer() {
  static IMP imp = nullptr;
  return imp;
}
inline void recordDimTimer(id self, SEL cmd, double seconds) {
  dimTimerRestarts().push_back(seconds);
  objc::callImp<void>(hostRestartDimTimer(), self, cmd, seconds);
}

// The lock screen's own views as the tweak fades them.
struct LockViews {
  CGFloat listAlpha = -1;  // the SBAwayBulletinListView
  bool listHidden = false;
  CGFloat clockAlpha = -1;  // the clock's container
  CGFloat lockBarAlpha = -1;
};
inline LockViews lockViews() {
  LockViews out;
  id view = awayView();
  id subviews = send<id>(view, sel<"subviews">());
  for (NSUInteger i = 0, n = send<NSUInteger>(subviews, sel<"count">()); i < n; ++i) {
    id subview = send<id>(subviews, sel<"objectAtIndex:">(), i);
    if (std::string(objc::className(subview)) == "SBAwayBulletinListView") {
      out.listAlpha = send<CGFloat>(subview, sel<"alpha">());
      out.listHidden = send<BOOL>(subview, sel<"isHidden">());
    }
  }
  out.clockAlpha = send<CGFloat>(send<id>(send<id>(view, sel<"dateView">()), sel<"superview">()), sel<"alpha">());
  out.lockBarAlpha = send<CGFloat>(objc::objectIvar(view, "_lockBar"), sel<"alpha">());
  return out;
}

// The devices the tests play.
inline sb6::Device startingLocked() {
  sb6::Device device;
  device.startLocked = true;
  return device;
}
inline sb6::Device withPasscode(const std::string& passcode) {
  sb6::Device device;
  device.passcode = passcode;
  return device;
}
inline sb6::Device iPad() {
  sb6::Device device;
  device.ipad = true;
  return device;
}

class Noctil6HomeScreenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sb6::registerClasses();
    noctil6::start();
    if (hostRestartDimTimer() == nullptr) {
      Method m = class_getInstanceMethod(objc_lookUpClass("SBAwayController"), sel<"restartDimTimer:">());
      hostRestartDimTimer() = method_setImplementation(m, objc::toImp(&recordDimTimer));
    }
  }
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    uikit::clearAnimationLog();
    dimTimerRestarts().clear();
    noctil6::resetOptions();
    noctil6::resetLaunchState();
    noctil6::resetLockState();
    noctil6::resetTouchState();
  }
  void TearDown() override {
    // Delayed calls of this test run now, not in the next one.
    uikit::sim::letTimePass(60);
    sb6::shutdown();
    sb6::setPasscode(std::nullopt);
    noctil6::resetLaunchState();
    noctil6::resetLockState();
    noctil6::resetTouchState();
    noctil6::resetOptions();
    ns::useRealClock();
    uikit::resetScreen();
  }
  // Writes the options file and loads it, as a settings change does.
  void setOptions(std::initializer_list<std::pair<const char*, id>> entries) {
    writeOptions(entries);
    noctil6::loadOptions();
  }
  void launch(sb6::Device device = {}) {
    auto launched = sb6::launch(device);
    ASSERT_TRUE(launched.ok()) << launched.error().message;
    dimTimerRestarts().clear();
    uikit::clearAnimationLog();
  }
  // Launches unlocked, then locks with the screen on (the list hidden).
  void launchAndLock(sb6::Device device = {}) {
    launch(device);
    ASSERT_TRUE(sb6::lock().ok());
    dimTimerRestarts().clear();
    uikit::clearAnimationLog();
  }
  std::string post(const std::string& section, const std::string& message, const std::string& url = "") {
    sb6::Notification n;
    n.sectionID = section;
    n.message = message;
    n.url = url;
    auto posted = sb6::post(n);
    EXPECT_TRUE(posted.ok());
    return posted.ok() ? posted.value() : std::string();
  }
  void pass(double seconds) { ASSERT_TRUE(ns::advanceClock(seconds).ok()); }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

}  // namespace noctil6_tests
