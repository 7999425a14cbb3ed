// Gesture recognisers under the manual clock: the state sequences of long press,
// pan, tap and swipe with the actions they send, descriptions naming the actions,
// delegates refusing, touches taken from the view, and the driving API.
#include "UIKitTesting.h"

#include <uikit/UIGestureRecognizer.h>

using namespace uikit_testing;
using uikit::sim::Finger;

namespace {

struct Seen {
  NSInteger state;
  CGPoint translation;
  CGPoint velocity;
};
std::vector<Seen>& seen() {
  static std::vector<Seen> log;
  return log;
}
std::vector<std::string>& viewEvents() {
  static std::vector<std::string> log;
  return log;
}

void handle(id, SEL, id recogniser) {
  Seen s{send<NSInteger>(recogniser, sel<"state">()), {}, {}};
  if (send<BOOL>(recogniser, sel<"isKindOfClass:">(), uikit::UIPanGestureRecognizerClass())) {
    s.translation = send<CGPoint>(recogniser, sel<"translationInView:">(), static_cast<id>(nil));
    s.velocity = send<CGPoint>(recogniser, sel<"velocityInView:">(), static_cast<id>(nil));
  }
  seen().push_back(s);
}
void handleWithoutArgument(id, SEL) { seen().push_back({-1, {}, {}}); }
BOOL refuse(id, SEL, id) { return NO; }
void viewBegan(id, SEL, id, id) { viewEvents().push_back("began"); }
void viewEnded(id, SEL, id, id) { viewEvents().push_back("ended"); }
void viewCancelled(id, SEL, id, id) { viewEvents().push_back("cancelled"); }

void registerClasses() {
  static bool done = [] {
    objc::ClassBuilder<NSObjectIvars>("UTGestureTarget", objc::NSObjectClass())
        .method<&handle>("noctil_longPress:")
        .method<&handle>("handlePan:")
        .method<&handleWithoutArgument>("tapped")
        .registerClass();
    objc::ClassBuilder<NSObjectIvars>("UTRefusingDelegate", objc::NSObjectClass())
        .method<&refuse>("gestureRecognizerShouldBegin:")
        .registerClass();
    objc::ClassBuilder<UIViewIvars>("UTGestureView", uikit::UIViewClass())
        .method<&viewBegan>("touchesBegan:withEvent:")
        .method<&viewEnded>("touchesEnded:withEvent:")
        .method<&viewCancelled>("touchesCancelled:withEvent:")
        .registerClass();
    return true;
  }();
  (void)done;
}

std::vector<NSInteger> states() {
  std::vector<NSInteger> out;
  for (const Seen& s : seen()) out.push_back(s.state);
  return out;
}

class GestureTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    registerClasses();
    seen().clear();
    viewEvents().clear();
    target_ = objc::Ref::adopt(objc::allocInit(objc::classNamed("UTGestureTarget")));
    window_ = makeWindow();
    view_ = makeView(objc::classNamed("UTGestureView"), CGRectMake(0, 100, 320, 80));
    send<void>(window_, sel<"addSubview:">(), view_.get());
  }
  objc::Ref attach(Class cls, const char* action) {
    objc::Ref g = objc::Ref::adopt(send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithTarget:action:">(),
                                            target_.get(), sel_registerName(action)));
    send<void>(view_, sel<"addGestureRecognizer:">(), g.get());
    return g;
  }
  objc::Ref target_;
  objc::Ref window_;
  objc::Ref view_;
};

TEST_F(GestureTest, LongPressBeginsAfterItsDurationOnTheClock) {
  objc::Ref press = attach(uikit::UILongPressGestureRecognizerClass(), "noctil_longPress:");
  EXPECT_DOUBLE_EQ(send<double>(press, sel<"minimumPressDuration">()), 0.5);
  auto finger = Finger::down(view_, CGPointMake(100, 40));
  ASSERT_TRUE(finger.ok());
  uikit::sim::letTimePass(0.49);
  EXPECT_TRUE(seen().empty());
  EXPECT_EQ(send<NSInteger>(press, sel<"state">()), UIGestureRecognizerStatePossible);
  uikit::sim::letTimePass(0.01);
  EXPECT_EQ(states(), std::vector<NSInteger>{UIGestureRecognizerStateBegan});
  // Recognising took the touch from the view.
  EXPECT_EQ(viewEvents(), (std::vector<std::string>{"began", "cancelled"}));
  ASSERT_TRUE(finger->moveBy(30, 0).ok());  // beyond the allowable movement, but already begun
  ASSERT_TRUE(finger->up().ok());
  EXPECT_EQ(states(), (std::vector<NSInteger>{1, 2, 3}));
  EXPECT_EQ(viewEvents().size(), 2u);
  CGPoint where = send<CGPoint>(press, sel<"locationInView:">(), view_.get());
  EXPECT_EQ(where, CGPointMake(130, 40));
}

