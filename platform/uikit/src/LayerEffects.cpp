#include "LayerEffects.h"

#include "FoundationGlue.h"
#include "LayerInternals.h"
#include "LayerStorage.h"
#include "ViewInternals.h"

#include <uikit/Blur.h>
#include <uikit/CAFilter.h>
#include <uikit/CALayer.h>

#include <objcface/Send.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace uikit::detail {

using objc::send;
using objc::sel;

namespace {

// A gaussianBlur filter made without setDefaults and given no radius blurs by this.
constexpr double kDefaultRadius = 10.0;

// A rectangle of device space, as whole pixels [x0, x1) × [y0, y1).
struct PixelRect {
  long x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
  PixelRect grown(long by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
  PixelRect meet(const PixelRect& o) const {
    return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  }
};

// The device rectangle of a user-space rectangle (the transform scales and
// translates only), and the whole pixels covering it.
void toDevice(cairo_t* cr, double x0, double y0, double x1, double y1, double out[4]) {
  cairo_user_to_device(cr, &x0, &y0);
  cairo_user_to_device(cr, &x1, &y1);
  out[0] = std::min(x0, x1), out[1] = std::min(y0, y1), out[2] = std::max(x0, x1), out[3] = std::max(y0, y1);
}

PixelRect covering(const double r[4]) {
  auto clampToLong = [](double v) { return static_cast<long>(std::clamp(v, -1e9, 1e9)); };
  return {clampToLong(std::floor(r[0])), clampToLong(std::floor(r[1])), clampToLong(std::ceil(r[2])),
          clampToLong(std::ceil(r[3]))};
}

PixelRect viewPixels(cairo_t* cr, CGSize size, double device[4]) {
  toDevice(cr, 0, 0, size.width, size.height, device);
  return covering(device);
}

PixelRect clipPixels(cairo_t* cr) {
  double x0, y0, x1, y1, device[4];
  cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
  toDevice(cr, x0, y0, x1, y1, device);
  return covering(device);
}

double pixelsPerPoint(cairo_t* cr) {
  double dx = 1, dy = 0;
  cairo_user_to_device_distance(cr, &dx, &dy);
  return std::hypot(dx, dy);
}

std::vector<BlurCache::Blur> pixelBlurs(const std::vector<LayerBlur>& blurs, double scale, bool hardEdges) {
  std::vector<BlurCache::Blur> out;
  for (const LayerBlur& b : blurs)
    out.push_back({b.radius * scale, hardEdges || b.hardEdges ? BlurEdges::Extend : BlurEdges::Transparent});
  return out;
}

long reachOf(const std::vector<BlurCache::Blur>& blurs, bool softOnly) {
  long reach = 0;
  for (const auto& b : blurs)
    if (!softOnly || b.edges == BlurEdges::Transparent) reach += blurReach(b.sigma);
  return reach;
}

bool samePixels(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.opaque() != b.opaque() || a.stride() != b.stride())
    return false;
  return std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.stride()) * a.height()) == 0;
}

// The blurred picture of `input`: the cached one when the input and the blurs are
// what it was made from; otherwise a fresh blur, kept in the cache when there is one
// (else in `local`).
const Bitmap* blurThroughCache(BlurCache* cache, Bitmap&& input, const std::vector<BlurCache::Blur>& blurs,
                               std::optional<Bitmap>& local) {
  if (cache != nullptr && cache->output && cache->input && cache->blurs == blurs && samePixels(*cache->input, input))
    return &*cache->output;
  if (cache == nullptr) {
    for (const auto& b : blurs) blurBitmap(input, b.sigma, b.edges);
    local.emplace(std::move(input));
    return &*local;
  }
  auto output = input.copy();
  if (!output) return nullptr;
  for (const auto& b : blurs) blurBitmap(*output, b.sigma, b.edges);
  cache->input.emplace(std::move(input));
  cache->output.emplace(std::move(*output));
  cache->blurs = blurs;
  return &*cache->output;
}

BlurCache* cacheSlot(std::unique_ptr<BlurCache>& slot) {
  if (!slot) slot = std::make_unique<BlurCache>();
  return slot.get();
}

}  // namespace

std::vector<LayerBlur> layerBlurs(id layer) {
  std::vector<LayerBlur> out;
  id filters = layer ? reinterpret_cast<CALayerIvars*>(layer)->_filters : nil;
  if (filters == nil) return out;
  const NSUInteger count = send<NSUInteger>(filters, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id filter = send<id>(filters, sel<"objectAtIndex:">(), i);
    if (!isKindOfClass(filter, CAFilterClass())) continue;
    const auto* f = reinterpret_cast<CAFilterIvars*>(filter);
    if (!f->_enabled || toStd(f->_type) != kCAFilterGaussianBlur) continue;
    id radius = send<id>(f->_values, sel<"objectForKey:">(), makeNSString("inputRadius"));
    id hard = send<id>(f->_values, sel<"objectForKey:">(), makeNSString("inputHardEdges"));
    LayerBlur blur;
    blur.radius = radius != nil && send<BOOL>(radius, sel<"respondsToSelector:">(), sel<"doubleValue">())
                      ? send<double>(radius, sel<"doubleValue">())
                      : kDefaultRadius;
    blur.hardEdges = hard != nil && send<BOOL>(hard, sel<"respondsToSelector:">(), sel<"boolValue">()) &&
                     send<BOOL>(hard, sel<"boolValue">());
    if (blur.radius > 0 && std::isfinite(blur.radius)) out.push_back(blur);
  }
  return out;
}

