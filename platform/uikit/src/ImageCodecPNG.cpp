// PNG through libpng.  Reading uses libpng's full interface, which reports a fatal
// error by longjmp to the setjmp in decodeInto; as in the JPEG codec, that function
// keeps no locals with destructors and holds everything that owns memory in a state
// object of its caller.  Samples are taken as stored (16-bit reduced to their high
// byte, no gamma applied), as the device shows them.  Writing uses the simplified
// interface, which keeps its own longjmp inside libpng.
#include <uikit/ImageCodec.h>

#include <bit>
#include <cstring>
#include <optional>
#include <string>

#include <png.h>

namespace uikit {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

std::string imageMessage(const png_image& image) { return image.message[0] ? image.message : "unknown error"; }

struct ReadState {
  std::span<const std::uint8_t> input;
  std::size_t offset = 0;
  std::optional<Bitmap> bitmap;
  std::vector<png_bytep> rows;
  char message[200] = {};
  std::string error;
};

void readBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
  if (state->input.size() - state->offset < length) png_error(png, "truncated PNG data");
  std::memcpy(out, state->input.data() + state->offset, length);
  state->offset += length;
}

[[noreturn]] void readError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ReadState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "unknown error");
  png_longjmp(png, 1);
}

void readWarning(png_structp, png_const_charp) {}

bool decodeInto(png_structp png, png_infop info, ReadState* state) {
  if (setjmp(png_jmpbuf(png))) {
    state->error = state->message;
    return false;
  }
  png_set_read_fn(png, state, readBytes);
  png_set_user_limits(png, Bitmap::kMaxSide, Bitmap::kMaxSide);
  png_read_info(png, info);
  const png_byte colourType = png_get_color_type(png, info);
  const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  // Every layout becomes 8-bit colour with alpha in cairo's word order.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  if (!alpha) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  if (kLittleEndian) {
    png_set_bgr(png);
  } else {
    png_set_swap_alpha(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) {
    state->error = "unexpected PNG row layout";
    return false;
  }
  auto made = Bitmap::create(static_cast<int>(width), static_cast<int>(height));
  if (!made) {
    state->error = made.error().message;
    return false;
  }
  state->bitmap.emplace(std::move(*made));
  state->rows.resize(height);
  std::uint8_t* pixels = state->bitmap->data();
  for (png_uint_32 y = 0; y < height; ++y)
    state->rows[y] = pixels + static_cast<std::size_t>(y) * state->bitmap->stride();
  png_read_image(png, state->rows.data());
  // Reading on to the end chunk notices a file cut after the pixel data.
  png_read_end(png, nullptr);
  return true;
}

void premultiplyInPlace(Bitmap& bitmap) {
  std::uint8_t* pixels = bitmap.data();
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * bitmap.stride();
    for (int x = 0; x < bitmap.width(); ++x) {
      std::uint32_t word;
      std::memcpy(&word, row + 4 * x, 4);
      const std::uint32_t a = word >> 24;
      if (a == 255) continue;
      auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      word = (a << 24) | (pre((word >> 16) & 0xff) << 16) | (pre((word >> 8) & 0xff) << 8) | pre(word & 0xff);
      std::memcpy(row + 4 * x, &word, 4);
    }
  }
  bitmap.markDirty();
}

}  // namespace

objc::Result<Bitmap> decodePNG(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return objc::makeError("no PNG data");
  ReadState state;
  state.input = bytes;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, readError, readWarning);
  if (png == nullptr) return objc::makeError("cannot start the PNG reader");
  png_infop info = png_create_info_struct(png);
  const bool ok = info != nullptr && decodeInto(png, info, &state);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) return objc::makeError("cannot decode PNG: " + (state.error.empty() ? std::string("no memory") : state.error));
  premultiplyInPlace(*state.bitmap);
  return std::move(*state.bitmap);
}

objc::Result<std::vector<std::uint8_t>> encodePNG(const Bitmap& bitmap) {
  if (bitmap.width() <= 0 || bitmap.height() <= 0) return objc::makeError("cannot encode an empty bitmap");
  const bool alpha = !bitmap.opaque();
  const int channels = alpha ? 4 : 3;
  const std::size_t rowBytes = static_cast<std::size_t>(bitmap.width()) * channels;
  std::vector<std::uint8_t> straight(rowBytes * bitmap.height());
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint8_t* out = straight.data() + rowBytes * y;
    for (int x = 0; x < bitmap.width(); ++x) {
      Rgba p = bitmap.pixel(x, y);
      *out++ = p.r;
      *out++ = p.g;
      *out++ = p.b;
      if (alpha) *out++ = p.a;
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.width());
  image.height = static_cast<png_uint_32>(bitmap.height());
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  const auto stride = static_cast<png_int_32>(rowBytes);
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, straight.data(), stride, nullptr))
    return objc::makeError("cannot encode PNG: " + imageMessage(image));
  std::vector<std::uint8_t> encoded(size);
  if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, straight.data(), stride, nullptr))
    return objc::makeError("cannot encode PNG: " + imageMessage(image));
  encoded.resize(size);
  return encoded;
}

}  // namespace uikit
