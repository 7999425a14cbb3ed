// Views: the hierarchy and its ownership, geometry and autoresizing, coordinate
// conversion, hit testing and touch delivery through a window, descriptions, layers
// and filters, labels and image views, the text dump and the rendered screen.
#include "UIKitTesting.h"

#include <foundation/NSArray.h>
#include <foundation/NSNumber.h>
#include <uikit/CAFilter.h>
#include <uikit/CALayer.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIButton.h>
#include <uikit/UIColor.h>
#include <uikit/UIImage.h>
#include <uikit/UIImageView.h>
#include <uikit/UILabel.h>
#include <uikit/UIScrollView.h>

#include <regex>

using namespace uikit_testing;
using uikit::UIViewClass;

namespace {

std::vector<std::string>& events() {
  static std::vector<std::string> log;
  return log;
}

// A view that logs its touches and its deallocation, named by its tag.
void logTouch(id self, const char* what) {
  events().push_back(std::string(what) + ":" + std::to_string(send<NSInteger>(self, sel<"tag">())));
}
void tvBegan(id self, SEL, id, id) { logTouch(self, "began"); }
void tvEnded(id self, SEL, id, id) { logTouch(self, "ended"); }
void tvCancelled(id self, SEL, id, id) { logTouch(self, "cancelled"); }
void tvDealloc(id self, SEL cmd) {
  logTouch(self, "dealloc");
  objc::sendSuper<void>(self, objc::classNamed("UTTouchView"), cmd);
}
BOOL tvPointInside(id self, SEL, CGPoint p, id) {
  // Takes touches 20 points beyond its bounds on every side.
  CGRect b = uikit::viewBounds(self);
  return p.x >= -20 && p.y >= -20 && p.x < b.size.width + 20 && p.y < b.size.height + 20;
}

Class touchViewClass() {
  static const Class cls = objc::ClassBuilder<UIViewIvars>("UTTouchView", UIViewClass())
                               .method<&tvBegan>("touchesBegan:withEvent:")
                               .method<&tvEnded>("touchesEnded:withEvent:")
                               .method<&tvCancelled>("touchesCancelled:withEvent:")
                               .method<&tvDealloc>("dealloc")
                               .registerClass();
  return cls;
}
Class wideTouchViewClass() {
  static const Class cls = objc::ClassBuilder<UIViewIvars>("UTWideTouchView", touchViewClass())
                               .method<&tvPointInside>("pointInside:withEvent:")
                               .registerClass();
  return cls;
}

objc::Ref touchView(CGRect frame, NSInteger tag) {
  objc::Ref v = makeView(touchViewClass(), frame);
  send<void>(v, sel<"setTag:">(), tag);
  return v;
}

std::vector<id> subviews(id view) { return uikit::subviewsOf(view); }

class ViewsTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    events().clear();
  }
};

TEST_F(ViewsTest, SuperviewsRetainSubviewsAndOrderThem) {
  objc::Ref parent = makeView(UIViewClass(), CGRectMake(0, 0, 100, 100));
  id a = touchView(CGRectZero, 1).leak();
  id b = touchView(CGRectZero, 2).leak();
  id c = touchView(CGRectZero, 3).leak();
  send<void>(parent, sel<"addSubview:">(), a);
  send<void>(parent, sel<"addSubview:">(), b);
  objc::release(a);
  objc::release(b);  // the superview keeps them alive
  EXPECT_EQ(send<NSUInteger>(a, sel<"retainCount">()), 1u);
  send<void>(parent, sel<"insertSubview:atIndex:">(), c, NSInteger{0});
  objc::release(c);
  EXPECT_EQ(subviews(parent), (std::vector<id>{c, a, b}));
  send<void>(parent, sel<"insertSubview:aboveSubview:">(), c, b);
  EXPECT_EQ(subviews(parent), (std::vector<id>{a, b, c}));
  send<void>(parent, sel<"insertSubview:belowSubview:">(), c, a);
  EXPECT_EQ(subviews(parent), (std::vector<id>{c, a, b}));
  send<void>(parent, sel<"bringSubviewToFront:">(), a);
  EXPECT_EQ(subviews(parent), (std::vector<id>{c, b, a}));
  EXPECT_EQ(send<id>(a, sel<"superview">()), parent.get());
  EXPECT_EQ(send<id>(parent, sel<"viewWithTag:">(), NSInteger{2}), b);
  EXPECT_EQ(send<id>(parent, sel<"viewWithTag:">(), NSInteger{99}), nil);

  // Moving a view to another superview takes it out of the first.
  objc::Ref other = makeView(UIViewClass(), CGRectZero);
  send<void>(other, sel<"addSubview:">(), b);
  EXPECT_EQ(subviews(parent), (std::vector<id>{c, a}));
  EXPECT_EQ(send<id>(b, sel<"superview">()), other.get());

  send<void>(a, sel<"removeFromSuperview">());
  EXPECT_EQ(events(), std::vector<std::string>{"dealloc:1"});
  parent.reset();
  EXPECT_EQ(events(), (std::vector<std::string>{"dealloc:1", "dealloc:3"}));
  other.reset();
  EXPECT_EQ(events().size(), 3u);
}

