// UIColor and CGColor: the named colours with UIKit's exact components and
// descriptions, component access from both sides, equality, and drawing with a
// colour set into the current context.
#include <uikit/UIColor.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>

#include <foundation/NSString.h>

#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <cmath>

using objc::sel;
using objc::send;

namespace {

id colorClass() { return reinterpret_cast<id>(uikit::UIColorClass()); }

id white(CGFloat w, CGFloat a) { return send<id>(colorClass(), sel<"colorWithWhite:alpha:">(), w, a); }
id rgba(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  return send<id>(colorClass(), sel<"colorWithRed:green:blue:alpha:">(), r, g, b, a);
}
std::string description(id color) { return ns::utf8(send<id>(color, sel<"description">())); }

class ColorTest : public ::testing::Test {
 protected:
  objc::AutoreleasePool pool_;
};

}  // namespace

TEST_F(ColorTest, NamedColoursCarryUIKitsComponentsAndDescriptions) {
  struct Named {
    id (*get)();
    const char* text;
  };
#define NAMED(s) [] { return send<id>(colorClass(), sel<s>()); }
  const Named table[] = {
      {NAMED("blackColor"), "UIDeviceWhiteColorSpace 0 1"},
      {NAMED("darkGrayColor"), "UIDeviceWhiteColorSpace 0.333333 1"},
      {NAMED("lightGrayColor"), "UIDeviceWhiteColorSpace 0.666667 1"},
      {NAMED("whiteColor"), "UIDeviceWhiteColorSpace 1 1"},
      {NAMED("grayColor"), "UIDeviceWhiteColorSpace 0.5 1"},
      {NAMED("clearColor"), "UIDeviceWhiteColorSpace 0 0"},
      {NAMED("redColor"), "UIDeviceRGBColorSpace 1 0 0 1"},
      {NAMED("greenColor"), "UIDeviceRGBColorSpace 0 1 0 1"},
      {NAMED("blueColor"), "UIDeviceRGBColorSpace 0 0 1 1"},
      {NAMED("cyanColor"), "UIDeviceRGBColorSpace 0 1 1 1"},
      {NAMED("yellowColor"), "UIDeviceRGBColorSpace 1 1 0 1"},
      {NAMED("magentaColor"), "UIDeviceRGBColorSpace 1 0 1 1"},
      {NAMED("orangeColor"), "UIDeviceRGBColorSpace 1 0.5 0 1"},
      {NAMED("purpleColor"), "UIDeviceRGBColorSpace 0.5 0 0.5 1"},
      {NAMED("brownColor"), "UIDeviceRGBColorSpace 0.6 0.4 0.2 1"},
  };
#undef NAMED
  for (const Named& n : table) EXPECT_EQ(description(n.get()), n.text);
  // Shared instances, and exactly a third for dark grey.
  EXPECT_EQ(table[1].get(), table[1].get());
  EXPECT_EQ(uikit::colorOf(table[1].get())->whiteLevel(), 1.0 / 3.0);
  EXPECT_EQ(uikit::colorOf(table[14].get())->red, 0.6);
  // Single-precision values keep their widened value and print as UIKit prints them.
  EXPECT_EQ(description(white(static_cast<double>(0.333f), 1.0)), "UIDeviceWhiteColorSpace 0.333 1");
  EXPECT_EQ(uikit::colorOf(rgba(1.0, static_cast<double>(0.588f), 0.705f, 1.0))->green, static_cast<double>(0.588f));
}

