// Helpers for the UIKit stand-in's tests: making views, a window on screen, and a
// fixture that runs each test under the manual clock with the shared UI state
// (first responder, menu, animation log) cleared.
#pragma once

#include <foundation/Clock.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/Simulation.h>
#include <uikit/UIAnimation.h>
#include <uikit/UIMenuController.h>
#include <uikit/UIResponder.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace uikit_testing {

using objc::send;
using objc::sel;

// [[cls alloc] initWithFrame:frame], owned.
inline objc::Ref makeView(Class cls, CGRect frame) {
  return objc::Ref::adopt(send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithFrame:">(), frame));
}

// A visible key window of the given size at the origin.
inline objc::Ref makeWindow(CGFloat width = 320, CGFloat height = 568) {
  objc::Ref window = makeView(uikit::UIWindowClass(), CGRectMake(0, 0, width, height));
  send<void>(window, sel<"makeKeyAndVisible">());
  return window;
}

inline std::string text(id string) { return ns::utf8(string); }
inline std::string describe(id object) { return ns::utf8(send<id>(object, sel<"description">())); }

class UIKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::useManualClock(1000.0);
    uikit::clearAnimationLog();
    if (id r = uikit::firstResponder()) send<BOOL>(r, sel<"resignFirstResponder">());
    send<void>(uikit::sharedMenuController(), sel<"setMenuItems:">(), static_cast<id>(nil));
    send<void>(uikit::sharedMenuController(), sel<"setMenuVisible:">(), static_cast<BOOL>(NO));
  }
  void TearDown() override {
    uikit::sim::letTimePass(60);  // let pending animation ends and timers run
    ns::useRealClock();
  }
  objc::AutoreleasePool pool_;
};

}  // namespace uikit_testing
