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

// Baseline JPEG of the bitmap.  quality is 0.0 to 1.0 (clamped; 1.0 is libjpeg's
// 100).  JPEG has no alpha: colour is written premultiplied, so transparent areas
// come out black, as they do on the device.
objc::Result<std::vector<std::uint8_t>> encodeJPEG(const Bitmap& bitmap, double quality);

// PNG of the bitmap: 8-bit RGBA, or RGB for an opaque bitmap.
objc::Result<std::vector<std::uint8_t>> encodePNG(const Bitmap& bitmap);

}  // namespace uikit
