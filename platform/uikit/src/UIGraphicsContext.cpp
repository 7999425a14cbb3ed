// Core Graphics drawing over cairo: contexts, their graphics state, rectangles,
// pictures and patterns.
#include "UIGraphicsContext.h"

#include "BitmapSource.h"

#include <cmath>

CGContext::CGContext(uikit::Bitmap&& pixels, CGFloat pixelsPerPoint)
    : cairo(cairo_create(pixels.surface())), bitmap(std::move(pixels)), scale(pixelsPerPoint) {
  cairo_scale(cairo, scale, scale);
}

CGContext::~CGContext() { cairo_destroy(cairo); }

namespace uikit {

namespace detail {

cairo_operator_t cairoOperator(CGBlendMode mode) {
  switch (mode) {
    case kCGBlendModeMultiply: return CAIRO_OPERATOR_MULTIPLY;
    case kCGBlendModeScreen: return CAIRO_OPERATOR_SCREEN;
    case kCGBlendModeOverlay: return CAIRO_OPERATOR_OVERLAY;
    case kCGBlendModeDarken: return CAIRO_OPERATOR_DARKEN;
    case kCGBlendModeLighten: return CAIRO_OPERATOR_LIGHTEN;
    case kCGBlendModeColorDodge: return CAIRO_OPERATOR_COLOR_DODGE;
    case kCGBlendModeColorBurn: return CAIRO_OPERATOR_COLOR_BURN;
    case kCGBlendModeSoftLight: return CAIRO_OPERATOR_SOFT_LIGHT;
    case kCGBlendModeHardLight: return CAIRO_OPERATOR_HARD_LIGHT;
    case kCGBlendModeDifference: return CAIRO_OPERATOR_DIFFERENCE;
    case kCGBlendModeExclusion: return CAIRO_OPERATOR_EXCLUSION;
    case kCGBlendModeHue: return CAIRO_OPERATOR_HSL_HUE;
    case kCGBlendModeSaturation: return CAIRO_OPERATOR_HSL_SATURATION;
    case kCGBlendModeColor: return CAIRO_OPERATOR_HSL_COLOR;
    case kCGBlendModeLuminosity: return CAIRO_OPERATOR_HSL_LUMINOSITY;
    case kCGBlendModeClear: return CAIRO_OPERATOR_CLEAR;
    case kCGBlendModeCopy: return CAIRO_OPERATOR_SOURCE;
    case kCGBlendModeSourceIn: return CAIRO_OPERATOR_IN;
    case kCGBlendModeSourceOut: return CAIRO_OPERATOR_OUT;
    case kCGBlendModeSourceAtop: return CAIRO_OPERATOR_ATOP;
    case kCGBlendModeDestinationOver: return CAIRO_OPERATOR_DEST_OVER;
    case kCGBlendModeDestinationIn: return CAIRO_OPERATOR_DEST_IN;
    case kCGBlendModeDestinationOut: return CAIRO_OPERATOR_DEST_OUT;
    case kCGBlendModeDestinationAtop: return CAIRO_OPERATOR_DEST_ATOP;
    case kCGBlendModeXOR: return CAIRO_OPERATOR_XOR;
    case kCGBlendModePlusLighter: return CAIRO_OPERATOR_ADD;
    // cairo has no "plus darker"; it and unknown values draw as Normal.
    default: return CAIRO_OPERATOR_OVER;
  }
}

void setSourceColor(CGContext* context, const Color& color) {
  cairo_set_source_rgba(context->cairo, color.red, color.green, color.blue, color.alpha * context->state().alpha);
}

}  // namespace detail

namespace {

// Core Graphics treats a rectangle with a negative side as the same area given the
// other way round.
CGRect standardized(CGRect r) {
  if (r.size.width < 0) r.origin.x += r.size.width, r.size.width = -r.size.width;
  if (r.size.height < 0) r.origin.y += r.size.height, r.size.height = -r.size.height;
  return r;
}

bool drawable(CGRect r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height) && r.size.width > 0 && r.size.height > 0;
}

void fill(CGContextRef c, CGRect rect, cairo_operator_t op, bool useFillColour) {
  rect = standardized(rect);
  if (c == nullptr || !drawable(rect)) return;
  cairo_save(c->cairo);
  cairo_set_operator(c->cairo, op);
  if (useFillColour) detail::setSourceColor(c, c->state().fill);
  cairo_rectangle(c->cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_fill(c->cairo);
  cairo_restore(c->cairo);
}

}  // namespace

void ContextDeleter::operator()(CGContext* context) const { delete context; }

objc::Result<ContextPtr> makeBitmapContext(CGSize size, CGFloat scale, bool opaque) {
  if (!(scale > 0) || !std::isfinite(scale)) return objc::makeError("a bitmap context needs a positive scale");
  if (!(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) || !std::isfinite(size.height))
    return objc::makeError("a bitmap context needs a positive size");
  // A hair below whole pixels counts as whole, so 320 × 568 at 2.0 is exactly
  // 640 × 1136 even after floating-point noise.
  const double w = std::ceil(size.width * scale - 1e-6);
  const double h = std::ceil(size.height * scale - 1e-6);
  if (w > Bitmap::kMaxSide || h > Bitmap::kMaxSide) return objc::makeError("bitmap context too large");
  auto bitmap = Bitmap::create(static_cast<int>(w), static_cast<int>(h), opaque);
  if (!bitmap) return bitmap.error();
  return ContextPtr(new CGContext(std::move(*bitmap), scale));
}

const Bitmap* contextBitmap(CGContextRef context) {
  if (context == nullptr) return nullptr;
  cairo_surface_flush(context->bitmap.surface());
  return &context->bitmap;
}

CGFloat contextScale(CGContextRef context) { return context ? context->scale : 0; }

SharedBitmap imageBitmap(CGImageRef image) { return image ? image->bitmap : nullptr; }

CGImageRef createCGImage(SharedBitmap bitmap) {
  if (!bitmap) return nullptr;
  auto* image = new CGImage;
  image->bitmap = std::move(bitmap);
  return image;
}

void drawBitmap(CGContextRef c, const Bitmap& bitmap, CGRect rect, CGBlendMode mode, CGFloat alpha) {
  rect = standardized(rect);
  if (c == nullptr || !drawable(rect) || bitmap.surface() == nullptr) return;
  cairo_t* cr = c->cairo;
  cairo_save(cr);
  cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_clip(cr);
  // Padding repeats the edge pixels, so a scaled picture keeps hard edges at the
  // rectangle instead of fading into transparency.
  std::optional<Bitmap> shrunk;
  detail::setStretchedSource(cr, bitmap, rect, CAIRO_EXTEND_PAD, shrunk);
  cairo_set_operator(cr, detail::cairoOperator(mode));
  cairo_paint_with_alpha(cr, alpha * c->state().alpha);
  cairo_restore(cr);
}

void drawBitmapPattern(CGContextRef c, const Bitmap& bitmap, CGFloat pixelsPerPoint, CGRect rect) {
  rect = standardized(rect);
  if (c == nullptr || !drawable(rect) || bitmap.surface() == nullptr || !(pixelsPerPoint > 0)) return;
  cairo_t* cr = c->cairo;
  cairo_save(cr);
  cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_clip(cr);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(bitmap.surface());
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  cairo_matrix_t toPattern;
  cairo_matrix_init_scale(&toPattern, pixelsPerPoint, pixelsPerPoint);
  cairo_pattern_set_matrix(pattern, &toPattern);
  cairo_set_source(cr, pattern);
  cairo_set_operator(cr, detail::cairoOperator(c->state().blendMode));
  cairo_paint_with_alpha(cr, c->state().alpha);
  cairo_pattern_destroy(pattern);
  cairo_restore(cr);
}

}  // namespace uikit

