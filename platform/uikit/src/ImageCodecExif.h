// Reads the orientation tag out of a JPEG's EXIF block, so that camera pictures
// stand upright once decoded.
#pragma once

#include <uikit/Bitmap.h>

#include <cstdint>
#include <span>

namespace uikit::detail {

// The orientation recorded in an APP1 segment's payload ("Exif\0\0" then a TIFF
// block); Up when the payload is not EXIF, carries no orientation, or is damaged.
ImageOrientation exifOrientation(std::span<const std::uint8_t> app1);

}  // namespace uikit::detail
