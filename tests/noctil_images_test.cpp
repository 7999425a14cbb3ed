// The image category and the tint name table shared by both tweak libraries, checked
// on the pixels of the pictures they draw.
#include <noctil/ImageCategory.h>
#include <noctil/TintTable.h>

#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <uikit/UIColor.h>
#include <uikit/UIDevice.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>

#include <gtest/gtest.h>

using objc::send;
using objc::sel;

namespace {

// A solid picture of the given point size (at scale 1 unless asked otherwise).
id solidPicture(CGSize size, const char* colorSelector, CGFloat scale = 1.0) {
  UIGraphicsBeginImageContextWithOptions(size, NO, scale);
  id color = send<id>(uikit::UIColorClass(), sel_registerName(colorSelector));
  send<void>(color, sel<"setFill">());
  UIRectFill(CGRectMake(0, 0, size.width, size.height));
  id picture = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return picture;
}

bool isRed(uikit::Rgba p) { return p.r > 200 && p.g < 50 && p.b < 50 && p.a > 200; }
bool isBlue(uikit::Rgba p) { return p.b > 200 && p.r < 50 && p.a > 200; }
bool isClear(uikit::Rgba p) { return p.a == 0; }

class ImageCategoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    noctil::installImageCategory();
    uikit::setScreen(CGRectMake(0, 0, 320, 568), 2.0);
  }
  void TearDown() override {
    uikit::resetScreen();
    uikit::setUserInterfaceIdiom(0);
  }
  objc::AutoreleasePool pool_;
};

TEST(FittedSize, ShrinksByTheSmallerRatioAndNeverEnlarges) {
  EXPECT_EQ(noctil::fittedSize({640, 1136}, {320, 568}), CGSizeMake(320, 568));
  CGSize wide = noctil::fittedSize({500, 300}, {320, 568});
  EXPECT_FLOAT_EQ(wide.width, 320);
  EXPECT_FLOAT_EQ(wide.height, 192);
  EXPECT_EQ(noctil::fittedSize({200, 100}, {320, 568}), CGSizeMake(200, 100));
  // Widths are truncated first: 100.9 counts as 100 and is not enlarged.
  EXPECT_EQ(noctil::fittedSize({100.9, 50.99}, {320, 568}), CGSizeMake(100, 50));
  // A ratio computed in single precision, widened.
  CGSize odd = noctil::fittedSize({1000, 700}, {333, 568});
  EXPECT_EQ(odd.width, static_cast<double>(1000.0f * (333.0f / 1000.0f)));
}

TEST_F(ImageCategoryTest, ScaleToCenterPlacesAWidePictureInTheMiddle) {
  id picture = solidPicture({500, 300}, "redColor");
  id boxed = send<id>(picture, sel<"ntScaleToCenter:">(), CGSizeMake(320, 568));
  ASSERT_NE(boxed, nil);
  EXPECT_EQ(send<CGSize>(boxed, sel<"size">()), CGSizeMake(320, 568));
  EXPECT_EQ(send<CGFloat>(boxed, sel<"scale">()), 2.0);
  // 320 × 192 at y = 188 points: pixels 376 … 759 at scale 2.
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 320, 372)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 320, 380)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 2, 756)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 320, 764)));
}

TEST_F(ImageCategoryTest, ScaleToCenterNeverEnlargesASmallPicture) {
  id boxed = send<id>(solidPicture({200, 100}, "redColor"), sel<"ntScaleToCenter:">(), CGSizeMake(320, 568));
  // Drawn 200 × 100 at (60, 234) points.
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 2 * 58, 2 * 284)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 2 * 62, 2 * 236)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 2 * 258, 2 * 332)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 2 * 262, 2 * 284)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 2 * 160, 2 * 232)));
}

TEST_F(ImageCategoryTest, FractionalWidthsCountAsTheWholePointsBelow) {
  // 100.9 × 50 points (1009 × 500 pixels at scale 10) is fitted as 100 × 50: drawn at
  // x = 110, y = 259, so pixel columns 220 … 419 of the scale-2 box and no more.
  id picture = solidPicture({100.9, 50}, "redColor", 10.0);
  ASSERT_EQ(send<CGSize>(picture, sel<"size">()).width, 100.9);
  id boxed = send<id>(picture, sel<"ntScaleToCenter:">(), CGSizeMake(320, 568));
  const int y = 2 * 284;
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 219, y)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 220, y)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 419, y)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 420, y)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 320, 2 * 259 - 1)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 320, 2 * 259)));
  EXPECT_TRUE(isRed(uikit::pixelAt(boxed, 320, 2 * 309 - 1)));
  EXPECT_TRUE(isClear(uikit::pixelAt(boxed, 320, 2 * 309)));
}

