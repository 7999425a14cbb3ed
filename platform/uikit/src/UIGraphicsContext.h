// The insides of CGContext and CGImage, shared by the drawing code of this library.
#pragma once

#include <uikit/UIGraphics.h>

#include <cairo.h>

#include <atomic>
#include <optional>
#include <vector>

struct CGContext {
  // What CGContextSaveGState keeps besides cairo's own transform and clip.
  struct State {
    uikit::Color fill = uikit::Color::white(0, 1);
    uikit::Color stroke = uikit::Color::white(0, 1);
    CGFloat alpha = 1;
    CGBlendMode blendMode = kCGBlendModeNormal;
  };

  cairo_t* cairo = nullptr;
  uikit::Bitmap bitmap;
  CGFloat scale = 1;
  std::vector<State> states{State{}};

  CGContext(uikit::Bitmap&& pixels, CGFloat pixelsPerPoint);
  ~CGContext();
  CGContext(const CGContext&) = delete;
  CGContext& operator=(const CGContext&) = delete;
  State& state() { return states.back(); }
};

struct CGImage {
  std::atomic<long> references{1};
  uikit::SharedBitmap bitmap;
};

namespace uikit::detail {

// The cairo operator that draws like a Core Graphics blend mode.
cairo_operator_t cairoOperator(CGBlendMode mode);
// Sets a colour as cairo's source, its alpha multiplied by the context's.
void setSourceColor(CGContext* context, const Color& color);

}  // namespace uikit::detail
