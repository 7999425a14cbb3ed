#include <uikit/ImageCodec.h>

#include <cstring>

namespace uikit {

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

}  // namespace uikit