TEST_F(GestureTest, ShortOrMovingPressesFailAndSendNothing) {
  objc::Ref press = attach(uikit::UILongPressGestureRecognizerClass(), "noctil_longPress:");
  send<void>(press, sel<"setMinimumPressDuration:">(), 0.3);
  ASSERT_TRUE(uikit::sim::press(view_, CGPointMake(10, 10), 0.2).ok());
  EXPECT_TRUE(seen().empty());
  EXPECT_EQ(send<NSInteger>(press, sel<"state">()), UIGestureRecognizerStateFailed);
  EXPECT_EQ(viewEvents(), (std::vector<std::string>{"began", "ended"}));

  auto finger = Finger::down(view_, CGPointMake(10, 10));
  EXPECT_EQ(send<NSInteger>(press, sel<"state">()), UIGestureRecognizerStatePossible);  // reset for the new touch
  ASSERT_TRUE(finger->moveBy(11, 0).ok());
  uikit::sim::letTimePass(1.0);
  ASSERT_TRUE(finger->up().ok());
  EXPECT_TRUE(seen().empty());

  // Held long enough with 0.3 s it begins.
  ASSERT_TRUE(uikit::sim::press(view_, CGPointMake(10, 10), 0.3).ok());
  EXPECT_EQ(states(), (std::vector<NSInteger>{1, 3}));
}

TEST_F(GestureTest, DriversReachRecognisersOffScreen) {
  objc::Ref loose = makeView(uikit::UIViewClass(), CGRectMake(0, 0, 320, 80));  // in no window
  objc::Ref press = objc::Ref::adopt(send<id>(send<id>(uikit::UILongPressGestureRecognizerClass(), sel<"alloc">()),
                                              sel<"initWithTarget:action:">(), target_.get(),
                                              sel<"noctil_longPress:">()));
  send<void>(loose, sel<"addGestureRecognizer:">(), press.get());
  auto found = uikit::sim::recognisersOf(loose, uikit::UILongPressGestureRecognizerClass());
  ASSERT_EQ(found, std::vector<id>{press.get()});
  ASSERT_TRUE(uikit::sim::longPress(found, loose).ok());
  EXPECT_EQ(states(), (std::vector<NSInteger>{1, 3}));
  send<void>(press, sel<"setEnabled:">(), static_cast<BOOL>(NO));
  EXPECT_FALSE(uikit::sim::longPress({press.get()}, loose).ok());
}

TEST_F(GestureTest, PanReportsTranslationAndVelocity) {
  objc::Ref pan = attach(uikit::UIPanGestureRecognizerClass(), "handlePan:");
  auto finger = Finger::down(view_, CGPointMake(100, 40));
  ASSERT_TRUE(finger->moveBy(5, 0, 0.05).ok());  // within the hysteresis
  EXPECT_TRUE(seen().empty());
  ASSERT_TRUE(finger->moveBy(15, 0, 0.05).ok());
  ASSERT_TRUE(finger->moveBy(30, 0, 0.1).ok());
  ASSERT_TRUE(finger->up().ok());
  ASSERT_EQ(states(), (std::vector<NSInteger>{1, 2, 3}));
  EXPECT_EQ(seen()[0].translation, CGPointMake(20, 0));
  EXPECT_EQ(seen()[1].translation, CGPointMake(50, 0));
  EXPECT_NEAR(seen()[0].velocity.x, 300.0, 1e-6);
  EXPECT_NEAR(seen()[2].velocity.x, 300.0, 1e-6);
  send<void>(pan, sel<"setTranslation:inView:">(), CGPointZero, view_.get());
  EXPECT_EQ(send<CGPoint>(pan, sel<"translationInView:">(), view_.get()), CGPointZero);
}

TEST_F(GestureTest, APanLiftedRightAfterItsLastMoveKeepsItsSpeedAndAfterAPauseHasNone) {
  objc::Ref pan = attach(uikit::UIPanGestureRecognizerClass(), "handlePan:");
  auto finger = Finger::down(view_, CGPointMake(100, 40));
  ASSERT_TRUE(finger->moveBy(0, 40, 0.1).ok());
  ns::advanceClock(0.002);  // the lift comes a moment later, as on a real clock
  ASSERT_TRUE(finger->up().ok());
  ASSERT_EQ(states(), (std::vector<NSInteger>{1, 3}));
  EXPECT_NEAR(seen().back().velocity.y, 400.0, 1e-6);

  seen().clear();
  finger = Finger::down(view_, CGPointMake(100, 40));
  ASSERT_TRUE(finger->moveBy(0, 40, 0.1).ok());
  ASSERT_TRUE(finger->up(0.5).ok());  // held still half a second first
  ASSERT_EQ(states(), (std::vector<NSInteger>{1, 3}));
  EXPECT_EQ(seen().back().velocity.y, 0.0);
}

