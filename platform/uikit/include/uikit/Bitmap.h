// A bitmap: the pixels behind every picture and bitmap context of the UIKit stand-in.
// Pixels are 32-bit words in cairo's image layout (0xAARRGGBB in native byte order,
// colour premultiplied by alpha), so cairo draws into and from a bitmap directly.
// An opaque bitmap has no alpha channel: every pixel reads with alpha 255.
//
// A Bitmap owns its pixels and is move-only; copy() makes an independent duplicate.
// Pictures share one immutable bitmap through std::shared_ptr<const Bitmap>.
#pragma once

#include <objcface/Result.h>

#include <cstdint>
#include <memory>

struct _cairo_surface;

namespace uikit {

// One pixel as a developer reads a colour: straight (not premultiplied) 8-bit red,
// green, blue and alpha.
struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

class Bitmap {
 public:
  // The largest side and the largest pixel count accepted.  The side limit is
  // cairo's own; the count keeps a hostile picture header from asking for gigabytes.
  static constexpr int kMaxSide = 32767;
  static constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

  // A new bitmap cleared to transparent (or to black when opaque).  Sides must be
  // positive and within the limits above.
  static objc::Result<Bitmap> create(int width, int height, bool opaque = false);

  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap();

  int width() const { return width_; }
  int height() const { return height_; }
  bool opaque() const { return opaque_; }
  // Bytes from one row to the next.
  int stride() const;

  // Raw premultiplied words, row by row (stride() bytes per row).  Code that writes
  // through data() calls markDirty() afterwards, so cairo sees the new pixels.
  const std::uint8_t* data() const;
  std::uint8_t* data();
  void markDirty();

  // Straight RGBA of one pixel; (0,0,0,0) outside the bitmap.
  Rgba pixel(int x, int y) const;
  // Stores a straight RGBA colour (premultiplied on the way in); ignored outside.
  void setPixel(int x, int y, Rgba colour);

  // An independent duplicate of the pixels.
  objc::Result<Bitmap> copy() const;

  // The cairo image surface holding the pixels (for the drawing code of this library).
  _cairo_surface* surface() const { return surface_; }

 private:
  Bitmap(_cairo_surface* surface, int width, int height, bool opaque);
  _cairo_surface* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool opaque_ = false;
};

using SharedBitmap = std::shared_ptr<const Bitmap>;

// How stored pixels must be turned to stand upright; the values are UIKit's
// UIImageOrientation (Up 0, Down 1 = 180°, Left 2 = 90° anticlockwise, Right 3 = 90°
// clockwise, then the four mirrored forms).
enum class ImageOrientation : long {
  Up = 0,
  Down = 1,
  Left = 2,
  Right = 3,
  UpMirrored = 4,
  DownMirrored = 5,
  LeftMirrored = 6,
  RightMirrored = 7,
};

// The bitmap shrunk to width × height pixels by averaging the source area each
// output pixel covers (premultiplied colour, so edges against transparency stay
// clean).  Linear in the pixel count whatever the factor, and smoother than a
// bilinear filter for large shrinks.  Sides larger than the source's are taken as
// the source's: it never enlarges.
objc::Result<Bitmap> shrunkBitmap(const Bitmap& source, int width, int height);

// The upright form of a bitmap stored in the given orientation (a quarter turn
// swaps the sides).  An unknown orientation value is treated as Up.
objc::Result<Bitmap> orientedBitmap(const Bitmap& stored, ImageOrientation orientation);

}  // namespace uikit