TEST_F(ImageCategoryTest, ATallPictureShrinksToTheBoxHeightAndCentresAcross) {
  // 640 × 1136 into 320 × 568: ratio 0.5, the whole box.  300 × 1136 into the same
  // box: ratio 0.5 too, 150 wide at x = 85.
  id full = send<id>(solidPicture({640, 1136}, "redColor"), sel<"ntScaleToCenter:">(), CGSizeMake(320, 568));
  EXPECT_TRUE(isRed(uikit::pixelAt(full, 0, 0)));
  EXPECT_TRUE(isRed(uikit::pixelAt(full, 639, 1135)));
  id tall = send<id>(solidPicture({300, 1136}, "redColor"), sel<"ntScaleToCenter:">(), CGSizeMake(320, 568));
  EXPECT_TRUE(isClear(uikit::pixelAt(tall, 2 * 85 - 1, 10)));
  EXPECT_TRUE(isRed(uikit::pixelAt(tall, 2 * 85, 10)));
  EXPECT_TRUE(isRed(uikit::pixelAt(tall, 2 * 235 - 1, 1135)));
  EXPECT_TRUE(isClear(uikit::pixelAt(tall, 2 * 235, 10)));
}

TEST_F(ImageCategoryTest, ScaleToSizeStretchesWithoutKeepingTheAspect) {
  id stretched = send<id>(solidPicture({10, 10}, "redColor"), sel<"ntScaleToSize:">(), CGSizeMake(320, 568));
  EXPECT_EQ(send<CGSize>(stretched, sel<"size">()), CGSizeMake(320, 568));
  EXPECT_TRUE(isRed(uikit::pixelAt(stretched, 1, 1)));
  EXPECT_TRUE(isRed(uikit::pixelAt(stretched, 638, 1134)));
}

TEST_F(ImageCategoryTest, OnlyAScaleOfExactlyTwoGivesAScaledContext) {
  uikit::setScreen(CGRectMake(0, 0, 414, 736), 3.0);
  id stretched = send<id>(solidPicture({10, 10}, "redColor"), sel<"ntScaleToSize:">(), CGSizeMake(100, 50));
  EXPECT_EQ(send<CGFloat>(stretched, sel<"scale">()), 1.0);
  EXPECT_TRUE(isRed(uikit::pixelAt(stretched, 99, 49)));
  EXPECT_TRUE(isClear(uikit::pixelAt(stretched, 100, 49)));
}

TEST_F(ImageCategoryTest, DrawInImageDrawsTheBackdropUnscaledAndThePictureOnTop) {
  id backdrop = solidPicture({100, 100}, "blueColor");
  id picture = solidPicture({50, 20}, "redColor");
  id drawn = send<id>(picture, sel<"ntDrawInImage:size:">(), backdrop, CGSizeMake(200, 200));
  EXPECT_TRUE(isBlue(uikit::pixelAt(drawn, 2 * 10, 2 * 10)));
  EXPECT_TRUE(isClear(uikit::pixelAt(drawn, 2 * 150, 2 * 150)));  // the rest stays clear
  // The picture centred: x 75 … 125, y 90 … 110.
  EXPECT_TRUE(isRed(uikit::pixelAt(drawn, 2 * 80, 2 * 100)));
  EXPECT_TRUE(isRed(uikit::pixelAt(drawn, 2 * 120, 2 * 92)));
  EXPECT_TRUE(isClear(uikit::pixelAt(drawn, 2 * 120, 2 * 112)));
  // No backdrop: only the fitted picture over a clear box.
  id alone = send<id>(picture, sel<"ntDrawInImage:size:">(), id{nil}, CGSizeMake(200, 200));
  EXPECT_TRUE(isClear(uikit::pixelAt(alone, 2 * 10, 2 * 10)));
  EXPECT_TRUE(isRed(uikit::pixelAt(alone, 2 * 100, 2 * 100)));
}

TEST_F(ImageCategoryTest, DrawInImageCutsALargerBackdropAndPutsThePictureAtTheTopOnAPad) {
  id backdrop = solidPicture({300, 300}, "blueColor");
  id picture = solidPicture({50, 20}, "redColor");
  // A larger backdrop fills the box from the origin: its right and bottom are cut off.
  id phone = send<id>(picture, sel<"ntDrawInImage:size:">(), backdrop, CGSizeMake(200, 200));
  EXPECT_EQ(send<CGSize>(phone, sel<"size">()), CGSizeMake(200, 200));
  EXPECT_TRUE(isBlue(uikit::pixelAt(phone, 399, 399)));
  EXPECT_TRUE(isBlue(uikit::pixelAt(phone, 2 * 80, 2 * 5)));
  EXPECT_TRUE(isRed(uikit::pixelAt(phone, 2 * 80, 2 * 100)));

  // On a pad the fitted picture sits at the top (y = 0), still centred across.
  uikit::setUserInterfaceIdiom(1);
  id pad = send<id>(picture, sel<"ntDrawInImage:size:">(), backdrop, CGSizeMake(200, 200));
  EXPECT_TRUE(isRed(uikit::pixelAt(pad, 2 * 80, 0)));
  EXPECT_TRUE(isRed(uikit::pixelAt(pad, 2 * 80, 2 * 20 - 1)));
  EXPECT_TRUE(isBlue(uikit::pixelAt(pad, 2 * 80, 2 * 20)));
  EXPECT_TRUE(isBlue(uikit::pixelAt(pad, 2 * 75 - 1, 0)));
  EXPECT_TRUE(isBlue(uikit::pixelAt(pad, 2 * 80, 2 * 100)));
  // ntScaleToCenter does not care about the idiom.
  id centred = send<id>(picture, sel<"ntScaleToCenter:">(), CGSizeMake(200, 200));
  EXPECT_TRUE(isClear(uikit::pixelAt(centred, 2 * 80, 0)));
  EXPECT_TRUE(isRed(uikit::pixelAt(centred, 2 * 80, 2 * 100)));
}

