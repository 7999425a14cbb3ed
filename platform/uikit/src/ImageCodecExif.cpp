#include "ImageCodecExif.h"

#include <cstring>

namespace uikit::detail {

namespace {

// EXIF orientation 1-8 to UIKit's orientation (the stored picture's turn to upright).
ImageOrientation fromExif(unsigned value) {
  switch (value) {
    case 2: return ImageOrientation::UpMirrored;
    case 3: return ImageOrientation::Down;
    case 4: return ImageOrientation::DownMirrored;
    case 5: return ImageOrientation::LeftMirrored;
    case 6: return ImageOrientation::Right;
    case 7: return ImageOrientation::RightMirrored;
    case 8: return ImageOrientation::Left;
    default: return ImageOrientation::Up;
  }
}

}  // namespace

ImageOrientation exifOrientation(std::span<const std::uint8_t> app1) {
  static constexpr std::uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1.size() < sizeof kExifHeader || std::memcmp(app1.data(), kExifHeader, sizeof kExifHeader) != 0)
    return ImageOrientation::Up;
  std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExifHeader);
  if (tiff.size() < 8) return ImageOrientation::Up;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return ImageOrientation::Up;
  }
  auto u16 = [&](std::size_t at) -> unsigned {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return little ? std::uint32_t(u16(at)) | (std::uint32_t(u16(at + 2)) << 16)
                  : (std::uint32_t(u16(at)) << 16) | std::uint32_t(u16(at + 2));
  };
  if (u16(2) != 42) return ImageOrientation::Up;
  std::uint32_t ifd = u32(4);
  if (ifd > tiff.size() || tiff.size() - ifd < 2) return ImageOrientation::Up;
  unsigned count = u16(ifd);
  for (unsigned i = 0; i < count; ++i) {
    std::size_t entry = ifd + 2 + static_cast<std::size_t>(i) * 12;
    if (entry + 12 > tiff.size()) break;
    // Tag 0x0112 is Orientation: one SHORT held in the first half of the value field.
    if (u16(entry) == 0x0112 && u16(entry + 2) == 3 && u32(entry + 4) >= 1) return fromExif(u16(entry + 8));
  }
  return ImageOrientation::Up;
}

}  // namespace uikit::detail
