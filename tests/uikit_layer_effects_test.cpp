// Layer filters and backdrops on the drawn screen: a "gaussianBlur" filter softens
// what its view draws (hard-edged within the bounds, or spreading past them), a
// rasterised layer blurs once while it draws the same pixels, and a backdrop layer
// blurs what lies behind its view, under the view's own content.
#include <uikit/Blur.h>
#include <uikit/CAFilter.h>
#include <uikit/CALayer.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIColor.h>
#include <uikit/UIImage.h>
#include <uikit/UIImageView.h>
#include <uikit/UIScreen.h>

#include "UIKitTesting.h"

#include <algorithm>

namespace {

using namespace uikit_testing;
using uikit::Rgba;
using uikit::UIViewClass;

id blurFilter(double radius, bool hardEdges) {
  id filter = send<id>(uikit::CAFilterClass(), sel<"filterWithType:">(), ns::str("gaussianBlur"));
  send<void>(filter, sel<"setValue:forKey:">(), send<id>(objc::classNamed("NSNumber"), sel<"numberWithFloat:">(),
                                                         static_cast<float>(radius)),
             ns::str("inputRadius"));
  send<void>(filter, sel<"setValue:forKey:">(),
             send<id>(objc::classNamed("NSNumber"), sel<"numberWithBool:">(), BOOL{hardEdges ? YES : NO}),
             ns::str("inputHardEdges"));
  return filter;
}

void setBlur(id view, double radius, bool hardEdges, bool rasterize) {
  id layer = send<id>(view, sel<"layer">());
  send<void>(layer, sel<"setFilters:">(),
             send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), blurFilter(radius, hardEdges)));
  send<void>(layer, sel<"setShouldRasterize:">(), BOOL{rasterize ? YES : NO});
}

id colour(CGFloat r, CGFloat g, CGFloat b) {
  return send<id>(uikit::UIColorClass(), sel<"colorWithRed:green:blue:alpha:">(), r, g, b, CGFloat{1});
}

// A picture of `width` × `height` pixels, black on the left half and white on the right.
id halfAndHalf(int width, int height, CGFloat scale) {
  auto b = uikit::Bitmap::create(width, height).value();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.setPixel(x, y, x < width / 2 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255});
  return uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(b)), scale);
}

// The largest change of red between neighbours along row y from x0 to x1.
int largestStep(const uikit::Bitmap& b, int y, int x0, int x1) {
  int step = 0;
  for (int x = x0 + 1; x < x1; ++x) step = std::max(step, std::abs(b.pixel(x, y).r - b.pixel(x - 1, y).r));
  return step;
}

// A view class whose layer is a backdrop.
Class backdropLayerClass(id, SEL) { return uikit::CABackdropLayerClass(); }
Class backdropViewClass() {
  static const Class cls = objc::ClassBuilder<UIViewIvars>("EffectsTestBackdropView", UIViewClass())
                               .classMethod<&backdropLayerClass>("layerClass")
                               .registerClass();
  return cls;
}

class LayerEffectsTest : public UIKitTest {};

