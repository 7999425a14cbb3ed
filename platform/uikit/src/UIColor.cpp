// The UIColor class: a UIColor owns one CGColor, which carries the colour model.
#include "UIColorCG.h"

#include <uikit/UIGraphics.h>

#include <foundation/NSString.h>

#include <objcface/NSObject.h>

#include <functional>
#include <utility>

using objc::sel;
using objc::send;

namespace uikit {

namespace {

struct UIColorIvars : NSObjectIvars {
  CGColor* _cgColor;  // owned
};

UIColorIvars* fields(id self) { return objc::ivars<UIColorIvars>(self); }

id adoptColor(id self, const Color& color) {
  CGColorRelease(fields(self)->_cgColor);
  fields(self)->_cgColor = detail::createCGColor(color);
  return self;
}

std::optional<Color> own(id self) { return colorOfCGColor(fields(self)->_cgColor); }

id initWithWhiteAlpha(id self, SEL, CGFloat white, CGFloat alpha) { return adoptColor(self, Color::white(white, alpha)); }

id initWithRGBA(id self, SEL, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
  return adoptColor(self, Color::rgb(red, green, blue, alpha));
}

id initWithCGColor(id self, SEL, CGColorRef color) {
  if (color == nullptr) {
    objc::release(self);
    return nil;
  }
  return adoptColor(self, color->color);
}

void colorDealloc(id self, SEL cmd) {
  CGColorRelease(fields(self)->_cgColor);
  fields(self)->_cgColor = nullptr;
  objc::sendSuper<void>(self, UIColorClass(), cmd);
}

CGColorRef colorCGColor(id self, SEL) { return fields(self)->_cgColor; }

id colorWithAlphaComponent(id self, SEL, CGFloat alpha) {
  auto c = own(self);
  return c ? makeColor(c->withAlpha(alpha)) : nil;
}

BOOL getRGBA(id self, SEL, CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) {
  auto c = own(self);
  if (!c) return NO;
  if (red) *red = c->red;
  if (green) *green = c->green;
  if (blue) *blue = c->blue;
  if (alpha) *alpha = c->alpha;
  return YES;
}

// Only a grey answers its white level; an RGB colour answers NO, as on the device.
BOOL getWhiteAlpha(id self, SEL, CGFloat* white, CGFloat* alpha) {
  auto c = own(self);
  if (!c || c->space != Color::Space::White) return NO;
  if (white) *white = c->whiteLevel();
  if (alpha) *alpha = c->alpha;
  return YES;
}

BOOL colorIsEqual(id self, SEL, id other) {
  if (other == self) return YES;
  auto mine = own(self);
  auto theirs = colorOf(other);
  return mine && theirs && *mine == *theirs ? YES : NO;
}

NSUInteger colorHash(id self, SEL) {
  auto c = own(self);
  if (!c) return 0;
  std::size_t h = std::hash<int>()(static_cast<int>(c->space));
  for (CGFloat v : {c->red, c->green, c->blue, c->alpha}) h = h * 31 + std::hash<CGFloat>()(v);
  return h;
}

id colorDescription(id self, SEL) {
  auto c = own(self);
  std::string text = c ? c->description() : objc::defaultDescription(self);
  return ns::str(text);
}

// Colours never change, so a copy is the same object.
id colorCopyWithZone(id self, SEL, void*) { return objc::retain(self); }

void colorSetFill(id self, SEL) { CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), fields(self)->_cgColor); }
void colorSetStroke(id self, SEL) {
  CGContextSetStrokeColorWithColor(UIGraphicsGetCurrentContext(), fields(self)->_cgColor);
}
void colorSet(id self, SEL) {
  colorSetFill(self, nullptr);
  colorSetStroke(self, nullptr);
}