TEST_F(ViewsTest, GeometryAndAutoresizing) {
  objc::Ref parent = makeView(UIViewClass(), CGRectMake(0, 0, 300, 200));
  objc::Ref fill = makeView(UIViewClass(), CGRectMake(10, 10, 280, 180));
  objc::Ref pinned = makeView(UIViewClass(), CGRectMake(250, 150, 40, 40));
  send<void>(fill, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(pinned, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleTopMargin});
  send<void>(parent, sel<"addSubview:">(), fill.get());
  send<void>(parent, sel<"addSubview:">(), pinned.get());
  send<void>(parent, sel<"setFrame:">(), CGRectMake(0, 0, 400, 300));
  EXPECT_EQ(send<CGRect>(fill, sel<"frame">()), CGRectMake(10, 10, 380, 280));
  EXPECT_EQ(send<CGRect>(pinned, sel<"frame">()), CGRectMake(350, 250, 40, 40));

  // Bounds keep the centre; the centre moves the frame.
  send<void>(fill, sel<"setBounds:">(), CGRectMake(0, 0, 100, 100));
  EXPECT_EQ(send<CGPoint>(fill, sel<"center">()), CGPointMake(200, 150));
  EXPECT_EQ(send<CGRect>(fill, sel<"frame">()), CGRectMake(150, 100, 100, 100));
  send<void>(fill, sel<"setCenter:">(), CGPointMake(50, 50));
  EXPECT_EQ(send<CGRect>(fill, sel<"frame">()), CGRectMake(0, 0, 100, 100));
  // The layer is the same geometry, and its opacity is the alpha.
  id layer = send<id>(fill, sel<"layer">());
  EXPECT_EQ(send<CGRect>(layer, sel<"frame">()), CGRectMake(0, 0, 100, 100));
  send<void>(fill, sel<"setAlpha:">(), CGFloat{0.25});
  EXPECT_FLOAT_EQ(send<float>(layer, sel<"opacity">()), 0.25f);
  send<void>(layer, sel<"setOpacity:">(), 0.5f);
  EXPECT_DOUBLE_EQ(send<CGFloat>(fill, sel<"alpha">()), 0.5);
}

TEST_F(ViewsTest, ConversionFollowsFramesAndScrolledBounds) {
  objc::Ref window = makeWindow();
  objc::Ref scroll = makeView(uikit::UIScrollViewClass(), CGRectMake(0, 100, 320, 200));
  objc::Ref inner = makeView(UIViewClass(), CGRectMake(20, 300, 100, 50));
  send<void>(window, sel<"addSubview:">(), scroll.get());
  send<void>(scroll, sel<"addSubview:">(), inner.get());
  send<void>(scroll, sel<"setContentOffset:">(), CGPointMake(0, 250));
  EXPECT_EQ(send<CGRect>(scroll, sel<"bounds">()).origin, CGPointMake(0, 250));
  CGPoint p = send<CGPoint>(inner, sel<"convertPoint:toView:">(), CGPointMake(5, 5), static_cast<id>(nil));
  EXPECT_EQ(p, CGPointMake(25, 155));  // 100 + 300 - 250 + 5
  CGPoint back = send<CGPoint>(inner, sel<"convertPoint:fromView:">(), p, window.get());
  EXPECT_EQ(back, CGPointMake(5, 5));
  CGRect r = send<CGRect>(scroll, sel<"convertRect:toView:">(), CGRectMake(0, 250, 10, 10), window.get());
  EXPECT_EQ(r, CGRectMake(0, 100, 10, 10));
  EXPECT_EQ(send<id>(inner, sel<"window">()), window.get());
}

