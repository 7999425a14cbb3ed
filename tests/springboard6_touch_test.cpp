// Touch delivery through the iOS 6 home screen's windows: drags go UIApplication
// sendEvent: → the window's sendEvent: (inherited from UIWindow by the status bar's
// and the lock screen's windows, so a tweak adds its own there) → hit-testing and
// recognisers; several fingers travel in one event; the status bar's pull-down
// recogniser opens Notification Center only where it is allowed.
#include "HomeScreen6Fixture.h"

#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

using namespace sb6_testing;

namespace {

Class gAlertWindowSuper = Nil;
Class gStatusBarWindowSuper = Nil;
IMP gGestureBegan = nullptr;
IMP gGestureChanged = nullptr;
IMP gGestureEnded = nullptr;

std::string phases(id event) {
  std::string out;
  id touches = send<id>(event, sel<"allTouches">());
  out += std::to_string(send<NSUInteger>(touches, sel<"count">())) + ":";
  out += std::to_string(send<NSInteger>(send<id>(touches, sel<"anyObject">()), sel<"phase">()));
  return out;
}

// As a tweak's "with forwarder" entry does for a class that only inherits sendEvent::
// a method of the class's own that records, then calls the superclass's
// implementation looked up at call time.
void alertWindowSendEvent(id self, SEL cmd, id event) {
  calls().push_back(std::string("SBAlertWindow ") + phases(event));
  objc::callImp<void>(class_getMethodImplementation(gAlertWindowSuper, cmd), self, cmd, event);
}
void statusBarWindowSendEvent(id self, SEL cmd, id event) {
  calls().push_back(std::string("UIStatusBarWindow ") + phases(event));
  objc::callImp<void>(class_getMethodImplementation(gStatusBarWindowSuper, cmd), self, cmd, event);
}

bool listControllerAnswers(SEL selector) {
  Class list = objc::classNamed("SBBulletinListController");
  return list && class_respondsToSelector(list, selector);
}
void recordingBegan(id self, SEL cmd, CGPoint p) {
  calls().push_back("began " + std::to_string(static_cast<int>(p.y)));
  if (listControllerAnswers(sel<"handleShowNotificationsGestureBeganWithTouchLocation:">()))
    objc::callImp<void>(gGestureBegan, self, cmd, p);
}
void recordingChanged(id self, SEL cmd, CGPoint p, CGPoint v) {
  calls().push_back("changed");
  if (listControllerAnswers(sel<"handleShowNotificationsGestureChangedWithTouchLocation:velocity:">()))
    objc::callImp<void>(gGestureChanged, self, cmd, p, v);
}
void recordingEnded(id self, SEL cmd, CGPoint p, CGPoint v) {
  calls().push_back(std::string("ended ") + (v.y > 0 ? "down" : "not down"));
  if (listControllerAnswers(sel<"handleShowNotificationsGestureEndedWithVelocity:">()))
    objc::callImp<void>(gGestureEnded, self, cmd, p, v);
}

void addForwarder(const char* className, IMP imp, Class& savedSuper) {
  if (savedSuper) return;
  Class cls = objc::classNamed(className);
  savedSuper = class_getSuperclass(cls);
  Method inherited = class_getInstanceMethod(cls, sel<"sendEvent:">());
  ASSERT_NE(inherited, nullptr);
  ASSERT_TRUE(class_addMethod(cls, sel<"sendEvent:">(), imp, method_getTypeEncoding(inherited)));
}

class Springboard6TouchTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    addForwarder("SBAlertWindow", objc::toImp(&alertWindowSendEvent), gAlertWindowSuper);
    addForwarder("UIStatusBarWindow", objc::toImp(&statusBarWindowSendEvent), gStatusBarWindowSuper);
    replaceOnce("SBUIController", "_showNotificationsGestureBeganWithLocation:", objc::toImp(&recordingBegan),
                gGestureBegan);
    replaceOnce("SBUIController", "_showNotificationsGestureChangedWithLocation:velocity:",
                objc::toImp(&recordingChanged), gGestureChanged);
    replaceOnce("SBUIController", "_showNotificationsGestureEndedWithLocation:velocity:", objc::toImp(&recordingEnded),
                gGestureEnded);
  }
  sb6::Drag drag(sb6::WindowKind window, CGPoint from, CGPoint to) {
    sb6::Drag d;
    d.window = window;
    d.from = from;
    d.to = to;
    d.steps = 2;
    return d;
  }
  std::vector<std::string> windowCalls() {
    std::vector<std::string> out;
    for (const auto& c : calls())
      if (c.rfind("SBAlertWindow", 0) == 0 || c.rfind("UIStatusBarWindow", 0) == 0) out.push_back(c);
    return out;
  }
};

