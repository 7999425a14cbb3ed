// Popovers: a tap outside the panel dismisses the popover and tells its delegate
// (which may keep it up, or let go of it in its callback); taps inside the panel and
// on passthrough views leave it up; dismissing it in code tells the delegate nothing.
#include "UIKitTesting.h"

#include <foundation/NSArray.h>
#include <uikit/UIPopoverController.h>
#include <uikit/UIViewController.h>

using namespace uikit_testing;
using uikit::UIViewClass;

namespace {

std::vector<std::string>& events() {
  static std::vector<std::string> log;
  return log;
}

// A popover delegate that logs what it hears, answers should-dismiss as told, and
// may let go of the popover it holds when told of the dismissal.
struct DelegateIvars : NSObjectIvars {
  id _held;  // retained popover, released in the callback when _releaseOnDismiss
  BOOL _refuse;
  BOOL _releaseOnDismiss;
};
DelegateIvars* Del(id self) { return objc::ivars<DelegateIvars>(self); }

BOOL delegateShouldDismiss(id self, SEL, id) {
  events().push_back("should-dismiss");
  return Del(self)->_refuse ? NO : YES;
}
void delegateDidDismiss(id self, SEL, id popover) {
  events().push_back(std::string("did-dismiss") + (send<BOOL>(popover, sel<"isPopoverVisible">()) ? " visible" : ""));
  if (Del(self)->_releaseOnDismiss && Del(self)->_held == popover) {
    Del(self)->_held = nil;
    objc::release(popover);
  }
}

Class delegateClass() {
  static const Class cls = objc::ClassBuilder<DelegateIvars>("UTPopoverDelegate", objc::NSObjectClass())
                               .ivar<&DelegateIvars::_held>("_held")
                               .ivar<&DelegateIvars::_refuse>("_refuse")
                               .ivar<&DelegateIvars::_releaseOnDismiss>("_releaseOnDismiss")
                               .method<&delegateShouldDismiss>("popoverControllerShouldDismissPopover:")
                               .method<&delegateDidDismiss>("popoverControllerDidDismissPopover:")
                               .registerClass();
  return cls;
}

// A view that logs the taps it gets, named by its tag.
void tapEnded(id self, SEL, id, id) { events().push_back("tap:" + std::to_string(send<NSInteger>(self, sel<"tag">()))); }
Class tapViewClass() {
  static const Class cls = objc::ClassBuilder<UIViewIvars>("UTPopoverTapView", UIViewClass())
                               .method<&tapEnded>("touchesEnded:withEvent:")
                               .registerClass();
  return cls;
}

// A content controller that logs its appearance calls.
void contentWillDisappear(id, SEL, BOOL) { events().push_back("content-will-disappear"); }
void contentDidDisappear(id, SEL, BOOL) { events().push_back("content-did-disappear"); }
Class contentClass() {
  static const Class cls = objc::ClassBuilder<UIViewControllerIvars>("UTPopoverContent", uikit::UIViewControllerClass())
                               .method<&contentWillDisappear>("viewWillDisappear:")
                               .method<&contentDidDisappear>("viewDidDisappear:")
                               .registerClass();
  return cls;
}

class PopoverTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    events().clear();
    window_ = makeWindow(768, 1024);
    pane_ = makeView(tapViewClass(), CGRectMake(0, 0, 768, 1024));
    send<void>(pane_, sel<"setTag:">(), NSInteger{1});
    send<void>(window_, sel<"addSubview:">(), pane_.get());
    content_ = objc::Ref::adopt(objc::allocInit(contentClass()));
    popover_ = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(uikit::UIPopoverControllerClass()), sel<"alloc">()),
                                         sel<"initWithContentViewController:">(), content_.get()));
    delegate_ = objc::Ref::adopt(objc::allocInit(delegateClass()));
    send<void>(popover_, sel<"setDelegate:">(), delegate_.get());
  }
  void TearDown() override {
    if (popover_) send<void>(popover_, sel<"dismissPopoverAnimated:">(), static_cast<BOOL>(NO));
    UIKitTest::TearDown();
  }

  // Presents the popover below a point at the top middle of the pane: its panel is
  // 320 x 480 points at (224, 202).
  void present() {
    send<void>(popover_, sel<"presentPopoverFromRect:inView:permittedArrowDirections:animated:">(),
               CGRectMake(383, 200, 2, 2), pane_.get(), UIPopoverArrowDirectionUp, static_cast<BOOL>(YES));
    ASSERT_TRUE(send<BOOL>(popover_, sel<"isPopoverVisible">()));
    events().clear();
  }
  bool visible() const { return send<BOOL>(popover_, sel<"isPopoverVisible">()); }
  id contentView() const { return send<id>(content_, sel<"view">()); }

  objc::Ref window_;
  objc::Ref pane_;
  objc::Ref content_;
  objc::Ref popover_;
  objc::Ref delegate_;
};

