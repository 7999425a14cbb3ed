// Bitmap contexts and drawing: scale, the per-thread context stack, pictures drawn
// into rectangles (scaled, blended, tiled), fills and the Core Graphics state, all
// checked on the pixels of the resulting pictures.
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>

#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using objc::sel;
using objc::send;
using uikit::Rgba;

namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kClear{0, 0, 0, 0};

::testing::AssertionResult near(Rgba actual, Rgba expected, int tolerance = 2) {
  auto off = [&](int a, int b) { return std::abs(a - b) > tolerance; };
  if (off(actual.r, expected.r) || off(actual.g, expected.g) || off(actual.b, expected.b) ||
      off(actual.a, expected.a))
    return ::testing::AssertionFailure() << "got (" << +actual.r << "," << +actual.g << "," << +actual.b << ","
                                         << +actual.a << ") expected (" << +expected.r << "," << +expected.g << ","
                                         << +expected.b << "," << +expected.a << ")";
  return ::testing::AssertionSuccess();
}

// A picture made pixel by pixel, at a scale.
template <class F>
id pictureOf(int w, int h, CGFloat scale, F colourAt) {
  auto b = uikit::Bitmap::create(w, h).value();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, colourAt(x, y));
  return uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(b)), scale);
}

// Red, green / blue, white in 2 × 2 pixels.
id fourColours(CGFloat scale = 1.0) {
  return pictureOf(2, 2, scale, [](int x, int y) { return y == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite); });
}

void fillColour(Rgba c) {
  CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

class BitmapContextTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Leave no context behind for the next test.
    while (UIGraphicsGetCurrentContext() != nullptr) UIGraphicsEndImageContext();
    uikit::resetScreen();
  }
  objc::AutoreleasePool pool_;
};

}  // namespace

TEST_F(BitmapContextTest, ScaleMultipliesPixelsAndRectsLandOnTheRightPixels) {
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(50, 30), NO, 2.0);
  fillColour(kRed);
  UIRectFill(CGRectMake(10, 5, 20, 10));
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  ASSERT_NE(image, nil);
  EXPECT_EQ(send<CGSize>(image, sel<"size">()), CGSizeMake(50, 30));
  EXPECT_EQ(send<CGFloat>(image, sel<"scale">()), 2.0);
  auto pixels = uikit::bitmapOf(image);
  EXPECT_EQ(pixels->width(), 100);
  EXPECT_EQ(pixels->height(), 60);
  // Points (10, 5)–(30, 15) are pixels (20, 10)–(60, 30).
  EXPECT_EQ(uikit::pixelAt(image, 20, 10), kRed);
  EXPECT_EQ(uikit::pixelAt(image, 59, 29), kRed);
  EXPECT_EQ(uikit::pixelAt(image, 19, 10), kClear);
  EXPECT_EQ(uikit::pixelAt(image, 60, 29), kClear);
  EXPECT_EQ(uikit::pixelAt(image, 20, 30), kClear);
}

TEST_F(BitmapContextTest, ScaleZeroIsTheScreensAndPlainBeginIsOne) {
  ASSERT_TRUE(uikit::setScreen(CGRectMake(0, 0, 414, 736), 3.0));
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(10, 4), NO, 0.0);
  EXPECT_EQ(CGBitmapContextGetWidth(UIGraphicsGetCurrentContext()), 30u);
  EXPECT_EQ(CGBitmapContextGetHeight(UIGraphicsGetCurrentContext()), 12u);
  UIGraphicsBeginImageContext(CGSizeMake(10, 4));
  EXPECT_EQ(CGBitmapContextGetWidth(UIGraphicsGetCurrentContext()), 10u);
  EXPECT_EQ(send<CGFloat>(UIGraphicsGetImageFromCurrentImageContext(), sel<"scale">()), 1.0);
  UIGraphicsEndImageContext();
  UIGraphicsEndImageContext();
  // A fractional side rounds up to whole pixels: 568 × 568 / 320 points at 2.0.
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(568, 568.0 * 568.0 / 320.0), NO, 2.0);
  EXPECT_EQ(CGBitmapContextGetWidth(UIGraphicsGetCurrentContext()), 1136u);
  EXPECT_EQ(CGBitmapContextGetHeight(UIGraphicsGetCurrentContext()), 2017u);
  UIGraphicsEndImageContext();
}

TEST_F(BitmapContextTest, TheStackNestsPerThreadAndStaysPairedOnBadSizes) {
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nil);
  UIGraphicsEndImageContext();  // nothing to end: harmless
  UIGraphicsBeginImageContext(CGSizeMake(4, 4));
  CGContextRef outer = UIGraphicsGetCurrentContext();
  UIGraphicsBeginImageContext(CGSizeMake(0, 4));  // cannot be drawn
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nil);
  UIRectFill(CGRectMake(0, 0, 4, 4));  // no context: nothing happens
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);
  UIGraphicsBeginImageContext(CGSizeMake(-3, 1e9));
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);

  CGContextRef elsewhere = outer;
  std::thread([&] { elsewhere = UIGraphicsGetCurrentContext(); }).join();
  EXPECT_EQ(elsewhere, nullptr);
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
}

