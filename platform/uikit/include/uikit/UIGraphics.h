// Drawing contexts.  A bitmap (image) context is a cairo context over a Bitmap of
// size × scale pixels that draws in points, with the origin at the top left as
// UIKit draws.  Each thread has its own stack of current contexts:
// UIGraphicsBeginImageContext… pushes, UIGraphicsEndImageContext pops, and every
// drawing call of UIKit (UIImage drawInRect:, UIColor setFill, UIRectFill) goes to
// the context on top.  The Core Graphics functions below draw into any context.
#pragma once

#include <uikit/Bitmap.h>
#include <uikit/UIColor.h>

#include <objcface/Result.h>
#include <objcface/Types.h>

#include <cstdint>
#include <memory>

struct CGContext;
using CGContextRef = CGContext*;
struct CGImage;
using CGImageRef = CGImage*;

// Core Graphics blend modes, with their values.
enum CGBlendMode : std::int32_t {
  kCGBlendModeNormal = 0,
  kCGBlendModeMultiply,
  kCGBlendModeScreen,
  kCGBlendModeOverlay,
  kCGBlendModeDarken,
  kCGBlendModeLighten,
  kCGBlendModeColorDodge,
  kCGBlendModeColorBurn,
  kCGBlendModeSoftLight,
  kCGBlendModeHardLight,
  kCGBlendModeDifference,
  kCGBlendModeExclusion,
  kCGBlendModeHue,
  kCGBlendModeSaturation,
  kCGBlendModeColor,
  kCGBlendModeLuminosity,
  kCGBlendModeClear,
  kCGBlendModeCopy,
  kCGBlendModeSourceIn,
  kCGBlendModeSourceOut,
  kCGBlendModeSourceAtop,
  kCGBlendModeDestinationOver,
  kCGBlendModeDestinationIn,
  kCGBlendModeDestinationOut,
  kCGBlendModeDestinationAtop,
  kCGBlendModeXOR,
  kCGBlendModePlusDarker,
  kCGBlendModePlusLighter,
};

extern "C" {

// Bitmap contexts.  UIGraphicsBeginImageContext(size) is the options form with
// opaque NO and scale 1.0; a scale of 0.0 means the main screen's scale.  The
// bitmap has ceil(size × scale) pixels on each side.  A size that cannot be drawn
// (zero, negative, too large) still pushes an entry, with no context, so Begin and
// End stay paired; while it is on top the current context is NULL and no picture
// can be taken.
void UIGraphicsBeginImageContext(CGSize size);
void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale);
// The context on top of this thread's stack, or NULL.
CGContextRef UIGraphicsGetCurrentContext(void);
// An autoreleased UIImage of what the current image context holds now (its scale is
// the context's), or nil when the top of the stack is not an image context.
id UIGraphicsGetImageFromCurrentImageContext(void);
// Pops the top of the stack (nothing when it is empty).
void UIGraphicsEndImageContext(void);
// Makes an existing context current (for drawing code that draws into "the current
// context"); the caller keeps owning it.  UIGraphicsPopContext pops the top entry.
void UIGraphicsPushContext(CGContextRef context);
void UIGraphicsPopContext(void);

// Fills a rectangle of the current context with its fill colour, replacing what was
// there (kCGBlendModeCopy), or with the given blend mode.
void UIRectFill(CGRect rect);
void UIRectFillUsingBlendMode(CGRect rect, CGBlendMode blendMode);

// Core Graphics drawing.  NULL contexts are ignored.  The fill and stroke colours
// start black; graphics state (colours, alpha, blend mode, line width, transform,
// clip) is saved and restored together.
void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);
void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetStrokeColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha);
void CGContextSetAlpha(CGContextRef c, CGFloat alpha);
void CGContextSetBlendMode(CGContextRef c, CGBlendMode mode);
void CGContextSetLineWidth(CGContextRef c, CGFloat width);
void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextStrokeRect(CGContextRef c, CGRect rect);
// Makes the rectangle fully transparent (black in an opaque context).
void CGContextClearRect(CGContextRef c, CGRect rect);
void CGContextClipToRect(CGContextRef c, CGRect rect);
void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(CGContextRef c, CGFloat angle);
// Draws a picture into rect as Core Graphics does: with the picture's first row at
// the rectangle's lower edge of user space.  In a UIKit context (y downwards) that
// is upside down, exactly as on the device; UIImage drawInRect: draws upright.
void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);
// A picture of what a bitmap context holds now, owned by the caller; NULL for a
// context without a bitmap.
CGImageRef CGBitmapContextCreateImage(CGContextRef c);
std::size_t CGBitmapContextGetWidth(CGContextRef c);
std::size_t CGBitmapContextGetHeight(CGContextRef c);

// Core Graphics pictures: reference-counted handles onto immutable pixels.
CGImageRef CGImageRetain(CGImageRef image);
void CGImageRelease(CGImageRef image);
std::size_t CGImageGetWidth(CGImageRef image);
std::size_t CGImageGetHeight(CGImageRef image);

}  // extern "C"

namespace uikit {

// Owning handle for contexts made from C++.
struct ContextDeleter {
  void operator()(CGContext* context) const;
};
using ContextPtr = std::unique_ptr<CGContext, ContextDeleter>;

// A bitmap context of ceil(size × scale) pixels drawing in points (scale must be
// positive), for C++ code that renders without the per-thread stack, e.g. views.
objc::Result<ContextPtr> makeBitmapContext(CGSize size, CGFloat scale, bool opaque);

// The bitmap a context draws into, or nullptr.  Drawing must be finished before the
// pixels are read.
const Bitmap* contextBitmap(CGContextRef context);
// The scale of a context (pixels per point); 0 for NULL.
CGFloat contextScale(CGContextRef context);

// The pixels of a CGImage, or nullptr for NULL.
SharedBitmap imageBitmap(CGImageRef image);
// A new CGImage over shared pixels, owned once by the caller.
CGImageRef createCGImage(SharedBitmap bitmap);

// Draws pixels into rect (points) of a context, scaled with smooth filtering, with
// the given blend mode and an alpha multiplied by the context's own.  The pixels
// keep their aspect only if rect does.
void drawBitmap(CGContextRef context, const Bitmap& bitmap, CGRect rect, CGBlendMode mode, CGFloat alpha);
// Fills rect with copies of the picture at pixelsPerPoint, tiled from the
// context's origin.
void drawBitmapPattern(CGContextRef context, const Bitmap& bitmap, CGFloat pixelsPerPoint, CGRect rect);

}  // namespace uikit