TEST_F(ColorTest, ComponentsReadBackFromEitherSpace) {
  CGFloat r = -1, g = -1, b = -1, a = -1, w = -1;
  id grey = white(0.25, 0.5);
  EXPECT_EQ(send<BOOL>(grey, sel<"getRed:green:blue:alpha:">(), &r, &g, &b, &a), YES);
  EXPECT_EQ(r, 0.25);
  EXPECT_EQ(b, 0.25);
  EXPECT_EQ(a, 0.5);
  EXPECT_EQ(send<BOOL>(grey, sel<"getWhite:alpha:">(), &w, static_cast<CGFloat*>(nullptr)), YES);
  EXPECT_EQ(w, 0.25);

  id orange = rgba(1, 0.5, 0, 0.75);
  w = -1;
  EXPECT_EQ(send<BOOL>(orange, sel<"getWhite:alpha:">(), &w, &a), NO);  // not a grey
  EXPECT_EQ(w, -1);
  EXPECT_EQ(send<BOOL>(orange, sel<"getRed:green:blue:alpha:">(), &r, static_cast<CGFloat*>(nullptr), &b, &a), YES);
  EXPECT_EQ(r, 1.0);
  EXPECT_EQ(a, 0.75);

  CGColorRef cg = send<CGColorRef>(orange, sel<"CGColor">());
  ASSERT_EQ(CGColorGetNumberOfComponents(cg), 4u);
  EXPECT_EQ(CGColorGetComponents(cg)[1], 0.5);
  EXPECT_EQ(CGColorGetAlpha(cg), 0.75);
  EXPECT_EQ(CGColorGetNumberOfComponents(send<CGColorRef>(grey, sel<"CGColor">())), 2u);

  // Out-of-range and NaN components are clamped into 0…1.
  auto clamped = uikit::colorOf(rgba(1.5, -2, std::nan(""), 7));
  EXPECT_EQ(*clamped, uikit::Color::rgb(1, 0, 0, 1));
}

TEST_F(ColorTest, EqualityAlphaVariantsAndLifetimes) {
  EXPECT_EQ(send<BOOL>(rgba(1, 0, 0, 1), sel<"isEqual:">(), send<id>(colorClass(), sel<"redColor">())), YES);
  EXPECT_EQ(send<NSUInteger>(rgba(1, 0, 0, 1), sel<"hash">()),
            send<NSUInteger>(send<id>(colorClass(), sel<"redColor">()), sel<"hash">()));
  // The same look in another space is another colour, as on the device.
  EXPECT_EQ(send<BOOL>(white(1, 1), sel<"isEqual:">(), rgba(1, 1, 1, 1)), NO);
  EXPECT_EQ(send<BOOL>(white(1, 1), sel<"isEqual:">(), ns::str("white")), NO);
  EXPECT_EQ(send<BOOL>(white(1, 1), sel<"isEqual:">(), static_cast<id>(nil)), NO);

  id faded = send<id>(send<id>(colorClass(), sel<"blackColor">()), sel<"colorWithAlphaComponent:">(), CGFloat{0.4});
  EXPECT_EQ(description(faded), "UIDeviceWhiteColorSpace 0 0.4");

  // A retained CGColor outlives its UIColor.
  CGColorRef kept;
  {
    objc::AutoreleasePool inner;
    kept = CGColorRetain(send<CGColorRef>(rgba(0, 0, 1, 1), sel<"CGColor">()));
  }
  EXPECT_EQ(uikit::colorOfCGColor(kept)->blue, 1.0);
  id again = send<id>(colorClass(), sel<"colorWithCGColor:">(), kept);
  EXPECT_EQ(send<BOOL>(again, sel<"isEqual:">(), send<id>(colorClass(), sel<"blueColor">())), YES);
  CGColorRelease(kept);
  EXPECT_EQ(send<id>(colorClass(), sel<"colorWithCGColor:">(), static_cast<CGColorRef>(nullptr)), nil);
}

TEST_F(ColorTest, SetFillAndSetPaintTheCurrentContext) {
  UIGraphicsBeginImageContext(CGSizeMake(2, 1));
  send<void>(send<id>(colorClass(), sel<"redColor">()), sel<"setFill">());
  UIRectFill(CGRectMake(0, 0, 1, 1));
  send<void>(white(1, 0.5), sel<"set">());
  UIRectFill(CGRectMake(1, 0, 1, 1));
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(image, 0, 0), (uikit::Rgba{255, 0, 0, 255}));
  EXPECT_EQ(uikit::pixelAt(image, 1, 0).a, 128);
  // Without a context, setting a colour is harmless.
  send<void>(send<id>(colorClass(), sel<"blueColor">()), sel<"setFill">());
}