TEST_F(ViewsTest, HitTestingAndTouchDeliveryThroughTheWindow) {
  objc::Ref window = makeWindow();
  objc::Ref back = touchView(CGRectMake(0, 0, 200, 200), 1);
  objc::Ref front = touchView(CGRectMake(50, 50, 100, 100), 2);
  objc::Ref label = makeView(uikit::UILabelClass(), CGRectMake(0, 0, 50, 50));
  send<void>(window, sel<"addSubview:">(), back.get());
  send<void>(back, sel<"addSubview:">(), front.get());
  send<void>(front, sel<"addSubview:">(), label.get());

  // A label does not take touches: a tap on it lands on the view behind it.
  ASSERT_TRUE(uikit::sim::tap(label, CGPointMake(10, 10)).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"began:2", "ended:2"}));

  events().clear();
  send<void>(front, sel<"setHidden:">(), static_cast<BOOL>(YES));
  ASSERT_TRUE(uikit::sim::tap(back, CGPointMake(60, 60)).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"began:1", "ended:1"}));

  events().clear();
  send<void>(front, sel<"setHidden:">(), static_cast<BOOL>(NO));
  send<void>(front, sel<"setUserInteractionEnabled:">(), static_cast<BOOL>(NO));
  ASSERT_TRUE(uikit::sim::tap(back, CGPointMake(60, 60)).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"began:1", "ended:1"}));

  // An overridden pointInside:withEvent: widens where a view takes touches.
  events().clear();
  objc::Ref wide = makeView(wideTouchViewClass(), CGRectMake(250, 250, 20, 20));
  send<void>(wide, sel<"setTag:">(), NSInteger{3});
  send<void>(window, sel<"addSubview:">(), wide.get());
  ASSERT_TRUE(uikit::sim::tap(window, CGPointMake(240, 240)).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"began:3", "ended:3"}));
}

void replacedEnded(id self, SEL, id touches, id) {
  events().push_back("replaced:" + std::to_string(send<NSUInteger>(touches, sel<"count">())) + ":" +
                     std::to_string(send<NSInteger>(self, sel<"tag">())));
}

TEST_F(ViewsTest, AReplacedTouchMethodRunsForATap) {
  Class cls = objc::ClassBuilder<UIViewIvars>("UTReplacedTouchView", touchViewClass()).registerClass();
  // Give the subclass its own touchesEnded:, then replace it as a tweak would.
  class_addMethod(cls, sel<"touchesEnded:withEvent:">(), objc::toImp(&tvEnded), "v@:@@");
  method_setImplementation(class_getInstanceMethod(cls, sel<"touchesEnded:withEvent:">()), objc::toImp(&replacedEnded));
  objc::Ref window = makeWindow();
  objc::Ref view = makeView(cls, CGRectMake(0, 0, 100, 44));
  send<void>(view, sel<"setTag:">(), NSInteger{7});
  send<void>(window, sel<"addSubview:">(), view.get());
  ASSERT_TRUE(uikit::sim::tap(view).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"began:7", "replaced:1:7"}));
}