TEST_F(PopoverTest, ATapOutsideDismissesThePopoverAndTellsTheDelegateAfterwards) {
  present();
  EXPECT_EQ(send<CGRect>(contentView(), sel<"frame">()), CGRectMake(224, 202, 320, 480));
  // A tap on the panel itself keeps it up and asks nothing.
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(300, 400)).ok());
  EXPECT_TRUE(visible());
  EXPECT_TRUE(events().empty());

  // A tap beside it: the view behind does not get the tap, the popover goes.
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(20, 900)).ok());
  EXPECT_FALSE(visible());
  EXPECT_EQ(events(), (std::vector<std::string>{"should-dismiss", "content-will-disappear", "content-did-disappear",
                                                "did-dismiss"}));
  EXPECT_TRUE(uikit::visiblePopovers().empty());
  EXPECT_EQ(send<id>(contentView(), sel<"superview">()), nil);
  // Nothing is left covering the window: the next tap reaches the view behind.
  EXPECT_EQ(uikit::subviewsOf(window_), (std::vector<id>{pane_.get()}));
  events().clear();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(20, 900)).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"tap:1"}));
}

TEST_F(PopoverTest, TheDelegateMayKeepThePopoverUp) {
  Del(delegate_)->_refuse = YES;
  present();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(20, 20)).ok());
  EXPECT_TRUE(visible());
  EXPECT_EQ(events(), (std::vector<std::string>{"should-dismiss"}));
  EXPECT_EQ(send<id>(contentView(), sel<"window">()), window_.get());
}

TEST_F(PopoverTest, PassthroughViewsGetTheirTapsAndThePopoverStays) {
  objc::Ref toolbar = makeView(tapViewClass(), CGRectMake(0, 0, 768, 44));
  send<void>(toolbar, sel<"setTag:">(), NSInteger{2});
  send<void>(pane_, sel<"addSubview:">(), toolbar.get());
  id views[] = {toolbar.get()};
  send<void>(popover_, sel<"setPassthroughViews:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObjects:count:">(), static_cast<const id*>(views),
                      NSUInteger{1}));
  present();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(700, 20)).ok());
  EXPECT_TRUE(visible());
  EXPECT_EQ(events(), (std::vector<std::string>{"tap:2"}));

  // Outside the passthrough views the popover goes as before.
  events().clear();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(700, 60)).ok());
  EXPECT_FALSE(visible());
  EXPECT_EQ(events().back(), "did-dismiss");
  EXPECT_EQ(send<NSUInteger>(send<id>(popover_, sel<"passthroughViews">()), sel<"count">()), 1u);
}

TEST_F(PopoverTest, ADelegateThatLetsGoOfThePopoverInItsCallbackIsSafe) {
  objc::Ref keep = objc::Ref::retain(content_.get());
  Del(delegate_)->_held = objc::retain(popover_.get());
  Del(delegate_)->_releaseOnDismiss = YES;
  id popover = popover_.get();
  popover_.reset();  // the delegate holds the only reference now
  send<void>(popover, sel<"presentPopoverFromRect:inView:permittedArrowDirections:animated:">(),
             CGRectMake(383, 200, 2, 2), pane_.get(), UIPopoverArrowDirectionUp, static_cast<BOOL>(NO));
  events().clear();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(20, 20)).ok());
  EXPECT_EQ(events().back(), "did-dismiss");
  EXPECT_EQ(Del(delegate_)->_held, nil);
  EXPECT_TRUE(uikit::visiblePopovers().empty());
  EXPECT_EQ(uikit::subviewsOf(window_), (std::vector<id>{pane_.get()}));
}

TEST_F(PopoverTest, DismissingInCodeTellsTheDelegateNothing) {
  present();
  send<void>(popover_, sel<"dismissPopoverAnimated:">(), static_cast<BOOL>(YES));
  EXPECT_FALSE(visible());
  EXPECT_EQ(events(), (std::vector<std::string>{"content-will-disappear", "content-did-disappear"}));
  EXPECT_EQ(uikit::subviewsOf(window_), (std::vector<id>{pane_.get()}));
}

TEST_F(PopoverTest, NoDelegateAndNoPassthroughViewsAreHarmless) {
  send<void>(popover_, sel<"setDelegate:">(), static_cast<id>(nil));
  send<void>(popover_, sel<"setPassthroughViews:">(), static_cast<id>(nil));
  EXPECT_EQ(send<id>(popover_, sel<"passthroughViews">()), nil);
  present();
  ASSERT_TRUE(uikit::sim::tap(window_, CGPointMake(20, 20)).ok());
  EXPECT_FALSE(visible());
  EXPECT_EQ(events(), (std::vector<std::string>{"content-will-disappear", "content-did-disappear"}));
}

}  // namespace