// Class side.
id colorWithWhiteAlpha(id cls, SEL, CGFloat white, CGFloat alpha) {
  return objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithWhite:alpha:">(), white, alpha));
}
id colorWithRGBA(id cls, SEL, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
  return objc::autorelease(
      send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithRed:green:blue:alpha:">(), red, green, blue, alpha));
}
id colorWithCGColor(id cls, SEL, CGColorRef color) {
  return objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithCGColor:">(), color));
}

// The named colours, with UIKit's exact components.  Each is a shared instance,
// kept for the life of the process.
struct NamedColor {
  const char* selector;
  Color color;
};
constexpr NamedColor kNamedColors[] = {
    {"blackColor", Color::white(0.0, 1.0)},
    {"darkGrayColor", Color::white(1.0 / 3.0, 1.0)},
    {"lightGrayColor", Color::white(2.0 / 3.0, 1.0)},
    {"whiteColor", Color::white(1.0, 1.0)},
    {"grayColor", Color::white(0.5, 1.0)},
    {"clearColor", Color::white(0.0, 0.0)},
    {"redColor", Color::rgb(1.0, 0.0, 0.0, 1.0)},
    {"greenColor", Color::rgb(0.0, 1.0, 0.0, 1.0)},
    {"blueColor", Color::rgb(0.0, 0.0, 1.0, 1.0)},
    {"cyanColor", Color::rgb(0.0, 1.0, 1.0, 1.0)},
    {"yellowColor", Color::rgb(1.0, 1.0, 0.0, 1.0)},
    {"magentaColor", Color::rgb(1.0, 0.0, 1.0, 1.0)},
    {"orangeColor", Color::rgb(1.0, 0.5, 0.0, 1.0)},
    {"purpleColor", Color::rgb(0.5, 0.0, 0.5, 1.0)},
    {"brownColor", Color::rgb(0.6, 0.4, 0.2, 1.0)},
};
constexpr std::size_t kNamedColorCount = sizeof kNamedColors / sizeof kNamedColors[0];

template <std::size_t I>
id namedColor(id, SEL) {
  static const id shared = adoptColor(objc::allocInit(UIColorClass()), kNamedColors[I].color);
  return shared;
}

template <std::size_t... I>
void addNamedColors(objc::ClassBuilder<UIColorIvars>& builder, std::index_sequence<I...>) {
  (builder.template classMethod<&namedColor<I>>(kNamedColors[I].selector), ...);
}

Class registerUIColor() {
  objc::ClassBuilder<UIColorIvars> builder("UIColor", objc::NSObjectClass());
  builder
      .ivar<&UIColorIvars::_cgColor>("_cgColor")
      .method<&initWithWhiteAlpha>("initWithWhite:alpha:")
      .method<&initWithRGBA>("initWithRed:green:blue:alpha:")
      .method<&initWithCGColor>("initWithCGColor:")
      .method<&colorDealloc>("dealloc")
      .method<&colorCGColor>("CGColor")
      .method<&colorWithAlphaComponent>("colorWithAlphaComponent:")
      .method<&getRGBA>("getRed:green:blue:alpha:")
      .method<&getWhiteAlpha>("getWhite:alpha:")
      .method<&colorIsEqual>("isEqual:")
      .method<&colorHash>("hash")
      .method<&colorDescription>("description")
      .method<&colorCopyWithZone>("copyWithZone:")
      .method<&colorSet>("set")
      .method<&colorSetFill>("setFill")
      .method<&colorSetStroke>("setStroke")
      .classMethod<&colorWithWhiteAlpha>("colorWithWhite:alpha:")
      .classMethod<&colorWithRGBA>("colorWithRed:green:blue:alpha:")
      .classMethod<&colorWithCGColor>("colorWithCGColor:");
  addNamedColors(builder, std::make_index_sequence<kNamedColorCount>());
  return builder.registerClass();
}

}  // namespace

Class UIColorClass() {
  static const Class cls = registerUIColor();
  return cls;
}

[[maybe_unused]] static const Class kUIColorAtLoad = UIColorClass();

id makeColor(const Color& color) { return objc::autorelease(adoptColor(objc::allocInit(UIColorClass()), color)); }

std::optional<Color> colorOf(id color) {
  if (color == nil || send<BOOL>(color, sel<"isKindOfClass:">(), UIColorClass()) == NO) return std::nullopt;
  return own(color);
}

}  // namespace uikit
