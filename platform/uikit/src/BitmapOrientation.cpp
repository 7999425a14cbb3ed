#include <uikit/Bitmap.h>

#include <cstring>

namespace uikit {

objc::Result<Bitmap> orientedBitmap(const Bitmap& stored, ImageOrientation orientation) {
  const int w = stored.width();
  const int h = stored.height();
  const bool quarterTurn = orientation == ImageOrientation::Left || orientation == ImageOrientation::Right ||
                           orientation == ImageOrientation::LeftMirrored ||
                           orientation == ImageOrientation::RightMirrored;
  auto result = Bitmap::create(quarterTurn ? h : w, quarterTurn ? w : h, stored.opaque());
  if (!result) return result;
  Bitmap& out = *result;
  const std::uint8_t* src = stored.data();
  std::uint8_t* dst = out.data();
  const int srcStride = stored.stride();
  const int dstStride = out.stride();
  // Each displayed pixel (x, y) is fetched from the stored pixel it shows; the words
  // are copied as they are, premultiplied.
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      int sx = x;
      int sy = y;
      switch (orientation) {
        case ImageOrientation::Down: sx = w - 1 - x; sy = h - 1 - y; break;
        case ImageOrientation::Left: sx = w - 1 - y; sy = x; break;
        case ImageOrientation::Right: sx = y; sy = h - 1 - x; break;
        case ImageOrientation::UpMirrored: sx = w - 1 - x; break;
        case ImageOrientation::DownMirrored: sy = h - 1 - y; break;
        case ImageOrientation::LeftMirrored: sx = y; sy = x; break;
        case ImageOrientation::RightMirrored: sx = w - 1 - y; sy = h - 1 - x; break;
        default: break;
      }
      std::memcpy(dst + static_cast<std::size_t>(y) * dstStride + static_cast<std::size_t>(x) * 4,
                  src + static_cast<std::size_t>(sy) * srcStride + static_cast<std::size_t>(sx) * 4, 4);
    }
  }
  out.markDirty();
  return result;
}

}  // namespace uikit