TEST_F(ImageCategoryTest, NilReceiversAndMissingPicturesGiveNil) {
  id none = nil;
  EXPECT_EQ(send<id>(none, sel<"ntScaleToSize:">(), CGSizeMake(10, 10)), nil);
  EXPECT_EQ(send<id>(none, sel<"ntScaleToCenter:">(), CGSizeMake(10, 10)), nil);
  EXPECT_EQ(send<id>(none, sel<"ntDrawInImage:size:">(), id{nil}, CGSizeMake(10, 10)), nil);
}

uikit::Color colorOf(id color) { return uikit::colorOf(color).value(); }

TEST(TintTable, NamesGiveTheirColoursAndEverythingElseNone) {
  objc::AutoreleasePool pool;
  auto white = colorOf(noctil::tintColorNamed(ns::str("white"), 1.0));
  EXPECT_EQ(white.space, uikit::Color::Space::White);
  EXPECT_EQ(white.red, 1.0);
  EXPECT_EQ(colorOf(noctil::tintColorNamed(ns::str("gray"), 1.0)).red, 0.5);
  EXPECT_EQ(colorOf(noctil::tintColorNamed(ns::str("darkGray"), 1.0)).red, static_cast<double>(0.333f));
  auto hotpink = colorOf(noctil::tintColorNamed(ns::str("hotpink"), 1.0));
  EXPECT_EQ(hotpink.space, uikit::Color::Space::RGB);
  EXPECT_EQ(hotpink.green, static_cast<double>(0.588f));
  EXPECT_EQ(hotpink.blue, static_cast<double>(0.705f));
  // "disabled" is a transparent colour, not nil, whatever alpha the caller wants.
  auto disabled = colorOf(noctil::tintColorNamed(ns::str("disabled"), 0.8));
  EXPECT_EQ(disabled.alpha, 0.0);
  EXPECT_EQ(colorOf(noctil::tintColorNamed(ns::str("red"), 0.4)).alpha, 0.4);
  // Exact, case-sensitive names; anything else gives no colour.
  EXPECT_EQ(noctil::tintColorNamed(ns::str("Red"), 1.0), nil);
  EXPECT_EQ(noctil::tintColorNamed(ns::str(""), 1.0), nil);
  EXPECT_EQ(noctil::tintColorNamed(nil, 1.0), nil);
  EXPECT_EQ(noctil::tintColorNamed(send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithInt:">(), 3), 1.0), nil);
}

// Every name of the table with the colour it must give at alpha 1 (the single-
// precision levels widened, as the colours were first defined).
TEST(TintTable, EveryNameGivesItsColour) {
  objc::AutoreleasePool pool;
  using uikit::Color;
  auto f = [](float v) { return static_cast<double>(v); };
  const std::pair<const char*, Color> expected[] = {
      {"disabled", Color::white(0, 0)},
      {"black", Color::white(0, 1)},
      {"darkGray", Color::white(f(0.333f), 1)},
      {"lightGray", Color::white(f(0.667f), 1)},
      {"white", Color::white(1, 1)},
      {"gray", Color::white(0.5, 1)},
      {"red", Color::rgb(1, 0, 0, 1)},
      {"green", Color::rgb(0, 1, 0, 1)},
      {"blue", Color::rgb(0, 0, 1, 1)},
      {"cyan", Color::rgb(0, 1, 1, 1)},
      {"yellow", Color::rgb(1, 1, 0, 1)},
      {"magenta", Color::rgb(1, 0, 1, 1)},
      {"orange", Color::rgb(1, 0.5, 0, 1)},
      {"purple", Color::rgb(0.5, 0, 0.5, 1)},
      {"brown", Color::rgb(f(0.6f), f(0.4f), f(0.2f), 1)},
      {"hotpink", Color::rgb(1, f(0.588f), f(0.705f), 1)},
      {"deeppink", Color::rgb(1, f(0.078f), f(0.576f), 1)},
  };
  for (const auto& [name, colour] : expected) {
    auto found = uikit::colorOf(noctil::tintColorNamed(ns::str(name), 1.0));
    ASSERT_TRUE(found.has_value()) << name;
    EXPECT_EQ(*found, colour) << name << ": " << found->description();
  }
  // Names that only look like table names.
  for (const char* name : {"darkgray", "grey", "pink", " red", "red "})
    EXPECT_EQ(noctil::tintColorNamed(ns::str(name), 1.0), nil) << name;
}

}  // namespace
