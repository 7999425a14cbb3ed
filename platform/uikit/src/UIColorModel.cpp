// The C++ colour model and the CGColor functions.
#include "UIColorCG.h"

#include <cmath>
#include <cstdio>

namespace uikit {

namespace {

// "%g", as UIKit prints components ("0.333333", "1", "0.5").
std::string component(CGFloat v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

}  // namespace

std::string Color::description() const {
  if (space == Space::White) return "UIDeviceWhiteColorSpace " + component(red) + " " + component(alpha);
  return "UIDeviceRGBColorSpace " + component(red) + " " + component(green) + " " + component(blue) + " " +
         component(alpha);
}

std::optional<Color> colorOfCGColor(CGColorRef color) {
  if (color == nullptr) return std::nullopt;
  return color->color;
}

namespace detail {

CGColorRef createCGColor(const Color& color) {
  auto* cg = new CGColor;
  cg->color = color;
  if (color.space == Color::Space::White) {
    cg->components[0] = color.red;
    cg->components[1] = color.alpha;
    cg->count = 2;
  } else {
    cg->components[0] = color.red;
    cg->components[1] = color.green;
    cg->components[2] = color.blue;
    cg->components[3] = color.alpha;
    cg->count = 4;
  }
  return cg;
}

}  // namespace detail

}  // namespace uikit

extern "C" {

CGColorRef CGColorRetain(CGColorRef color) {
  if (color != nullptr) color->references.fetch_add(1, std::memory_order_relaxed);
  return color;
}

void CGColorRelease(CGColorRef color) {
  if (color != nullptr && color->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete color;
}

std::size_t CGColorGetNumberOfComponents(CGColorRef color) { return color ? color->count : 0; }

const CGFloat* CGColorGetComponents(CGColorRef color) { return color ? color->components : nullptr; }

CGFloat CGColorGetAlpha(CGColorRef color) { return color ? color->color.alpha : 0; }

bool CGColorEqualToColor(CGColorRef a, CGColorRef b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  return a->color == b->color;
}

}  // extern "C"