TEST_F(LayerEffectsTest, ABlurredPictureHasNoHardEdgeWhereItHadOne) {
  objc::Ref window = makeWindow(100, 60);
  objc::Ref picture = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), halfAndHalf(200, 120, 2.0)));
  send<void>(window, sel<"addSubview:">(), picture.get());

  // Unfiltered, the edge is one step from black to white.
  auto plain = uikit::renderView(window, 2.0);
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(largestStep(*plain, 60, 0, 200), 255);

  setBlur(picture, 4.0, true, false);  // 4 points: a sigma of 8 pixels
  auto blurred = uikit::renderView(window, 2.0);
  ASSERT_TRUE(blurred.ok());
  EXPECT_LT(largestStep(*blurred, 60, 0, 200), 32);
  EXPECT_NEAR(blurred->pixel(100, 60).r, 128, 30);
  // Far from the edge, and at the hard outer edges, the picture is unchanged.
  EXPECT_EQ(blurred->pixel(2, 60), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(blurred->pixel(199, 119), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(blurred->pixel(199, 0), (Rgba{255, 255, 255, 255}));
}

TEST_F(LayerEffectsTest, SoftEdgesSpreadPastTheBoundsAndAlphaStillApplies) {
  objc::Ref window = makeWindow(100, 100);
  send<void>(window, sel<"setBackgroundColor:">(), colour(1, 1, 1));
  objc::Ref square = makeView(UIViewClass(), CGRectMake(30, 30, 40, 40));
  send<void>(square, sel<"setBackgroundColor:">(), colour(0, 0, 1));
  send<void>(window, sel<"addSubview:">(), square.get());
  setBlur(square, 3.0, false, false);
  auto picture = uikit::renderView(window, 1.0);
  ASSERT_TRUE(picture.ok());
  EXPECT_LT(picture->pixel(50, 50).r, 3);  // the middle stays blue
  EXPECT_LT(picture->pixel(28, 50).r, 250);  // blue spread outside the square
  EXPECT_GT(picture->pixel(31, 50).r, 40);   // and the square's own edge faded
  EXPECT_EQ(picture->pixel(5, 5), (Rgba{255, 255, 255, 255}));

  send<void>(square, sel<"setAlpha:">(), CGFloat{0.5});
  auto faded = uikit::renderView(window, 1.0);
  ASSERT_TRUE(faded.ok());
  EXPECT_NEAR(faded->pixel(50, 50).r, 128, 3);
  EXPECT_NEAR(faded->pixel(50, 50).b, 255, 2);
}

TEST_F(LayerEffectsTest, ARasterisedLayerBlursOnceUntilItsPixelsChange) {
  objc::Ref window = makeWindow(100, 60);
  objc::Ref picture = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), halfAndHalf(100, 60, 1.0)));
  send<void>(window, sel<"addSubview:">(), picture.get());
  setBlur(picture, 5.0, true, true);

  std::uint64_t before = uikit::blurCount();
  auto first = uikit::renderView(window, 1.0);
  auto second = uikit::renderView(window, 1.0);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_EQ(uikit::blurCount(), before + 1);
  EXPECT_EQ(first->pixel(50, 30), second->pixel(50, 30));

  // A different picture is blurred afresh; so is the same one at another scale.
  send<void>(picture, sel<"setImage:">(), halfAndHalf(100, 60, 1.0));
  ASSERT_TRUE(uikit::renderView(window, 1.0).ok());
  EXPECT_EQ(uikit::blurCount(), before + 1);  // same pixels: still the kept picture
  send<void>(picture, sel<"setBackgroundColor:">(), colour(1, 0, 0));
  send<void>(picture, sel<"setImage:">(), static_cast<id>(nil));
  auto red = uikit::renderView(window, 1.0);
  ASSERT_TRUE(red.ok());
  EXPECT_EQ(uikit::blurCount(), before + 2);
  EXPECT_EQ(red->pixel(50, 30), (Rgba{255, 0, 0, 255}));
  ASSERT_TRUE(uikit::renderView(window, 2.0).ok());
  EXPECT_EQ(uikit::blurCount(), before + 3);

  // Without rasterisation every drawing blurs.
  send<void>(send<id>(picture, sel<"layer">()), sel<"setShouldRasterize:">(), BOOL{NO});
  before = uikit::blurCount();
  ASSERT_TRUE(uikit::renderView(window, 1.0).ok());
  ASSERT_TRUE(uikit::renderView(window, 1.0).ok());
  EXPECT_EQ(uikit::blurCount(), before + 2);
}

TEST_F(LayerEffectsTest, DisabledAndOtherFiltersDrawNothingExtra) {
  objc::Ref window = makeWindow(40, 20);
  objc::Ref picture = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), halfAndHalf(40, 20, 1.0)));
  send<void>(window, sel<"addSubview:">(), picture.get());
  id off = blurFilter(4.0, true);
  send<void>(off, sel<"setEnabled:">(), BOOL{NO});
  id other = send<id>(uikit::CAFilterClass(), sel<"filterWithType:">(), ns::str("colorMatrix"));
  id zero = blurFilter(0.0, true);
  id filters = send<id>(objc::classNamed("NSMutableArray"), sel<"array">());
  for (id f : {off, other, zero}) send<void>(filters, sel<"addObject:">(), f);
  send<void>(send<id>(picture, sel<"layer">()), sel<"setFilters:">(), filters);
  const std::uint64_t before = uikit::blurCount();
  auto drawn = uikit::renderView(window, 1.0);
  ASSERT_TRUE(drawn.ok());
  EXPECT_EQ(uikit::blurCount(), before);
  EXPECT_EQ(largestStep(*drawn, 10, 0, 40), 255);
}