TEST_F(GestureTest, TapsAndSwipes) {
  objc::Ref tap = attach(uikit::UITapGestureRecognizerClass(), "tapped");
  send<void>(tap, sel<"setNumberOfTapsRequired:">(), NSUInteger{2});
  ASSERT_TRUE(uikit::sim::tap(view_).ok());
  EXPECT_TRUE(seen().empty());
  ASSERT_TRUE(uikit::sim::tap(view_).ok());
  EXPECT_EQ(seen().size(), 1u);
  EXPECT_EQ(send<NSInteger>(tap, sel<"state">()), UIGestureRecognizerStateEnded);
  // One tap, then too long a wait: the double tap fails.
  ASSERT_TRUE(uikit::sim::tap(view_).ok());
  uikit::sim::letTimePass(0.5);
  EXPECT_EQ(send<NSInteger>(tap, sel<"state">()), UIGestureRecognizerStateFailed);
  send<void>(view_, sel<"removeGestureRecognizer:">(), tap.get());
  EXPECT_EQ(send<id>(tap, sel<"view">()), nil);

  seen().clear();
  objc::Ref swipe = attach(uikit::UISwipeGestureRecognizerClass(), "tapped");
  ASSERT_TRUE(uikit::sim::drag(view_, CGPointMake(200, 40), CGPointMake(100, 40), 0.2).ok());
  EXPECT_TRUE(seen().empty());  // left, but only right is allowed
  ASSERT_TRUE(uikit::sim::drag(view_, CGPointMake(100, 40), CGPointMake(200, 45), 0.2).ok());
  EXPECT_EQ(seen().size(), 1u);
  send<void>(swipe, sel<"setDirection:">(), NSUInteger{UISwipeGestureRecognizerDirectionLeft});
  ASSERT_TRUE(uikit::sim::drag(view_, CGPointMake(200, 40), CGPointMake(100, 40), 2.0).ok());
  EXPECT_EQ(seen().size(), 1u);  // too slow
}

TEST_F(GestureTest, DescriptionsNameTheirActions) {
  objc::Ref press = attach(uikit::UILongPressGestureRecognizerClass(), "noctil_longPress:");
  std::string d = describe(press);
  EXPECT_EQ(d.rfind("<UILongPressGestureRecognizer: 0x", 0), 0u) << d;
  EXPECT_NE(d.find("; state = Possible; view = <UTGestureView 0x"), std::string::npos) << d;
  EXPECT_NE(d.find("; target= <(action=noctil_longPress:, target=<UTGestureTarget 0x"), std::string::npos) << d;
  send<void>(press, sel<"addTarget:action:">(), target_.get(), sel<"handlePan:">());
  send<void>(press, sel<"setEnabled:">(), static_cast<BOOL>(NO));
  d = describe(press);
  EXPECT_NE(d.find("enabled = NO"), std::string::npos) << d;
  EXPECT_NE(d.find("targets= <(action=noctil_longPress:, target=<UTGestureTarget 0x"), std::string::npos) << d;
  EXPECT_NE(d.find("), (action=handlePan:, target=<UTGestureTarget 0x"), std::string::npos) << d;
  send<void>(press, sel<"removeTarget:action:">(), static_cast<id>(nil), sel<"noctil_longPress:">());
  EXPECT_EQ(describe(press).find("noctil_longPress:"), std::string::npos);
  EXPECT_NE(describe(press).find("target= <(action=handlePan:"), std::string::npos);
}

TEST_F(GestureTest, ARefusingDelegateOrADisabledRecogniserSendsNothing) {
  objc::Ref press = attach(uikit::UILongPressGestureRecognizerClass(), "noctil_longPress:");
  objc::Ref delegate = objc::Ref::adopt(objc::allocInit(objc::classNamed("UTRefusingDelegate")));
  send<void>(press, sel<"setDelegate:">(), delegate.get());
  ASSERT_TRUE(uikit::sim::press(view_, CGPointMake(10, 10), 1.0).ok());
  EXPECT_TRUE(seen().empty());
  EXPECT_EQ(send<NSInteger>(press, sel<"state">()), UIGestureRecognizerStateFailed);
  EXPECT_EQ(viewEvents(), (std::vector<std::string>{"began", "ended"}));

  send<void>(press, sel<"setDelegate:">(), static_cast<id>(nil));
  send<void>(press, sel<"setEnabled:">(), static_cast<BOOL>(NO));
  ASSERT_TRUE(uikit::sim::press(view_, CGPointMake(10, 10), 1.0).ok());
  EXPECT_TRUE(seen().empty());

  // Cancelling a gesture under way sends Cancelled.
  send<void>(press, sel<"setEnabled:">(), static_cast<BOOL>(YES));
  auto finger = Finger::down(view_, CGPointMake(10, 10));
  uikit::sim::letTimePass(0.6);
  ASSERT_TRUE(finger->cancel().ok());
  EXPECT_EQ(states(), (std::vector<NSInteger>{1, 4}));
}

}  // namespace
