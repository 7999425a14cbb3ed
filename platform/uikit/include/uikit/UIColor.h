// Colours: the UIColor class, its Core Graphics twin CGColor, and the C++ colour
// model behind both.  A colour lives in a white space (white, alpha) or an RGB space
// (red, green, blue, alpha); components are clamped to 0…1 as iOS 6 and 7 do.
#pragma once

#include <objcface/Types.h>

#include <cstddef>
#include <optional>
#include <string>

namespace uikit {

struct Color {
  enum class Space { White, RGB };
  Space space = Space::RGB;
  // For the white space red, green and blue all hold the white level.
  CGFloat red = 0;
  CGFloat green = 0;
  CGFloat blue = 0;
  CGFloat alpha = 0;

  // Components outside 0…1 are clamped; NaN counts as 0.
  static constexpr CGFloat clamp(CGFloat v) { return !(v > 0) ? 0 : v > 1 ? 1 : v; }
  static constexpr Color white(CGFloat white, CGFloat alpha) {
    return {Space::White, clamp(white), clamp(white), clamp(white), clamp(alpha)};
  }
  static constexpr Color rgb(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return {Space::RGB, clamp(red), clamp(green), clamp(blue), clamp(alpha)};
  }
  CGFloat whiteLevel() const { return red; }
  Color withAlpha(CGFloat newAlpha) const { return {space, red, green, blue, clamp(newAlpha)}; }
  // UIKit's description: "UIDeviceWhiteColorSpace 0 1", "UIDeviceRGBColorSpace 1 0 0 1".
  std::string description() const;
  // Same space and the very same components.
  friend bool operator==(const Color&, const Color&) = default;
};

// The UIColor class (registered when the library loads).
Class UIColorClass();

// A new autoreleased UIColor holding the colour.
id makeColor(const Color& color);

// The colour of a UIColor; nullopt for nil or an object that is not a UIColor.
std::optional<Color> colorOf(id color);

}  // namespace uikit

// Core Graphics colours: a reference-counted handle.  A UIColor's CGColor belongs to
// the UIColor (valid while it lives); retain it to keep it longer.
struct CGColor;
using CGColorRef = CGColor*;

extern "C" {
CGColorRef CGColorRetain(CGColorRef color);
void CGColorRelease(CGColorRef color);
// 2 components (white, alpha) or 4 (red, green, blue, alpha).
std::size_t CGColorGetNumberOfComponents(CGColorRef color);
const CGFloat* CGColorGetComponents(CGColorRef color);
CGFloat CGColorGetAlpha(CGColorRef color);
bool CGColorEqualToColor(CGColorRef a, CGColorRef b);
}

namespace uikit {
// The colour of a CGColor; nullopt for NULL.
std::optional<Color> colorOfCGColor(CGColorRef color);
}  // namespace uikit