extern "C" {

void CGContextSaveGState(CGContextRef c) {
  if (c == nullptr) return;
  cairo_save(c->cairo);
  c->states.push_back(c->state());
}

void CGContextRestoreGState(CGContextRef c) {
  // An unmatched restore is ignored rather than emptying the state stack.
  if (c == nullptr || c->states.size() < 2) return;
  cairo_restore(c->cairo);
  c->states.pop_back();
}

void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color) {
  if (c != nullptr && color != nullptr) c->state().fill = *uikit::colorOfCGColor(color);
}

void CGContextSetStrokeColorWithColor(CGContextRef c, CGColorRef color) {
  if (c != nullptr && color != nullptr) c->state().stroke = *uikit::colorOfCGColor(color);
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
  if (c != nullptr) c->state().fill = uikit::Color::rgb(red, green, blue, alpha);
}

void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha) {
  if (c != nullptr) c->state().fill = uikit::Color::white(gray, alpha);
}

void CGContextSetAlpha(CGContextRef c, CGFloat alpha) {
  if (c != nullptr) c->state().alpha = uikit::Color::clamp(alpha);
}

void CGContextSetBlendMode(CGContextRef c, CGBlendMode mode) {
  if (c != nullptr) c->state().blendMode = mode;
}

void CGContextSetLineWidth(CGContextRef c, CGFloat width) {
  if (c != nullptr && width >= 0) cairo_set_line_width(c->cairo, width);
}

