// Draws the banner close box of the settings bundle: a round, dark, translucent
// button with a white ring and a white cross, sized 15 x 16 points.  Writes the
// picture at one and at two pixels per point:
//
//   make_closebox OUTPUT_DIR      → OUTPUT_DIR/banner_closebox.png (15 x 16 pixels)
//                                   OUTPUT_DIR/banner_closebox@2x.png (30 x 32 pixels)
//
// Run by the build, so the pictures are made from this source and never stored.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr double kWidthPoints = 15.0;
constexpr double kHeightPoints = 16.0;

// Draws in points on a surface of `scale` pixels per point; false when cairo fails.
bool drawCloseBox(const std::filesystem::path& file, int scale) {
  const int width = static_cast<int>(kWidthPoints) * scale;
  const int height = static_cast<int>(kHeightPoints) * scale;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);

  // The button sits in the middle of the box; one point of the 16 is left below it
  // so the ring does not touch the banner's bottom edge.
  const double cx = kWidthPoints / 2.0;
  const double cy = (kHeightPoints - 1.0) / 2.0;
  const double radius = 6.75;

  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_set_source_rgba(cr, 0.1, 0.1, 0.1, 0.8);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);

  const double arm = 2.6;
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, cx - arm, cy - arm);
  cairo_line_to(cr, cx + arm, cy + arm);
  cairo_move_to(cr, cx + arm, cy - arm);
  cairo_line_to(cr, cx - arm, cy + arm);
  cairo_stroke(cr);

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                  cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_closebox OUTPUT_DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "make_closebox: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  for (auto [name, scale] : {std::pair<const char*, int>{"banner_closebox.png", 1}, {"banner_closebox@2x.png", 2}}) {
    if (!drawCloseBox(dir / name, scale)) {
      std::fprintf(stderr, "make_closebox: cannot write %s\n", (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
