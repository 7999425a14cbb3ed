#include <uikit/ImageCodec.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace uikit {

objc::Result<PixelSize> jpegPixelSize(std::span<const std::uint8_t> bytes);  // ImageCodecJPEG.cpp

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kPNG[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() >= sizeof kPNG && std::memcmp(bytes.data(), kPNG, sizeof kPNG) == 0) return ImageFormat::PNG;
  // Start of image followed by the first marker's lead byte.
  if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return ImageFormat::JPEG;
  return ImageFormat::Unknown;
}

objc::Result<Bitmap> decodeImage(std::span<const std::uint8_t> bytes) {
  switch (sniffImageFormat(bytes)) {
    case ImageFormat::JPEG: return decodeJPEG(bytes);
    case ImageFormat::PNG: return decodePNG(bytes);
    case ImageFormat::Unknown: break;
  }
  return objc::makeError(bytes.empty() ? "no picture data" : "not a JPEG or PNG picture");
}

objc::Result<Bitmap> decodeImageCovering(std::span<const std::uint8_t> bytes, int width, int height) {
  if (sniffImageFormat(bytes) == ImageFormat::JPEG) return decodeJPEGCovering(bytes, width, height);
  return decodeImage(bytes);
}

objc::Result<PixelSize> imagePixelSize(std::span<const std::uint8_t> bytes) {
  switch (sniffImageFormat(bytes)) {
    case ImageFormat::JPEG: return jpegPixelSize(bytes);
    case ImageFormat::PNG: {
      // The signature, then the IHDR chunk: length, "IHDR", width and height (big-endian).
      if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return objc::makeError("PNG without its header");
      auto word = [&](std::size_t at) {
        return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
               (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
      };
      const std::uint32_t width = word(16), height = word(20);
      if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return objc::makeError("PNG of no size");
      return PixelSize{static_cast<int>(width), static_cast<int>(height)};
    }
    case ImageFormat::Unknown: break;
  }
  return objc::makeError(bytes.empty() ? "no picture data" : "not a JPEG or PNG picture");
}

objc::Result<Bitmap> decodeImageFitting(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return objc::makeError("a box to fit into needs a size");
  auto size = imagePixelSize(bytes);
  if (!size) return size.error();
  int width = size->width, height = size->height;
  if (width > boxWidth || height > boxHeight) {
    const double ratio = std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
    width = std::clamp(static_cast<int>(std::lround(width * ratio)), 1, boxWidth);
    height = std::clamp(static_cast<int>(std::lround(height * ratio)), 1, boxHeight);
  }
  auto decoded = decodeImageCovering(bytes, width, height);
  if (!decoded || (decoded->width() == width && decoded->height() == height)) return decoded;
  return shrunkBitmap(*decoded, width, height);
}

}  // namespace uikit