TEST_F(BitmapContextTest, DrawInRectScalesUpWithHardEdgesAndDownWithAveraging) {
  UIGraphicsBeginImageContext(CGSizeMake(100, 100));
  send<void>(fourColours(), sel<"drawInRect:">(), CGRectMake(0, 0, 100, 100));
  id up = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_TRUE(near(uikit::pixelAt(up, 10, 10), kRed));
  EXPECT_TRUE(near(uikit::pixelAt(up, 90, 10), kGreen));
  EXPECT_TRUE(near(uikit::pixelAt(up, 10, 90), kBlue));
  EXPECT_TRUE(near(uikit::pixelAt(up, 90, 90), kWhite));
  EXPECT_EQ(uikit::pixelAt(up, 0, 0).a, 255);  // the edges do not fade out
  EXPECT_EQ(uikit::pixelAt(up, 99, 99).a, 255);

  // A one-pixel checkerboard shrunk ten times is an even grey, not a pattern.
  id checker = pictureOf(200, 200, 1.0, [](int x, int y) { return (x + y) % 2 ? kWhite : Rgba{0, 0, 0, 255}; });
  UIGraphicsBeginImageContext(CGSizeMake(20, 20));
  send<void>(checker, sel<"drawInRect:">(), CGRectMake(0, 0, 20, 20));
  id down = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  for (int y = 2; y < 18; y += 5)
    for (int x = 2; x < 18; x += 5) EXPECT_TRUE(near(uikit::pixelAt(down, x, y), {128, 128, 128, 255}, 12));
}

TEST_F(BitmapContextTest, ALargeShrinkLandsInItsRectangleWithItsEdges) {
  // Black on the left half, white on the right, drawn a third its size at an offset
  // in a 2.0 context: 300 pixels into 100 pixels (50 points) from point (5, 2.5).
  id halves = pictureOf(300, 150, 1.0, [](int x, int) { return x < 150 ? Rgba{0, 0, 0, 255} : kWhite; });
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(60, 40), NO, 2.0);
  send<void>(halves, sel<"drawInRect:">(), CGRectMake(5, 2.5, 50, 25));
  id drawn = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(drawn, 9, 20), kClear);
  EXPECT_TRUE(near(uikit::pixelAt(drawn, 10, 20), {0, 0, 0, 255}, 2));
  EXPECT_TRUE(near(uikit::pixelAt(drawn, 59, 20), {0, 0, 0, 255}, 2));
  EXPECT_TRUE(near(uikit::pixelAt(drawn, 60, 20), kWhite, 2));
  EXPECT_TRUE(near(uikit::pixelAt(drawn, 109, 54), kWhite, 2));
  EXPECT_EQ(uikit::pixelAt(drawn, 110, 20), kClear);
  EXPECT_EQ(uikit::pixelAt(drawn, 60, 4), kClear);
  EXPECT_EQ(uikit::pixelAt(drawn, 60, 55), kClear);
}

TEST_F(BitmapContextTest, DrawAtPointUsesPointsAndAlphaAndBlendModesApply) {
  // A 2.0 picture of 2 × 2 pixels is 1 × 1 point: one pixel of a 1.0 context.
  UIGraphicsBeginImageContext(CGSizeMake(4, 4));
  send<void>(fourColours(2.0), sel<"drawAtPoint:">(), CGPointMake(1, 1));
  id atPoint = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(atPoint, 0, 0), kClear);
  EXPECT_EQ(uikit::pixelAt(atPoint, 2, 2), kClear);
  EXPECT_EQ(uikit::pixelAt(atPoint, 1, 1).a, 255);

  id red = pictureOf(1, 1, 1.0, [](int, int) { return kRed; });
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(3, 1), YES, 1.0);
  fillColour(kWhite);
  UIRectFill(CGRectMake(0, 0, 3, 1));
  send<void>(red, sel<"drawInRect:blendMode:alpha:">(), CGRectMake(0, 0, 1, 1), kCGBlendModeNormal, CGFloat{0.5});
  send<void>(red, sel<"drawInRect:blendMode:alpha:">(), CGRectMake(1, 0, 1, 1), kCGBlendModeMultiply, CGFloat{1.0});
  CGContextSetAlpha(UIGraphicsGetCurrentContext(), 0.25);  // the context's alpha multiplies too
  send<void>(red, sel<"drawAtPoint:blendMode:alpha:">(), CGPointMake(2, 0), kCGBlendModeNormal, CGFloat{0.5});
  id blended = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_TRUE(near(uikit::pixelAt(blended, 0, 0), {255, 128, 128, 255}));
  EXPECT_TRUE(near(uikit::pixelAt(blended, 1, 0), kRed));  // white × red
  EXPECT_TRUE(near(uikit::pixelAt(blended, 2, 0), {255, 223, 223, 255}));
}