TEST_F(ViewsTest, DescriptionsReadLikeIOS) {
  objc::Ref view = makeView(UIViewClass(), CGRectMake(0, 0, 320, 44.5));
  std::regex plain(R"(<UIView: 0x[0-9a-f]+; frame = \(0 0; 320 44\.5\); layer = <CALayer: 0x[0-9a-f]+>>)");
  EXPECT_TRUE(std::regex_match(describe(view), plain)) << describe(view);
  send<void>(view, sel<"setAlpha:">(), CGFloat{0.5});
  send<void>(view, sel<"setHidden:">(), static_cast<BOOL>(YES));
  send<void>(view, sel<"setTag:">(), NSInteger{123});
  send<void>(view, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  std::regex full(R"(<UIView: 0x[0-9a-f]+; frame = \(0 0; 320 44\.5\); alpha = 0\.5; hidden = YES; autoresize = W\+H; tag = 123; layer = <CALayer: 0x[0-9a-f]+>>)");
  EXPECT_TRUE(std::regex_match(describe(view), full)) << describe(view);

  objc::Ref label = makeView(uikit::UILabelClass(), CGRectMake(10, 0, 100, 20));
  send<void>(label, sel<"setText:">(), ns::str("Messages"));
  std::regex labelled(R"(<UILabel: 0x[0-9a-f]+; frame = \(10 0; 100 20\); text = 'Messages'; opaque = NO; userInteractionEnabled = NO; layer = <CALayer: 0x[0-9a-f]+>>)");
  EXPECT_TRUE(std::regex_match(describe(label), labelled)) << describe(label);
}

TEST_F(ViewsTest, LayersCarryFiltersAndRasterisation) {
  objc::Ref view = makeView(UIViewClass(), CGRectMake(0, 0, 10, 10));
  id layer = send<id>(view, sel<"layer">());
  id blur = send<id>(uikit::CAFilterClass(), sel<"filterWithType:">(), ns::str("gaussianBlur"));
  ASSERT_NE(blur, nil);
  send<void>(blur, sel<"setValue:forKey:">(), send<id>(objc::classNamed("NSNumber"), sel<"numberWithFloat:">(), 4.5f),
             ns::str("inputRadius"));
  send<void>(blur, sel<"setValue:forKey:">(), send<id>(objc::classNamed("NSNumber"), sel<"numberWithBool:">(), BOOL{YES}),
             ns::str("inputHardEdges"));
  EXPECT_FLOAT_EQ(send<float>(send<id>(blur, sel<"valueForKey:">(), ns::str("inputRadius")), sel<"floatValue">()), 4.5f);
  EXPECT_EQ(text(send<id>(blur, sel<"valueForKey:">(), ns::str("type"))), "gaussianBlur");
  EXPECT_EQ(send<id>(blur, sel<"valueForKey:">(), ns::str("inputNothing")), nil);
  EXPECT_EQ(text(send<id>(blur, sel<"name">())), "gaussianBlur");

  id list = send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), blur);
  send<void>(layer, sel<"setFilters:">(), list);
  send<void>(layer, sel<"setShouldRasterize:">(), static_cast<BOOL>(YES));
  id filters = send<id>(layer, sel<"filters">());
  ASSERT_EQ(send<NSUInteger>(filters, sel<"count">()), 1u);
  EXPECT_EQ(send<id>(filters, sel<"objectAtIndex:">(), NSUInteger{0}), blur);
  EXPECT_TRUE(send<BOOL>(layer, sel<"shouldRasterize">()));
  EXPECT_NE(uikit::dumpView(view).find("filters=gaussianBlur rasterized"), std::string::npos);
  send<void>(layer, sel<"setFilters:">(), static_cast<id>(nil));
  EXPECT_EQ(send<id>(layer, sel<"filters">()), nil);
}

TEST_F(ViewsTest, ImageViewsTakeTheirSizeOnlyWhenMadeWithAPicture) {
  auto bitmap = uikit::Bitmap::create(60, 40);
  ASSERT_TRUE(bitmap.ok());
  id picture = uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(bitmap.value())), 2.0);
  objc::Ref imageView = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), picture));
  EXPECT_EQ(send<CGRect>(imageView, sel<"frame">()), CGRectMake(0, 0, 30, 20));
  send<void>(imageView, sel<"setFrame:">(), CGRectMake(5, 5, 320, 568));
  auto bigger = uikit::Bitmap::create(100, 100);
  send<void>(imageView, sel<"setImage:">(),
             uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(bigger.value())), 1.0));
  EXPECT_EQ(send<CGRect>(imageView, sel<"frame">()), CGRectMake(5, 5, 320, 568));
  EXPECT_FALSE(send<BOOL>(imageView, sel<"isUserInteractionEnabled">()));
  send<void>(imageView, sel<"sizeToFit">());
  EXPECT_EQ(send<CGRect>(imageView, sel<"frame">()), CGRectMake(5, 5, 100, 100));
}

