// UIImageJPEGRepresentation and UIImagePNGRepresentation: a picture's pixels
// encoded as NSData.
#include "UIImageInternal.h"

#include <uikit/ImageCodec.h>

#include <foundation/NSData.h>

extern "C" {

id UIImageJPEGRepresentation(id image, CGFloat quality) {
  uikit::SharedBitmap pixels = uikit::bitmapOf(image);
  if (!pixels) return nil;
  auto bytes = uikit::encodeJPEG(*pixels, quality);
  return bytes ? ns::data(std::span<const std::uint8_t>(*bytes)) : nil;
}

id UIImagePNGRepresentation(id image) {
  uikit::SharedBitmap pixels = uikit::bitmapOf(image);
  if (!pixels) return nil;
  auto bytes = uikit::encodePNG(*pixels);
  return bytes ? ns::data(std::span<const std::uint8_t>(*bytes)) : nil;
}

}  // extern "C"