TEST_F(Springboard6TouchTest, EveryEventOfADragReachesTheWindowsSendEventWithAllItsFingers) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  auto d = drag(sb6::WindowKind::LockScreen, CGPointMake(100, 200), CGPointMake(100, 300));
  d.touches = 2;
  ASSERT_TRUE(sb6::drag(d).ok());
  EXPECT_EQ(windowCalls(), (std::vector<std::string>{"SBAlertWindow 2:0", "SBAlertWindow 2:1", "SBAlertWindow 2:1",
                                                     "SBAlertWindow 2:3"}));
  calls().clear();
  d.touches = 1;
  d.end = sb6::DragEnd::Cancelled;
  ASSERT_TRUE(sb6::drag(d).ok());
  EXPECT_EQ(windowCalls(), (std::vector<std::string>{"SBAlertWindow 1:0", "SBAlertWindow 1:1", "SBAlertWindow 1:1",
                                                     "SBAlertWindow 1:4"}));
  // The touches go on from UIWindow's sendEvent: to the view under the finger: the
  // lock bar's knob moves with a finger put down on it.
  calls().clear();
  id lockBar = objc::objectIvar(awayView(), "_lockBar");
  id knob = send<id>(lockBar, sel<"knob">());
  id window = sb6::window(sb6::WindowKind::LockScreen);
  CGPoint centre = uikit::convertPoint(CGPointMake(30, 20), knob, window);
  auto onKnob = drag(sb6::WindowKind::LockScreen, centre, CGPointMake(centre.x + 40, centre.y));
  onKnob.end = sb6::DragEnd::None;
  ASSERT_TRUE(sb6::drag(onKnob).ok());
  EXPECT_EQ(send<CGRect>(knob, sel<"frame">()).origin.x, 42);
  EXPECT_EQ(windowCalls().size(), 3u);  // no end: the finger stays down
}

TEST_F(Springboard6TouchTest, WindowsAreFoundOnlyWhileOnScreenAndADarkScreenTakesNoTouches) {
  launch();
  EXPECT_EQ(sb6::window(sb6::WindowKind::LockScreen), nil);
  id statusBarWindow = sb6::window(sb6::WindowKind::StatusBar);
  ASSERT_NE(statusBarWindow, nil);
  EXPECT_STREQ(objc::className(statusBarWindow), "UIStatusBarWindow");
  EXPECT_EQ(send<CGFloat>(statusBarWindow, sel<"windowLevel">()), 1000);
  EXPECT_FALSE(sb6::drag(drag(sb6::WindowKind::LockScreen, CGPointMake(10, 10), CGPointMake(10, 50))).ok());
  ASSERT_TRUE(sb6::lock().ok());
  id alertWindow = sb6::window(sb6::WindowKind::LockScreen);
  ASSERT_NE(alertWindow, nil);
  EXPECT_STREQ(objc::className(alertWindow), "SBAlertWindow");
  EXPECT_LT(send<CGFloat>(alertWindow, sel<"windowLevel">()), 1000);
  ASSERT_TRUE(sb6::sleep().ok());
  calls().clear();
  EXPECT_FALSE(sb6::drag(drag(sb6::WindowKind::LockScreen, CGPointMake(10, 10), CGPointMake(10, 50))).ok());
  EXPECT_TRUE(windowCalls().empty());
  // Bad drags are refused before any finger goes down.
  ASSERT_TRUE(sb6::wake().ok());
  auto bad = drag(sb6::WindowKind::LockScreen, CGPointMake(10, 10), CGPointMake(10, 50));
  bad.steps = 0;
  EXPECT_FALSE(sb6::drag(bad).ok());
  bad.steps = 2;
  bad.touches = 0;
  EXPECT_FALSE(sb6::drag(bad).ok());
  EXPECT_TRUE(windowCalls().empty());
}

TEST_F(Springboard6TouchTest, TheStatusBarsPullDownSendsTheGestureCallsOnlyWhereNotificationCenterAllowsIt) {
  if (objc::classNamed("SBBulletinWindowController") == Nil) GTEST_SKIP() << "Notification Center is not built yet";
  launch();
  auto pull = drag(sb6::WindowKind::StatusBar, CGPointMake(160, 10), CGPointMake(160, 300));
  pull.steps = 10;
  ASSERT_TRUE(sb6::drag(pull).ok());
  std::vector<std::string> gesture;
  for (const auto& c : calls())
    if (c.rfind("UIStatusBarWindow", 0) != 0) gesture.push_back(c);
  ASSERT_GE(gesture.size(), 3u);
  EXPECT_EQ(gesture.front().rfind("began", 0), 0u);
  EXPECT_EQ(gesture.back(), "ended down");
  id list = send<id>(classObject("SBBulletinListController"), sel<"sharedInstance">());
  EXPECT_TRUE(send<BOOL>(list, sel<"listViewIsActive">()));
  // On the lock screen the stock window controller refuses: nothing begins.
  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::lock().ok());
  calls().clear();
  ASSERT_TRUE(sb6::drag(pull).ok());
  for (const auto& c : calls()) EXPECT_EQ(c.rfind("UIStatusBarWindow", 0), 0u) << c;
  EXPECT_FALSE(send<BOOL>(list, sel<"listViewIsActive">()));
}

TEST_F(Springboard6TouchTest, LockingOrTheHomeButtonClosesNotificationCenter) {
  if (objc::classNamed("SBBulletinListController") == Nil) GTEST_SKIP() << "Notification Center is not built yet";
  launch();
  id list = send<id>(classObject("SBBulletinListController"), sel<"sharedInstance">());
  auto show = [&] {
    send<void>(list, sel<"showListViewAnimated:">(), BOOL{NO});
    sb6::settle();
    return send<BOOL>(list, sel<"listViewIsActive">()) == YES;
  };
  auto shown = [&] { return send<BOOL>(list, sel<"listViewIsActive">()) == YES; };
  ASSERT_TRUE(show());
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_FALSE(shown());
  ASSERT_TRUE(sb6::openApplication("com.apple.mobilemail").ok());
  ASSERT_TRUE(show());
  ASSERT_TRUE(sb6::pressHome().ok());  // the list closes; the app stays in front
  EXPECT_FALSE(shown());
  EXPECT_EQ(sb6::frontApplication(), "com.apple.mobilemail");
  ASSERT_TRUE(show());
  ASSERT_TRUE(sb6::lock().ok());
  EXPECT_FALSE(shown());
}

}  // namespace
