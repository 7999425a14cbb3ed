#include <uikit/Bitmap.h>

#include <cairo.h>

#include <cstring>
#include <utility>

namespace uikit {

namespace {

std::uint8_t unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  if (alpha == 255) return static_cast<std::uint8_t>(channel);
  std::uint32_t v = (channel * 255 + alpha / 2) / alpha;
  return static_cast<std::uint8_t>(v > 255 ? 255 : v);
}

std::uint32_t premultiply(std::uint32_t channel, std::uint32_t alpha) { return (channel * alpha + 127) / 255; }

}  // namespace

objc::Result<Bitmap> Bitmap::create(int width, int height, bool opaque) {
  if (width <= 0 || height <= 0) return objc::makeError("bitmap sides must be positive");
  if (width > kMaxSide || height > kMaxSide || static_cast<std::int64_t>(width) * height > kMaxPixels)
    return objc::makeError("bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " is too large");
  cairo_surface_t* surface = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    std::string message = cairo_status_to_string(cairo_surface_status(surface));
    cairo_surface_destroy(surface);
    return objc::makeError("cannot make a bitmap: " + message);
  }
  // cairo hands out zeroed pixels: transparent, or black without alpha.
  return Bitmap(surface, width, height, opaque);
}

Bitmap::Bitmap(_cairo_surface* surface, int width, int height, bool opaque)
    : surface_(surface), width_(width), height_(height), opaque_(opaque) {}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      opaque_(other.opaque_) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
    surface_ = std::exchange(other.surface_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    opaque_ = other.opaque_;
  }
  return *this;
}

Bitmap::~Bitmap() {
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

int Bitmap::stride() const { return surface_ ? cairo_image_surface_get_stride(surface_) : 0; }

const std::uint8_t* Bitmap::data() const {
  if (surface_ == nullptr) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

std::uint8_t* Bitmap::data() {
  if (surface_ == nullptr) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

void Bitmap::markDirty() {
  if (surface_ != nullptr) cairo_surface_mark_dirty(surface_);
}

Rgba Bitmap::pixel(int x, int y) const {
  if (surface_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  std::uint32_t word;
  std::memcpy(&word, data() + static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 4, 4);
  std::uint32_t a = opaque_ ? 255 : word >> 24;
  return {unpremultiply((word >> 16) & 0xff, a), unpremultiply((word >> 8) & 0xff, a), unpremultiply(word & 0xff, a),
          static_cast<std::uint8_t>(a)};
}

void Bitmap::setPixel(int x, int y, Rgba c) {
  if (surface_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint32_t a = opaque_ ? 255 : c.a;
  std::uint32_t word = (a << 24) | (premultiply(c.r, a) << 16) | (premultiply(c.g, a) << 8) | premultiply(c.b, a);
  std::memcpy(data() + static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 4, &word, 4);
  cairo_surface_mark_dirty_rectangle(surface_, x, y, 1, 1);
}

objc::Result<Bitmap> Bitmap::copy() const {
  auto duplicate = create(width_, height_, opaque_);
  if (!duplicate) return duplicate;
  // Both surfaces come from the same format and width, so their strides agree.
  std::memcpy(duplicate->data(), data(), static_cast<std::size_t>(stride()) * height_);
  duplicate->markDirty();
  return duplicate;
}

}  // namespace uikit