TEST_F(ViewsTest, ScreenDumpAndRendering) {
  objc::Ref window = makeWindow(100, 100);
  send<void>(window, sel<"setBackgroundColor:">(), send<id>(uikit::UIColorClass(), sel<"whiteColor">()));
  objc::Ref red = makeView(UIViewClass(), CGRectMake(10, 10, 20, 20));
  send<void>(red, sel<"setBackgroundColor:">(), send<id>(uikit::UIColorClass(), sel<"redColor">()));
  send<void>(red, sel<"setTag:">(), NSInteger{4});
  objc::Ref faded = makeView(UIViewClass(), CGRectMake(50, 50, 20, 20));
  send<void>(faded, sel<"setBackgroundColor:">(), send<id>(uikit::UIColorClass(), sel<"blackColor">()));
  send<void>(faded, sel<"setAlpha:">(), CGFloat{0.5});
  objc::Ref label = makeView(uikit::UILabelClass(), CGRectMake(0, 80, 100, 20));
  send<void>(label, sel<"setText:">(), ns::str("Say \"hi\""));
  for (id v : {red.get(), faded.get(), label.get()}) send<void>(window, sel<"addSubview:">(), v);

  std::string dump = uikit::dumpView(window);
  EXPECT_EQ(dump,
            "UIWindow (0 0; 100 100) level=0\n"
            "  UIView (10 10; 20 20) tag=4\n"
            "  UIView (50 50; 20 20) alpha=0.5\n"
            "  UILabel (0 80; 100 20) text=\"Say \\\"hi\\\"\"\n");

  auto picture = uikit::renderView(window, 2.0);
  ASSERT_TRUE(picture.ok());
  EXPECT_EQ(picture->width(), 200);
  EXPECT_EQ(picture->pixel(40, 40), (uikit::Rgba{255, 0, 0, 255}));
  EXPECT_EQ(picture->pixel(5, 5), (uikit::Rgba{255, 255, 255, 255}));
  uikit::Rgba grey = picture->pixel(120, 120);
  EXPECT_NEAR(grey.r, 128, 2);
  EXPECT_EQ(grey.a, 255);
}

TEST_F(ViewsTest, ImageViewsPlaceAnUnscaledPictureAsTheirContentModeSays) {
  // A 20 × 20 picture, red in its top half and blue below, in a 40 × 40 image view.
  auto bitmap = uikit::Bitmap::create(20, 20);
  ASSERT_TRUE(bitmap.ok());
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) bitmap->setPixel(x, y, y < 10 ? uikit::Rgba{255, 0, 0, 255} : uikit::Rgba{0, 0, 255, 255});
  id picture = uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(bitmap.value())), 1.0);
  objc::Ref imageView = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), picture));
  send<void>(imageView, sel<"setFrame:">(), CGRectMake(0, 0, 40, 40));
  struct Case {
    NSInteger mode;
    int left, top;  // where the picture's top left corner lands
  };
  for (Case c : {Case{UIViewContentModeCenter, 10, 10}, Case{UIViewContentModeTop, 10, 0},
                 Case{UIViewContentModeBottom, 10, 20}, Case{UIViewContentModeLeft, 0, 10},
                 Case{UIViewContentModeRight, 20, 10}, Case{UIViewContentModeTopLeft, 0, 0},
                 Case{UIViewContentModeTopRight, 20, 0}, Case{UIViewContentModeBottomLeft, 0, 20},
                 Case{UIViewContentModeBottomRight, 20, 20}}) {
    send<void>(imageView, sel<"setContentMode:">(), c.mode);
    auto drawn = uikit::renderView(imageView, 1.0);
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(drawn->pixel(c.left + 1, c.top + 1), (uikit::Rgba{255, 0, 0, 255})) << c.mode;
    EXPECT_EQ(drawn->pixel(c.left + 18, c.top + 18), (uikit::Rgba{0, 0, 255, 255})) << c.mode;
    EXPECT_EQ(drawn->pixel(c.left == 0 ? 30 : 5, c.top == 0 ? 30 : 5).a, 0) << c.mode;
  }
}

void buttonAction(id, SEL, id sender) { events().push_back(std::string("action:") + objc::className(sender)); }

