// The fixture of the iOS 6 home screen's tests: every test runs under the manual
// clock on a fresh device root, launches the home screen itself and has it shut
// down afterwards.  Hooks are installed as a tweak installs them (in place, once per
// process) and record their calls in one log.
#pragma once

#include <springboard6/HostControl.h>

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/UIAnimation.h>
#include <uikit/UIScreen.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sb6_testing {

using objc::sel;
using objc::send;

// The calls the hooks of a test program saw, in order.
inline std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

// Puts `replacement` in place of a method the class has (defined or inherited), as a
// tweak's in-place entry does; done once per process, the previous implementation
// kept in `previous`.
inline void replaceOnce(const char* className, const char* selector, IMP replacement, IMP& previous) {
  if (previous) return;
  Method m = class_getInstanceMethod(objc::classNamed(className), sel_registerName(selector));
  ASSERT_NE(m, nullptr) << className << " " << selector;
  previous = method_setImplementation(m, replacement);
}

inline std::string text(id string) { return string ? ns::utf8(string) : std::string(); }
inline std::string describe(id object) { return text(send<id>(object, sel<"description">())); }

inline id classObject(const char* name) { return reinterpret_cast<id>(objc::classNamed(name)); }
inline id awayController() { return send<id>(classObject("SBAwayController"), sel<"sharedAwayController">()); }
inline id awayView() { return send<id>(awayController(), sel<"awayView">()); }
inline id uiController() { return send<id>(classObject("SBUIController"), sel<"sharedInstance">()); }
inline id application() { return send<id>(classObject("UIApplication"), sel<"sharedApplication">()); }

class HomeScreen6Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sb6::registerClasses(); }
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    uikit::clearAnimationLog();
    calls().clear();
  }
  void TearDown() override {
    sb6::shutdown();
    sb6::setPasscode(std::nullopt);
    ns::useRealClock();
    uikit::resetScreen();
  }
  void launch(sb6::Device device = {}) {
    auto launched = sb6::launch(device);
    ASSERT_TRUE(launched.ok()) << launched.error().message;
  }
  // Delivers a notification and answers its bulletin ID.
  std::string post(const std::string& section, const std::string& message, const std::string& url = "") {
    sb6::Notification n;
    n.sectionID = section;
    n.message = message;
    n.url = url;
    auto posted = sb6::post(n);
    EXPECT_TRUE(posted.ok());
    return posted.ok() ? posted.value() : std::string();
  }
  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

}  // namespace sb6_testing
