// Picture decoding by content: whatever the bytes, the decoder answers a bitmap or
// an error, and never crashes, hangs, reads out of bounds or exits.
#include <uikit/ImageCodec.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto bitmap = uikit::decodeImage({data, size});
  if (bitmap) {
    // Touch the corners, so a bitmap with wrong sides shows up under the sanitizers.
    (void)bitmap->pixel(0, 0);
    (void)bitmap->pixel(bitmap->width() - 1, bitmap->height() - 1);
  }
  return 0;
}
