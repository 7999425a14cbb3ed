#include "BitmapSource.h"

#include <cmath>

namespace uikit::detail {

void setStretchedSource(cairo_t* cr, const Bitmap& bitmap, CGRect rect, cairo_extend_t extend,
                        std::optional<Bitmap>& shrunk) {
  const Bitmap* source = &bitmap;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0) {
    const double width = rect.size.width * m.xx, height = rect.size.height * m.yy;  // device pixels
    const bool shrinking = width <= bitmap.width() && height <= bitmap.height();
    if (shrinking && (width < 0.75 * bitmap.width() || height < 0.75 * bitmap.height())) {
      auto smaller = shrunkBitmap(bitmap, std::max(1, static_cast<int>(std::lround(width))),
                                  std::max(1, static_cast<int>(std::lround(height))));
      if (smaller) {
        shrunk.emplace(std::move(*smaller));
        source = &*shrunk;
      }
    }
  }
  cairo_translate(cr, rect.origin.x, rect.origin.y);
  cairo_scale(cr, rect.size.width / source->width(), rect.size.height / source->height());
  cairo_set_source_surface(cr, source->surface(), 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), extend);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
}

}  // namespace uikit::detail
