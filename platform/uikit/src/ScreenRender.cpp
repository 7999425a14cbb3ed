// Drawing view trees through cairo, for the screen picture and the screen snapshot
// surface (+[UIWindow createScreenIOSurface]); layer filters and backdrops are drawn
// by LayerEffects.cpp.
#include <uikit/CALayer.h>
#include <uikit/ImageCodec.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIColor.h>
#include <uikit/UIFont.h>
#include <uikit/UIImage.h>
#include <uikit/UIImageView.h>
#include <uikit/UILabel.h>
#include <uikit/UIScreen.h>
#include <uikit/UIWindow.h>

#include "BitmapSource.h"
#include "FoundationGlue.h"
#include "LayerEffects.h"
#include "ViewInternals.h"

#include <foundation/DeviceRoot.h>
#include <objcface/Send.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace uikit {

using detail::viewIvars;
using objc::send;
using objc::sel;

namespace {

void setColour(cairo_t* cr, id colour) {
  auto c = colorOf(colour);
  if (!c) return;
  cairo_set_source_rgba(cr, c->red, c->green, c->blue, c->alpha);
}

void drawImage(cairo_t* cr, id imageView, CGSize bounds) {
  id image = reinterpret_cast<UIImageViewIvars*>(imageView)->_image;
  SharedBitmap bitmap = bitmapOf(image);
  if (!bitmap || bitmap->width() == 0 || bitmap->height() == 0) return;
  CGSize size = send<CGSize>(image, sel<"size">());
  CGRect target = CGRectMake(0, 0, bounds.width, bounds.height);
  NSInteger mode = viewIvars(imageView)->_contentMode;
  if ((mode == UIViewContentModeScaleAspectFit || mode == UIViewContentModeScaleAspectFill) && size.width > 0 &&
      size.height > 0) {
    CGFloat sx = bounds.width / size.width;
    CGFloat sy = bounds.height / size.height;
    CGFloat s = mode == UIViewContentModeScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
    target.size = CGSizeMake(size.width * s, size.height * s);
  } else if (mode != UIViewContentModeScaleToFill) {
    target.size = size;
  }
  if (mode != UIViewContentModeScaleToFill) {
    // Centred, or pinned to the edges the mode names (the top left corner for TopLeft).
    target.origin = CGPointMake((bounds.width - target.size.width) / 2, (bounds.height - target.size.height) / 2);
    if (mode == UIViewContentModeTop || mode == UIViewContentModeTopLeft || mode == UIViewContentModeTopRight)
      target.origin.y = 0;
    if (mode == UIViewContentModeBottom || mode == UIViewContentModeBottomLeft || mode == UIViewContentModeBottomRight)
      target.origin.y = bounds.height - target.size.height;
    if (mode == UIViewContentModeLeft || mode == UIViewContentModeTopLeft || mode == UIViewContentModeBottomLeft)
      target.origin.x = 0;
    if (mode == UIViewContentModeRight || mode == UIViewContentModeTopRight || mode == UIViewContentModeBottomRight)
      target.origin.x = bounds.width - target.size.width;
  }
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, bounds.width, bounds.height);
  cairo_clip(cr);
  std::optional<Bitmap> shrunk;
  detail::setStretchedSource(cr, *bitmap, target, CAIRO_EXTEND_NONE, shrunk);
  cairo_paint(cr);
  cairo_restore(cr);
}

void drawLabel(cairo_t* cr, id label, CGSize bounds) {
  UILabelIvars* l = reinterpret_cast<UILabelIvars*>(label);
  std::string text = detail::toStd(l->_text);
  if (text.empty()) return;
  CGFloat size = l->_font ? send<CGFloat>(l->_font, sel<"pointSize">()) : 17.0;
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, bounds.width, bounds.height);
  cairo_clip(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  double x = 0;
  if (l->_textAlignment == NSTextAlignmentCenter) x = (bounds.width - extents.x_advance) / 2;
  else if (l->_textAlignment == NSTextAlignmentRight) x = bounds.width - extents.x_advance;
  double y = (bounds.height - (font.ascent + font.descent)) / 2 + font.ascent;
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  setColour(cr, l->_textColor);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
  cairo_restore(cr);
}

void drawView(cairo_t* cr, id view);