TEST_F(LayerEffectsTest, ABackdropBlursWhatLiesBehindItUnderItsOwnContent) {
  objc::Ref window = makeWindow(100, 60);
  objc::Ref behind = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), halfAndHalf(100, 60, 1.0)));
  send<void>(window, sel<"addSubview:">(), behind.get());
  // The backdrop covers the middle of the edge; a small red view sits inside it.
  objc::Ref backdrop = makeView(backdropViewClass(), CGRectMake(20, 0, 60, 40));
  ASSERT_TRUE(uikit::isBackdropLayer(send<id>(backdrop, sel<"layer">())));
  objc::Ref inside = makeView(UIViewClass(), CGRectMake(0, 0, 4, 4));
  send<void>(inside, sel<"setBackgroundColor:">(), colour(1, 0, 0));
  send<void>(backdrop, sel<"addSubview:">(), inside.get());
  send<void>(window, sel<"addSubview:">(), backdrop.get());

  // Without a filter the backdrop shows what is behind as it is.
  auto unfiltered = uikit::renderView(window, 1.0);
  ASSERT_TRUE(unfiltered.ok());
  EXPECT_EQ(largestStep(*unfiltered, 20, 20, 80), 255);

  setBlur(backdrop, 4.0, false, false);
  const std::uint64_t before = uikit::blurCount();
  auto drawn = uikit::renderView(window, 1.0);
  ASSERT_TRUE(drawn.ok());
  EXPECT_LT(largestStep(*drawn, 20, 20, 80), 40);  // blurred inside the backdrop
  EXPECT_EQ(largestStep(*drawn, 50, 0, 100), 255);  // below it, the edge is as hard as ever
  EXPECT_EQ(drawn->pixel(21, 1), (Rgba{255, 0, 0, 255}));  // its own content on top, unblurred
  EXPECT_EQ(drawn->pixel(10, 20), (Rgba{0, 0, 0, 255}));
  // The same screen again: the kept blur serves.
  ASSERT_TRUE(uikit::renderView(window, 1.0).ok());
  EXPECT_EQ(uikit::blurCount(), before + 1);
  // What lies behind changes: blurred again.
  send<void>(behind, sel<"setHidden:">(), BOOL{YES});
  send<void>(window, sel<"setBackgroundColor:">(), colour(0, 1, 0));
  auto green = uikit::renderView(window, 1.0);
  ASSERT_TRUE(green.ok());
  EXPECT_EQ(uikit::blurCount(), before + 2);
  EXPECT_EQ(green->pixel(50, 20), (Rgba{0, 255, 0, 255}));

  // A half-transparent backdrop lays its blur over what is behind at its alpha.
  send<void>(behind, sel<"setHidden:">(), BOOL{NO});
  send<void>(backdrop, sel<"setAlpha:">(), CGFloat{0.5});
  auto half = uikit::renderView(window, 1.0);
  ASSERT_TRUE(half.ok());
  const int sharp = unfiltered->pixel(49, 20).r, soft = drawn->pixel(49, 20).r;
  EXPECT_NEAR(half->pixel(49, 20).r, (sharp + soft) / 2, 3);
}

TEST_F(LayerEffectsTest, SnapshotSurfacesShowTheBlur) {
  uikit::resetScreen();
  objc::Ref window = makeWindow(320, 568);
  objc::Ref picture = objc::Ref::adopt(
      send<id>(send<id>(uikit::UIImageViewClass(), sel<"alloc">()), sel<"initWithImage:">(), halfAndHalf(640, 1136, 2.0)));
  send<void>(window, sel<"addSubview:">(), picture.get());
  setBlur(picture, 6.0, true, true);
  id surface = send<id>(uikit::UIWindowClass(), sel<"createScreenIOSurface">());
  ASSERT_NE(surface, nil);
  uikit::SharedBitmap pixels = uikit::surfaceBitmap(surface);
  ASSERT_TRUE(pixels);
  EXPECT_LT(largestStep(*pixels, 500, 0, 640), 24);
  objc::release(surface);
}

}  // namespace
