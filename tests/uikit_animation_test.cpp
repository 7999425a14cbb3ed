// Animations under the manual clock: final values at once, the log of curve,
// duration and changes, did-stop selectors and completion blocks when the clock
// reaches the end, disabled animations; and view-controller appearance callbacks
// around presentation.
#include "UIKitTesting.h"

#include <foundation/Block.h>
#include <uikit/UIViewController.h>

using namespace uikit_testing;

namespace {

struct Stop {
  std::string animationID;
  bool finished;
  void* context;
};
std::vector<Stop>& stops() {
  static std::vector<Stop> log;
  return log;
}
std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

void didStop(id, SEL, id animationID, id finished, void* context) {
  stops().push_back({ns::utf8(animationID), send<BOOL>(finished, sel<"boolValue">()) != NO, context});
}
void vcWillAppear(id self, SEL, BOOL) { calls().push_back(ns::utf8(send<id>(self, sel<"title">())) + " willAppear"); }
void vcDidAppear(id self, SEL, BOOL) { calls().push_back(ns::utf8(send<id>(self, sel<"title">())) + " didAppear"); }
void vcWillDisappear(id self, SEL, BOOL) {
  calls().push_back(ns::utf8(send<id>(self, sel<"title">())) + " willDisappear");
}
void vcDidDisappear(id self, SEL, BOOL) { calls().push_back(ns::utf8(send<id>(self, sel<"title">())) + " didDisappear"); }
void vcViewDidLoad(id self, SEL) { calls().push_back(ns::utf8(send<id>(self, sel<"title">())) + " viewDidLoad"); }

void registerClasses() {
  static bool done = [] {
    objc::ClassBuilder<NSObjectIvars>("UTAnimationDelegate", objc::NSObjectClass())
        .method<&didStop>("animationDidStop:finished:context:")
        .registerClass();
    objc::ClassBuilder<UIViewControllerIvars>("UTController", uikit::UIViewControllerClass())
        .method<&vcWillAppear>("viewWillAppear:")
        .method<&vcDidAppear>("viewDidAppear:")
        .method<&vcWillDisappear>("viewWillDisappear:")
        .method<&vcDidDisappear>("viewDidDisappear:")
        .method<&vcViewDidLoad>("viewDidLoad")
        .registerClass();
    return true;
  }();
  (void)done;
}

Class viewClass() { return uikit::UIViewClass(); }

class AnimationTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    registerClasses();
    stops().clear();
    calls().clear();
  }
};

TEST_F(AnimationTest, BeginCommitAppliesAtOnceAndStopsOnTheClock) {
  objc::Ref view = makeView(uikit::UIViewClass(), CGRectMake(0, 0, 100, 100));
  objc::Ref delegate = objc::Ref::adopt(objc::allocInit(objc::classNamed("UTAnimationDelegate")));
  int context = 0;
  send<void>(viewClass(), sel<"beginAnimations:context:">(), ns::str("fade"), static_cast<void*>(&context));
  send<void>(viewClass(), sel<"setAnimationCurve:">(), NSInteger{UIViewAnimationCurveEaseIn});
  send<void>(viewClass(), sel<"setAnimationDuration:">(), 0.3);
  send<void>(viewClass(), sel<"setAnimationDelegate:">(), delegate.get());
  send<void>(viewClass(), sel<"setAnimationDidStopSelector:">(), sel<"animationDidStop:finished:context:">());
  send<void>(view, sel<"setAlpha:">(), CGFloat{0.0});
  send<void>(view, sel<"setFrame:">(), CGRectMake(0, 50, 100, 100));
  send<void>(view, sel<"setHidden:">(), static_cast<BOOL>(YES));  // not animatable: applied, not logged
  EXPECT_TRUE(uikit::insideAnimationBlock());
  send<void>(viewClass(), sel<"commitAnimations">());

  EXPECT_DOUBLE_EQ(send<CGFloat>(view, sel<"alpha">()), 0.0);
  EXPECT_EQ(send<CGRect>(view, sel<"frame">()), CGRectMake(0, 50, 100, 100));
  ASSERT_EQ(uikit::animationLog().size(), 1u);
  const uikit::AnimationRecord& record = uikit::animationLog()[0];
  EXPECT_EQ(record.animationID, "fade");
  EXPECT_EQ(record.curve, UIViewAnimationCurveEaseIn);
  EXPECT_DOUBLE_EQ(record.duration, 0.3);
  ASSERT_EQ(record.changes.size(), 2u);
  EXPECT_EQ(record.changes[0].view, view.get());
  EXPECT_EQ(record.changes[0].property, "alpha");
  EXPECT_EQ(record.changes[0].from, "1");
  EXPECT_EQ(record.changes[0].to, "0");
  EXPECT_EQ(record.changes[1].property, "frame");
  EXPECT_EQ(record.changes[1].to, "(0 50; 100 100)");

  uikit::sim::letTimePass(0.29);
  EXPECT_TRUE(stops().empty());
  EXPECT_FALSE(uikit::animationLog()[0].ended);
  uikit::sim::letTimePass(0.01);
  ASSERT_EQ(stops().size(), 1u);
  EXPECT_EQ(stops()[0].animationID, "fade");
  EXPECT_TRUE(stops()[0].finished);
  EXPECT_EQ(stops()[0].context, &context);
  EXPECT_TRUE(uikit::animationLog()[0].ended);
}