// What a view draws itself, clipped when it clips: background, picture, text and
// subviews, at full strength (its alpha is applied by the caller).
void drawContent(cairo_t* cr, id view) {
  UIViewIvars* v = viewIvars(view);
  CGSize size = v->_frame.size;
  cairo_save(cr);
  if (v->_clipsToBounds) {
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_clip(cr);
  }
  if (v->_backgroundColor != nil) {
    setColour(cr, v->_backgroundColor);
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_fill(cr);
  }
  if (detail::isKindOfClass(view, UIImageViewClass())) drawImage(cr, view, size);
  if (detail::isKindOfClass(view, UILabelClass())) drawLabel(cr, view, size);
  cairo_translate(cr, -v->_boundsOrigin.x, -v->_boundsOrigin.y);
  for (id sub : subviewsOf(view)) {
    CGPoint o = viewIvars(sub)->_frame.origin;
    cairo_save(cr);
    cairo_translate(cr, o.x, o.y);
    drawView(cr, sub);
    cairo_restore(cr);
  }
  cairo_restore(cr);
}

// Draws a view whose frame origin is already the current origin: a backdrop first
// puts the blur of what lies behind it under its content; a layer with blur filters
// draws its content through them.
void drawView(cairo_t* cr, id view) {
  UIViewIvars* v = viewIvars(view);
  if (v->_hidden || v->_alpha < 0.01) return;
  const std::vector<detail::LayerBlur> blurs = detail::layerBlurs(v->_layer);
  const bool backdrop = !blurs.empty() && isBackdropLayer(v->_layer);
  if (!blurs.empty() && !backdrop && detail::drawFilteredView(cr, view, blurs, v->_alpha, drawContent)) return;
  detail::BackdropPicture behind;
  const bool blurredBehind = backdrop && detail::blurBehind(cr, view, blurs, behind);
  cairo_save(cr);
  bool group = v->_alpha < 1.0;
  if (group) cairo_push_group(cr);
  if (blurredBehind) detail::paintBackdrop(cr, view, behind);
  drawContent(cr, view);
  if (group) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, v->_alpha);
  }
  cairo_restore(cr);
}

objc::Result<Bitmap> canvas(CGSize size, CGFloat scale) {
  if (scale <= 0) return objc::makeError("the scale must be positive");
  int w = static_cast<int>(std::ceil(size.width * scale));
  int h = static_cast<int>(std::ceil(size.height * scale));
  return Bitmap::create(std::max(w, 1), std::max(h, 1));
}

id createScreenSurface(id, SEL) {
  auto bitmap = renderScreen(screen().scale);
  if (!bitmap) return nil;
  return makeSurface(std::make_shared<const Bitmap>(std::move(bitmap.value())));
}

[[maybe_unused]] const bool kSnapshotMethod = [] {
  Class meta = object_getClass(reinterpret_cast<id>(UIWindowClass()));
  objc::detail::addMethod(meta, "createScreenIOSurface", objc::detail::MethodTraits<&createScreenSurface>::imp(),
                          objc::detail::MethodTraits<&createScreenSurface>::types());
  return true;
}();

}  // namespace

objc::Result<Bitmap> renderView(id view, CGFloat scale) {
  if (view == nil) return objc::makeError("no view to draw");
  objc::AutoreleasePool pool;
  layoutTree(view);
  auto bitmap = canvas(viewIvars(view)->_frame.size, scale);
  if (!bitmap) return bitmap;
  cairo_t* cr = cairo_create(bitmap->surface());
  cairo_scale(cr, scale, scale);
  drawView(cr, view);
  cairo_destroy(cr);
  cairo_surface_flush(bitmap->surface());
  return bitmap;
}

objc::Result<Bitmap> renderScreen(CGFloat scale) {
  objc::AutoreleasePool pool;
  CGRect bounds = screen().bounds;
  auto bitmap = canvas(bounds.size, scale);
  if (!bitmap) return bitmap;
  cairo_t* cr = cairo_create(bitmap->surface());
  cairo_scale(cr, scale, scale);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  for (id window : windows()) {
    if (viewIvars(window)->_hidden) continue;
    layoutTree(window);
    CGPoint o = viewIvars(window)->_frame.origin;
    cairo_save(cr);
    cairo_translate(cr, o.x, o.y);
    drawView(cr, window);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(bitmap->surface());
  return bitmap;
}

objc::Result<std::vector<std::uint8_t>> screenPNG(CGFloat scale) {
  auto bitmap = renderScreen(scale);
  if (!bitmap) return bitmap.error();
  return encodePNG(bitmap.value());
}

objc::Status writeScreenPNG(std::string_view devicePath, CGFloat scale) {
  auto path = ns::hostPath(devicePath);
  if (!path) return path.error();
  auto png = screenPNG(scale);
  if (!png) return png.error();
  std::filesystem::path target = path.value();
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  std::filesystem::path temp = target;
  temp += ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    if (!out) {
      std::filesystem::remove(temp, ec);
      return objc::makeError("cannot write " + temp.string());
    }
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return objc::makeError("cannot replace " + target.string() + ": " + ec.message());
  }
  return objc::Ok{};
}

}  // namespace uikit