TEST_F(BitmapContextTest, FillsClearsStateAndTransforms) {
  UIGraphicsBeginImageContext(CGSizeMake(8, 2));
  CGContextRef c = UIGraphicsGetCurrentContext();
  fillColour({0, 0, 255, 255});
  UIRectFill(CGRectMake(0, 0, 8, 2));
  fillColour({255, 0, 0, 128});
  UIRectFill(CGRectMake(0, 0, 1, 1));          // copy: replaces with half-transparent red
  CGContextFillRect(c, CGRectMake(1, 0, 1, 1));  // normal: red over blue
  CGContextClearRect(c, CGRectMake(2, 0, 1, 1));
  CGContextSaveGState(c);
  CGContextTranslateCTM(c, 4, 0);
  CGContextScaleCTM(c, 2, 1);
  fillColour(kGreen);
  CGContextFillRect(c, CGRectMake(0, 0, 1, 1));  // lands on x 4 and 5
  CGContextRestoreGState(c);
  CGContextRestoreGState(c);  // unmatched: ignored
  CGContextFillRect(c, CGRectMake(7, 0, 1, 1));  // fill colour is back to half red
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_TRUE(near(uikit::pixelAt(image, 0, 0), {255, 0, 0, 128}));
  EXPECT_TRUE(near(uikit::pixelAt(image, 1, 0), {128, 0, 127, 255}));
  EXPECT_EQ(uikit::pixelAt(image, 2, 0), kClear);
  EXPECT_EQ(uikit::pixelAt(image, 4, 0), kGreen);
  EXPECT_EQ(uikit::pixelAt(image, 5, 0), kGreen);
  EXPECT_EQ(uikit::pixelAt(image, 6, 0), kBlue);
  EXPECT_TRUE(near(uikit::pixelAt(image, 7, 0), {128, 0, 127, 255}));
}

TEST_F(BitmapContextTest, CoreGraphicsDrawsPicturesFlippedAndPatternsTile) {
  id picture = fourColours();
  UIGraphicsBeginImageContext(CGSizeMake(2, 2));
  CGContextDrawImage(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 2, 2),
                     send<CGImageRef>(picture, sel<"CGImage">()));
  id flipped = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(flipped, 0, 0), kBlue);
  EXPECT_EQ(uikit::pixelAt(flipped, 1, 1), kGreen);

  UIGraphicsBeginImageContext(CGSizeMake(6, 3));
  send<void>(picture, sel<"drawAsPatternInRect:">(), CGRectMake(1, 0, 5, 2));
  id tiled = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(tiled, 0, 0), kClear);  // outside the rectangle
  EXPECT_EQ(uikit::pixelAt(tiled, 2, 0), kRed);    // tiles start at the context's origin
  EXPECT_EQ(uikit::pixelAt(tiled, 3, 0), kGreen);
  EXPECT_EQ(uikit::pixelAt(tiled, 4, 1), kBlue);
  EXPECT_EQ(uikit::pixelAt(tiled, 4, 2), kClear);
}

TEST_F(BitmapContextTest, ATakenPictureIsASnapshot) {
  UIGraphicsBeginImageContext(CGSizeMake(2, 2));
  id before = UIGraphicsGetImageFromCurrentImageContext();
  fillColour(kRed);
  UIRectFill(CGRectMake(0, 0, 2, 2));
  CGImageRef cg = CGBitmapContextCreateImage(UIGraphicsGetCurrentContext());
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(before, 0, 0), kClear);
  EXPECT_EQ(uikit::bitmapOf(before)->pixel(1, 1), kClear);
  ASSERT_NE(cg, nullptr);
  EXPECT_EQ(CGImageGetWidth(cg), 2u);
  EXPECT_EQ(uikit::imageBitmap(cg)->pixel(1, 1), kRed);
  CGImageRelease(cg);
}

// A picture read back from JPEG data is opaque without an alpha channel; it must draw
// like any other, scaled down and up.
TEST_F(BitmapContextTest, APictureDecodedFromJpegDrawsScaled) {
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(64, 114), YES, 1.0);
  fillColour(kRed);
  UIRectFill(CGRectMake(0, 0, 64, 114));
  id drawn = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  id data = UIImageJPEGRepresentation(drawn, 1.0);
  ASSERT_NE(data, nil);
  id decoded = send<id>(send<id>(uikit::UIImageClass(), sel<"alloc">()), sel<"initWithData:">(), data);
  ASSERT_NE(decoded, nil);
  ASSERT_TRUE(near(uikit::pixelAt(decoded, 3, 3), kRed));
  for (CGFloat side : {16.0, 200.0}) {
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(side, side), NO, 2.0);
    send<void>(decoded, sel<"drawInRect:">(), CGRectMake(0, 0, side, side));
    id result = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_TRUE(near(uikit::pixelAt(result, 5, 5), kRed)) << side;
  }
  objc::release(decoded);
}