void CGContextFillRect(CGContextRef c, CGRect rect) {
  if (c != nullptr) uikit::fill(c, rect, uikit::detail::cairoOperator(c->state().blendMode), true);
}

void CGContextClearRect(CGContextRef c, CGRect rect) { uikit::fill(c, rect, CAIRO_OPERATOR_CLEAR, false); }

void CGContextStrokeRect(CGContextRef c, CGRect rect) {
  rect = uikit::standardized(rect);
  if (c == nullptr || !std::isfinite(rect.size.width) || !std::isfinite(rect.size.height)) return;
  cairo_save(c->cairo);
  cairo_set_operator(c->cairo, uikit::detail::cairoOperator(c->state().blendMode));
  uikit::detail::setSourceColor(c, c->state().stroke);
  cairo_rectangle(c->cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_stroke(c->cairo);
  cairo_restore(c->cairo);
}

void CGContextClipToRect(CGContextRef c, CGRect rect) {
  if (c == nullptr) return;
  rect = uikit::standardized(rect);
  cairo_rectangle(c->cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_clip(c->cairo);
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) {
  if (c != nullptr) cairo_translate(c->cairo, tx, ty);
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy) {
  // A zero scale would make cairo's matrix singular and put the context in error for
  // good; Core Graphics simply draws nothing afterwards, which is what a clip to an
  // empty area gives here.
  if (c == nullptr) return;
  if (sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy)) {
    cairo_rectangle(c->cairo, 0, 0, 0, 0);
    cairo_clip(c->cairo);
    return;
  }
  cairo_scale(c->cairo, sx, sy);
}

void CGContextRotateCTM(CGContextRef c, CGFloat angle) {
  if (c != nullptr && std::isfinite(angle)) cairo_rotate(c->cairo, angle);
}

void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image) {
  rect = uikit::standardized(rect);
  if (c == nullptr || image == nullptr || !uikit::drawable(rect)) return;
  cairo_save(c->cairo);
  cairo_translate(c->cairo, rect.origin.x, rect.origin.y + rect.size.height);
  cairo_scale(c->cairo, 1, -1);
  uikit::drawBitmap(c, *image->bitmap, CGRectMake(0, 0, rect.size.width, rect.size.height), c->state().blendMode,
                    1.0);
  cairo_restore(c->cairo);
}

CGImageRef CGBitmapContextCreateImage(CGContextRef c) {
  if (c == nullptr) return nullptr;
  auto pixels = c->bitmap.copy();
  if (!pixels) return nullptr;
  return uikit::createCGImage(std::make_shared<const uikit::Bitmap>(std::move(*pixels)));
}

std::size_t CGBitmapContextGetWidth(CGContextRef c) { return c ? static_cast<std::size_t>(c->bitmap.width()) : 0; }
std::size_t CGBitmapContextGetHeight(CGContextRef c) { return c ? static_cast<std::size_t>(c->bitmap.height()) : 0; }

CGImageRef CGImageRetain(CGImageRef image) {
  if (image != nullptr) image->references.fetch_add(1, std::memory_order_relaxed);
  return image;
}

void CGImageRelease(CGImageRef image) {
  if (image != nullptr && image->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete image;
}

std::size_t CGImageGetWidth(CGImageRef image) { return image ? static_cast<std::size_t>(image->bitmap->width()) : 0; }
std::size_t CGImageGetHeight(CGImageRef image) {
  return image ? static_cast<std::size_t>(image->bitmap->height()) : 0;
}

}  // extern "C"
