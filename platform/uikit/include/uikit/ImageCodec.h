// Picture files to bitmaps and back.  Decoding looks at the bytes, never at a file
// name: JPEG (through libjpeg-turbo) and PNG (through libpng) are told apart by their
// signatures, so JPEG data stored under a ".png" name loads.  Damaged, truncated or
// unknown data is an error value, never a crash or an exit.
#pragma once

#include <uikit/Bitmap.h>

#include <objcface/Result.h>

#include <cstdint>
#include <span>
#include <vector>

namespace uikit {

enum class ImageFormat { Unknown, JPEG, PNG };

// The format the bytes start with.
ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);

// A decoded picture.  The pixels are upright: a JPEG's EXIF orientation has already
// been applied.
objc::Result<Bitmap> decodeImage(std::span<const std::uint8_t> bytes);
objc::Result<Bitmap> decodeJPEG(std::span<const std::uint8_t> bytes);
objc::Result<Bitmap> decodePNG(std::span<const std::uint8_t> bytes);

// A picture for drawing at width × height pixels (upright) or smaller.  A JPEG larger
// than that is decoded through libjpeg-turbo's own DCT scaling, at the smallest of
// 1/8, 1/4 and 1/2 whose result still covers the size on both sides (else whole), so
// a photo for a small box costs a fraction of a whole decode; the result still needs
// the final scale.  A PNG, or a size that is not positive, decodes whole.
objc::Result<Bitmap> decodeImageCovering(std::span<const std::uint8_t> bytes, int width, int height);
objc::Result<Bitmap> decodeJPEGCovering(std::span<const std::uint8_t> bytes, int width, int height);

// The upright pixel size of the picture the bytes hold, read from its header.
struct PixelSize {
  int width = 0;
  int height = 0;
};
objc::Result<PixelSize> imagePixelSize(std::span<const std::uint8_t> bytes);

// A picture fitted into a box of boxWidth × boxHeight pixels: the largest size of the
// picture's own proportions inside the box (never larger than the picture), decoded
// as small as covers it (decodeImageCovering) and shrunk to exactly that size by area
// averaging (shrunkBitmap).  Centring it in the box is the caller's.
objc::Result<Bitmap> decodeImageFitting(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight);

// Baseline JPEG of the bitmap.  quality is 0.0 to 1.0 (clamped; 1.0 is libjpeg's
// 100).  JPEG has no alpha: colour is written premultiplied, so transparent areas
// come out black, as they do on the device.
objc::Result<std::vector<std::uint8_t>> encodeJPEG(const Bitmap& bitmap, double quality);

// PNG of the bitmap: 8-bit RGBA, or RGB for an opaque bitmap.
objc::Result<std::vector<std::uint8_t>> encodePNG(const Bitmap& bitmap);

}  // namespace uikit