TEST_F(ViewsTest, ButtonsSendTheirActionsAndShowTheirStateValues) {
  Class targetClass = objc::ClassBuilder<NSObjectIvars>("UTButtonTarget", objc::NSObjectClass())
                          .method<&buttonAction>("pressed:")
                          .registerClass();
  objc::Ref target = objc::Ref::adopt(objc::allocInit(targetClass));
  objc::Ref window = makeWindow();
  id button = send<id>(uikit::UIButtonClass(), sel<"buttonWithType:">(), NSInteger{UIButtonTypeCustom});
  send<void>(button, sel<"setFrame:">(), CGRectMake(280, 10, 40, 40));
  send<void>(button, sel<"addTarget:action:forControlEvents:">(), target.get(), sel<"pressed:">(),
             NSUInteger{UIControlEventTouchUpInside});
  send<void>(window, sel<"addSubview:">(), button);
  auto normal = uikit::Bitmap::create(15, 16);
  id picture = uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(normal.value())), 1.0);
  send<void>(button, sel<"setImage:forState:">(), picture, NSUInteger{UIControlStateNormal});
  send<void>(button, sel<"setImageEdgeInsets:">(), UIEdgeInsetsMake(13, 16, 11, 9));
  id imageView = send<id>(button, sel<"imageView">());
  send<void>(button, sel<"sendSubviewToBack:">(), imageView);
  EXPECT_EQ(uikit::subviewsOf(button).front(), imageView);
  EXPECT_EQ(send<id>(imageView, sel<"image">()), picture);
  EXPECT_EQ(send<id>(button, sel<"imageForState:">(), NSUInteger{UIControlStateHighlighted}), picture);
  uikit::layoutTree(window);
  EXPECT_EQ(send<CGRect>(imageView, sel<"frame">()), CGRectMake(16, 13, 15, 16));

  ASSERT_TRUE(uikit::sim::tap(button).ok());
  EXPECT_EQ(events(), std::vector<std::string>{"action:UIButton"});
  EXPECT_FALSE(send<BOOL>(button, sel<"isHighlighted">()));
  // Lifting the finger outside sends nothing for touch-up-inside.
  auto finger = uikit::sim::Finger::down(button, CGPointMake(20, 20));
  ASSERT_TRUE(finger.ok());
  EXPECT_TRUE(send<BOOL>(button, sel<"isHighlighted">()));
  ASSERT_TRUE(finger->moveTo(CGPointMake(-100, 20)).ok());
  EXPECT_FALSE(send<BOOL>(button, sel<"isHighlighted">()));
  ASSERT_TRUE(finger->up().ok());
  EXPECT_EQ(events().size(), 1u);
  send<void>(button, sel<"sendActionsForControlEvents:">(), NSUInteger{UIControlEventTouchUpInside});
  EXPECT_EQ(events().size(), 2u);
  send<void>(button, sel<"setEnabled:">(), static_cast<BOOL>(NO));
  ASSERT_TRUE(uikit::sim::tap(button).ok());
  EXPECT_EQ(events().size(), 2u);

  send<void>(button, sel<"setTitle:forState:">(), ns::str("Close"), NSUInteger{UIControlStateNormal});
  EXPECT_EQ(text(send<id>(send<id>(button, sel<"titleLabel">()), sel<"text">())), "Close");
  EXPECT_EQ(text(send<id>(button, sel<"currentTitle">())), "Close");
}

TEST_F(ViewsTest, NilAndMissingArgumentsAreHarmless) {
  objc::Ref view = makeView(UIViewClass(), CGRectMake(0, 0, 10, 10));
  send<void>(view, sel<"addSubview:">(), static_cast<id>(nil));
  send<void>(view, sel<"addSubview:">(), view.get());  // a view cannot contain itself
  EXPECT_TRUE(subviews(view).empty());
  send<void>(view, sel<"removeFromSuperview">());
  send<void>(view, sel<"bringSubviewToFront:">(), static_cast<id>(nil));
  send<void>(view, sel<"addGestureRecognizer:">(), static_cast<id>(nil));
  send<void>(view, sel<"removeGestureRecognizer:">(), static_cast<id>(nil));
  EXPECT_EQ(send<id>(view, sel<"gestureRecognizers">()), nil);
  EXPECT_EQ(send<id>(view, sel<"window">()), nil);
  EXPECT_EQ(send<CGPoint>(view, sel<"convertPoint:toView:">(), CGPointMake(1, 2), static_cast<id>(nil)),
            CGPointMake(1, 2));
  EXPECT_EQ(send<id>(uikit::CAFilterClass(), sel<"filterWithType:">(), static_cast<id>(nil)), nil);
  EXPECT_EQ(send<id>(uikit::CAFilterClass(), sel<"filterWithType:">(), ns::str("")), nil);
  // Touches need a window.
  auto finger = uikit::sim::Finger::down(view, CGPointMake(1, 1));
  EXPECT_FALSE(finger.ok());
  EXPECT_FALSE(uikit::sim::tap(nil).ok());
  EXPECT_TRUE(uikit::dumpView(nil).empty());
}

}  // namespace