TEST_F(AnimationTest, BlockAnimationsRunTheirCompletionAtTheEnd) {
  objc::Ref view = makeView(uikit::UIViewClass(), CGRectMake(0, 0, 10, 10));
  std::vector<int> finished;
  id animations = ns::block<void()>([&] { send<void>(view, sel<"setAlpha:">(), CGFloat{0.4}); });
  id completion = ns::block<void(BOOL)>([&](BOOL done) { finished.push_back(done); });
  send<void>(viewClass(), sel<"animateWithDuration:delay:options:animations:completion:">(), 0.2, 0.1,
             NSUInteger{UIViewAnimationOptionCurveEaseOut}, animations, completion);
  EXPECT_DOUBLE_EQ(send<CGFloat>(view, sel<"alpha">()), 0.4);
  ASSERT_EQ(uikit::animationLog().size(), 1u);
  EXPECT_TRUE(uikit::animationLog()[0].blockBased);
  EXPECT_EQ(uikit::animationLog()[0].curve, UIViewAnimationCurveEaseOut);
  EXPECT_DOUBLE_EQ(uikit::animationLog()[0].delay, 0.1);
  uikit::sim::letTimePass(0.25);
  EXPECT_TRUE(finished.empty());
  uikit::sim::letTimePass(0.05);
  EXPECT_EQ(finished, std::vector<int>{YES});

  // The short form without completion still logs; nil blocks are harmless.
  send<void>(viewClass(), sel<"animateWithDuration:animations:">(), 0.5,
             ns::block<void()>([&] { send<void>(view, sel<"setBackgroundColor:">(), static_cast<id>(nil)); }));
  send<void>(viewClass(), sel<"animateWithDuration:animations:completion:">(), 0.5, static_cast<id>(nil),
             static_cast<id>(nil));
  EXPECT_EQ(uikit::animationLog().size(), 3u);
}

TEST_F(AnimationTest, DisabledAnimationsEndAtTheNextPass) {
  objc::Ref view = makeView(uikit::UIViewClass(), CGRectMake(0, 0, 10, 10));
  send<void>(viewClass(), sel<"setAnimationsEnabled:">(), static_cast<BOOL>(NO));
  EXPECT_FALSE(send<BOOL>(viewClass(), sel<"areAnimationsEnabled">()));
  bool done = false;
  send<void>(viewClass(), sel<"animateWithDuration:animations:completion:">(), 5.0,
             ns::block<void()>([&] { send<void>(view, sel<"setCenter:">(), CGPointMake(50, 50)); }),
             ns::block<void(BOOL)>([&](BOOL) { done = true; }));
  send<void>(viewClass(), sel<"setAnimationsEnabled:">(), static_cast<BOOL>(YES));
  ASSERT_EQ(uikit::animationLog().size(), 1u);
  EXPECT_FALSE(uikit::animationLog()[0].animated);
  EXPECT_EQ(uikit::animationLog()[0].changes.at(0).property, "frame");
  uikit::sim::letTimePass(0);
  EXPECT_TRUE(done);
}

TEST_F(AnimationTest, PresentingAndDismissingControllers) {
  objc::Ref window = makeWindow();
  objc::Ref root = objc::Ref::adopt(objc::allocInit(objc::classNamed("UTController")));
  send<void>(root, sel<"setTitle:">(), ns::str("root"));
  EXPECT_FALSE(send<BOOL>(root, sel<"isViewLoaded">()));
  send<void>(window, sel<"setRootViewController:">(), root.get());
  EXPECT_TRUE(send<BOOL>(root, sel<"isViewLoaded">()));
  id rootView = send<id>(root, sel<"view">());
  EXPECT_EQ(send<id>(rootView, sel<"nextResponder">()), root.get());
  EXPECT_EQ(send<id>(root, sel<"nextResponder">()), window.get());

  objc::Ref modal = objc::Ref::adopt(objc::allocInit(objc::classNamed("UTController")));
  send<void>(modal, sel<"setTitle:">(), ns::str("modal"));
  bool completed = false;
  calls().clear();
  send<void>(root, sel<"presentViewController:animated:completion:">(), modal.get(), static_cast<BOOL>(YES),
             ns::block<void()>([&] { completed = true; }));
  EXPECT_EQ(calls(), (std::vector<std::string>{"modal viewDidLoad", "modal willAppear", "root willDisappear"}));
  EXPECT_EQ(send<id>(send<id>(modal, sel<"view">()), sel<"window">()), window.get());
  EXPECT_EQ(send<id>(root, sel<"presentedViewController">()), modal.get());
  EXPECT_EQ(send<id>(modal, sel<"presentingViewController">()), root.get());
  EXPECT_FALSE(completed);
  uikit::sim::letTimePass(0.4);
  EXPECT_TRUE(completed);
  EXPECT_EQ(calls().size(), 5u);

  calls().clear();
  send<void>(modal, sel<"dismissModalViewControllerAnimated:">(), static_cast<BOOL>(NO));
  EXPECT_EQ(calls(), (std::vector<std::string>{"modal willDisappear", "root willAppear", "modal didDisappear",
                                               "root didAppear"}));
  EXPECT_EQ(send<id>(send<id>(modal, sel<"view">()), sel<"superview">()), nil);
  EXPECT_EQ(send<id>(root, sel<"presentedViewController">()), nil);

  objc::Ref child = objc::Ref::adopt(objc::allocInit(uikit::UIViewControllerClass()));
  send<void>(root, sel<"addChildViewController:">(), child.get());
  EXPECT_EQ(send<id>(child, sel<"parentViewController">()), root.get());
  send<void>(child, sel<"removeFromParentViewController">());
  EXPECT_EQ(send<id>(child, sel<"parentViewController">()), nil);
}

}  // namespace