bool drawFilteredView(cairo_t* cr, id view, const std::vector<LayerBlur>& blurs, double alpha, DrawContent content) {
  const CGSize size = viewIvars(view)->_frame.size;
  const double scale = pixelsPerPoint(cr);
  if (!(size.width > 0 && size.height > 0 && scale > 0)) return false;
  const auto pixel = pixelBlurs(blurs, scale, false);
  const bool allHard = reachOf(pixel, true) == 0;
  double device[4];
  const PixelRect bounds = viewPixels(cr, size, device);
  // Soft blurs spread past the bounds; only what can reach the clip is drawn.
  const PixelRect area = bounds.grown(reachOf(pixel, true)).meet(clipPixels(cr).grown(reachOf(pixel, false)));
  if (area.empty()) return true;  // nothing of it can show
  auto picture = Bitmap::create(static_cast<int>(std::min(area.x1 - area.x0, long{Bitmap::kMaxSide + 1})),
                                static_cast<int>(std::min(area.y1 - area.y0, long{Bitmap::kMaxSide + 1})));
  if (!picture) return false;
  {
    cairo_t* own = cairo_create(picture->surface());
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    m.x0 -= static_cast<double>(area.x0);
    m.y0 -= static_cast<double>(area.y0);
    cairo_set_matrix(own, &m);
    content(own, view);
    cairo_destroy(own);
    cairo_surface_flush(picture->surface());
  }
  id layer = viewIvars(view)->_layer;
  BlurCache* cache = send<BOOL>(layer, sel<"shouldRasterize">()) ? cacheSlot(layerStorage(layer).filtered) : nullptr;
  std::optional<Bitmap> local;
  const Bitmap* result = blurThroughCache(cache, std::move(*picture), pixel, local);
  if (result == nullptr) return false;
  cairo_save(cr);
  cairo_identity_matrix(cr);
  if (allHard) {
    // Hard edges end at the bounds, as the picture itself does.
    cairo_rectangle(cr, device[0], device[1], device[2] - device[0], device[3] - device[1]);
    cairo_clip(cr);
  }
  cairo_set_source_surface(cr, result->surface(), static_cast<double>(area.x0), static_cast<double>(area.y0));
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
  return true;
}

bool blurBehind(cairo_t* cr, id view, const std::vector<LayerBlur>& blurs, BackdropPicture& out) {
  const CGSize size = viewIvars(view)->_frame.size;
  const double scale = pixelsPerPoint(cr);
  if (!(size.width > 0 && size.height > 0 && scale > 0)) return false;
  cairo_surface_t* target = cairo_get_group_target(cr);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  const cairo_format_t format = cairo_image_surface_get_format(target);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
  // Behind a backdrop is whatever the surface holds there; edges are always hard.
  const auto pixel = pixelBlurs(blurs, scale, true);
  const long reach = reachOf(pixel, false);
  double offsetX = 0, offsetY = 0;  // surface pixel = device pixel + offset
  cairo_surface_get_device_offset(target, &offsetX, &offsetY);
  double device[4];
  const PixelRect visible = viewPixels(cr, size, device).meet(clipPixels(cr));
  if (visible.empty()) return false;
  const long dx = std::lround(offsetX), dy = std::lround(offsetY);
  const PixelRect surface{0, 0, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target)};
  const PixelRect read =
      PixelRect{visible.x0 + dx, visible.y0 + dy, visible.x1 + dx, visible.y1 + dy}.grown(reach).meet(surface);
  if (read.empty()) return false;
  auto input = Bitmap::create(static_cast<int>(read.x1 - read.x0), static_cast<int>(read.y1 - read.y0));
  if (!input) return false;
  cairo_surface_flush(target);
  const unsigned char* from = cairo_image_surface_get_data(target);
  const int fromStride = cairo_image_surface_get_stride(target);
  std::uint8_t* to = input->data();
  const std::size_t rowBytes = static_cast<std::size_t>(input->width()) * 4;
  for (int y = 0; y < input->height(); ++y) {
    std::uint8_t* row = to + static_cast<std::size_t>(y) * input->stride();
    std::memcpy(row, from + static_cast<std::size_t>(read.y0 + y) * fromStride + read.x0 * 4, rowBytes);
    if (format == CAIRO_FORMAT_RGB24)
      for (std::size_t i = 0; i < rowBytes; i += 4) reinterpret_cast<std::uint32_t*>(row)[i / 4] |= 0xff000000u;
  }
  input->markDirty();
  id layer = viewIvars(view)->_layer;
  std::optional<Bitmap> unused;
  const Bitmap* result = blurThroughCache(cacheSlot(layerStorage(layer).backdrop), std::move(*input), pixel, unused);
  if (result == nullptr) return false;
  out.surface = result->surface();
  out.x = static_cast<double>(read.x0 - dx);
  out.y = static_cast<double>(read.y0 - dy);
  return true;
}

void paintBackdrop(cairo_t* cr, id view, const BackdropPicture& picture) {
  const CGSize size = viewIvars(view)->_frame.size;
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_clip(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_surface(cr, picture.surface, picture.x, picture.y);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_restore(cr);
}

}  // namespace uikit::detail
