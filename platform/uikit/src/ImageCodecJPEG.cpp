// JPEG through libjpeg-turbo.  libjpeg reports a fatal error by calling error_exit,
// which by default prints and calls exit(); here it jumps back (longjmp) to the
// function that started the work.  Those functions keep only trivially destructible
// locals between setjmp and the end of the library calls, and hold everything that
// owns memory in a state object of their caller, so the jump skips no destructor.
//
// Damaged data that libjpeg would only warn about (a premature end of file, a bad
// Huffman code, a data segment cut short) is treated as fatal too: a truncated
// picture is refused rather than shown half grey.
#include <uikit/ImageCodec.h>

#include "ImageCodecExif.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace uikit {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg hands back a pointer to it
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};
static_assert(offsetof(ErrorManager, pub) == 0, "libjpeg's error pointer must be the manager's address");

[[noreturn]] void errorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

// Warnings (level -1) that mean damaged data end the work; harmless ones and trace
// messages (level >= 0) are dropped.  Nothing is ever printed.
void emitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  switch (cinfo->err->msg_code) {
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
    case JWRN_EXTRANEOUS_DATA:
      cinfo->err->num_warnings++;
      return;
    default:
      errorExit(cinfo);
  }
}

void outputMessage(j_common_ptr) {}

void installErrorManager(ErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = errorExit;
  manager.pub.emit_message = emitMessage;
  manager.pub.output_message = outputMessage;
  manager.message[0] = '\0';
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
// cairo's 0xAARRGGBB word as bytes in memory.
constexpr J_COLOR_SPACE kWordWithAlpha = kLittleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kWordIgnoringAlpha = kLittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Everything the decoder owns lives here, in the frame that survives a longjmp.
struct DecodeState {
  // The upright size the picture will be drawn at, or 0 × 0: decode whole.
  int coverWidth = 0;
  int coverHeight = 0;
  std::optional<Bitmap> bitmap;
  std::vector<JSAMPLE> cmykRow;
  std::string error;
  ImageOrientation orientation = ImageOrientation::Up;

  bool allocate(JDIMENSION width, JDIMENSION height) {
    if (width > static_cast<JDIMENSION>(Bitmap::kMaxSide) || height > static_cast<JDIMENSION>(Bitmap::kMaxSide)) {
      error = "JPEG of " + std::to_string(width) + " x " + std::to_string(height) + " is too large";
      return false;
    }
    auto made = Bitmap::create(static_cast<int>(width), static_cast<int>(height));
    if (!made) {
      error = made.error().message;
      return false;
    }
    bitmap.emplace(std::move(*made));
    return true;
  }
};

void storeCmykRow(const JSAMPLE* cmyk, std::uint8_t* row, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x) {
    unsigned c = cmyk[4 * x], m = cmyk[4 * x + 1], yel = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    // Adobe writes CMYK inverted (255 = no ink); plain CMYK counts ink.
    if (!inverted) c = 255 - c, m = 255 - m, yel = 255 - yel, k = 255 - k;
    std::uint32_t word = 0xff000000u | ((c * k / 255) << 16) | ((m * k / 255) << 8) | (yel * k / 255);
    std::memcpy(row + 4 * x, &word, 4);
  }
}

// The DCT scaling for a picture that will be drawn at the state's cover size: the
// smallest of 1/8, 1/4 and 1/2 whose output still covers that size on both sides, so
// the final scale only ever shrinks.  Other eighths are not used: libjpeg-turbo has
// no vector code for them, and they decode slower than the whole picture does.
void chooseScale(jpeg_decompress_struct* cinfo, const DecodeState* state) {
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  if (state->coverWidth <= 0 || state->coverHeight <= 0) return;
  // The stored picture lies on its side when the EXIF orientation turns it a quarter.
  const auto o = state->orientation;
  const bool onItsSide = o == ImageOrientation::Left || o == ImageOrientation::Right ||
                         o == ImageOrientation::LeftMirrored || o == ImageOrientation::RightMirrored;
  const long wantWidth = onItsSide ? state->coverHeight : state->coverWidth;
  const long wantHeight = onItsSide ? state->coverWidth : state->coverHeight;
  for (unsigned denominator : {8u, 4u, 2u}) {
    const long width = (static_cast<long>(cinfo->image_width) + denominator - 1) / denominator;
    const long height = (static_cast<long>(cinfo->image_height) + denominator - 1) / denominator;
    if (width >= wantWidth && height >= wantHeight) {
      cinfo->scale_denom = denominator;
      return;
    }
  }
}

bool decodeInto(jpeg_decompress_struct* cinfo, ErrorManager* errors, std::span<const std::uint8_t> bytes,
                DecodeState* state) {
  if (setjmp(errors->jump)) {
    state->error = errors->message;
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(cinfo, TRUE);
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1) {
      state->orientation = detail::exifOrientation({m->data, m->data_length});
      break;
    }
  }
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : kWordWithAlpha;
  // The size is known from the header: refuse a hostile one before libjpeg
  // allocates anything for it.
  if (cinfo->image_width > static_cast<JDIMENSION>(Bitmap::kMaxSide) ||
      cinfo->image_height > static_cast<JDIMENSION>(Bitmap::kMaxSide) ||
      static_cast<std::int64_t>(cinfo->image_width) * cinfo->image_height > Bitmap::kMaxPixels) {
    state->error = "JPEG of " + std::to_string(cinfo->image_width) + " x " + std::to_string(cinfo->image_height) +
                   " is too large";
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  chooseScale(cinfo, state);
  jpeg_calc_output_dimensions(cinfo);
  if (!state->allocate(cinfo->output_width, cinfo->output_height)) {
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  const JDIMENSION expectedWidth = cinfo->output_width, expectedHeight = cinfo->output_height;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != expectedWidth || cinfo->output_height != expectedHeight) {
    state->error = "JPEG output size differs from its header";
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  if (cmyk) state->cmykRow.resize(static_cast<std::size_t>(cinfo->output_width) * 4);
  std::uint8_t* pixels = state->bitmap->data();
  const int stride = state->bitmap->stride();
  while (cinfo->output_scanline < cinfo->output_height) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(cinfo->output_scanline) * stride;
    JSAMPROW target = cmyk ? state->cmykRow.data() : row;
    if (jpeg_read_scanlines(cinfo, &target, 1) != 1) break;
    if (cmyk) storeCmykRow(state->cmykRow.data(), row, cinfo->output_width, cinfo->saw_Adobe_marker);
  }
  // finish_decompress reads up to the end marker, so a file cut after the last
  // scanline is noticed too.
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  // The rows were written behind cairo's back: without this it still takes the new
  // surface for clear and skips drawing it.
  state->bitmap->markDirty();
  return true;
}

// The header alone: the stored size and the EXIF orientation.
bool readHeaderInto(jpeg_decompress_struct* cinfo, ErrorManager* errors, std::span<const std::uint8_t> bytes,
                    DecodeState* state, JDIMENSION* width, JDIMENSION* height) {
  if (setjmp(errors->jump)) {
    state->error = errors->message;
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(cinfo, TRUE);
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1) {
      state->orientation = detail::exifOrientation({m->data, m->data_length});
      break;
    }
  }
  *width = cinfo->image_width;
  *height = cinfo->image_height;
  jpeg_destroy_decompress(cinfo);
  return true;
}

// The compressed bytes grow in a vector of the caller's frame.
struct VectorDestination {
  jpeg_destination_mgr pub;  // first: libjpeg hands back a pointer to it
  std::vector<std::uint8_t>* out;
};
static_assert(offsetof(VectorDestination, pub) == 0, "libjpeg's destination pointer must be the manager's address");

bool grow(std::vector<std::uint8_t>& out, std::size_t size) {
  try {
    out.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void initDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  if (!grow(*dest->out, 64 * 1024)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->out->data();
  dest->pub.free_in_buffer = dest->out->size();
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const std::size_t used = dest->out->size();
  if (!grow(*dest->out, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->out->data() + used;
  dest->pub.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct EncodeState {
  std::vector<std::uint8_t> bytes;
  VectorDestination destination{};
  std::string error;
};

bool encodeInto(jpeg_compress_struct* cinfo, ErrorManager* errors, const Bitmap* bitmap, int quality,
                EncodeState* state) {
  if (setjmp(errors->jump)) {
    state->error = errors->message;
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_create_compress(cinfo);
  state->destination.out = &state->bytes;
  state->destination.pub.init_destination = initDestination;
  state->destination.pub.empty_output_buffer = emptyOutputBuffer;
  state->destination.pub.term_destination = termDestination;
  cinfo->dest = &state->destination.pub;
  cinfo->image_width = static_cast<JDIMENSION>(bitmap->width());
  cinfo->image_height = static_cast<JDIMENSION>(bitmap->height());
  cinfo->input_components = 4;
  // The colour bytes are premultiplied, so ignoring alpha composes over black.
  cinfo->in_color_space = kWordIgnoringAlpha;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  if (quality >= 90) {
    // Full-resolution colour at high quality, so a stored picture keeps fine detail.
    for (int i = 0; i < cinfo->num_components; ++i)
      cinfo->comp_info[i].h_samp_factor = cinfo->comp_info[i].v_samp_factor = 1;
  }
  jpeg_start_compress(cinfo, TRUE);
  // libjpeg only reads the rows; its interface is not const-qualified.
  auto* pixels = const_cast<std::uint8_t*>(bitmap->data());
  const int stride = bitmap->stride();
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = pixels + static_cast<std::size_t>(cinfo->next_scanline) * stride;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

}  // namespace

objc::Result<Bitmap> decodeJPEG(std::span<const std::uint8_t> bytes) { return decodeJPEGCovering(bytes, 0, 0); }

objc::Result<Bitmap> decodeJPEGCovering(std::span<const std::uint8_t> bytes, int width, int height) {
  if (bytes.empty()) return objc::makeError("no JPEG data");
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  installErrorManager(errors);
  cinfo.err = &errors.pub;
  DecodeState state;
  state.coverWidth = width;
  state.coverHeight = height;
  if (!decodeInto(&cinfo, &errors, bytes, &state)) return objc::makeError("cannot decode JPEG: " + state.error);
  if (state.orientation != ImageOrientation::Up) return orientedBitmap(*state.bitmap, state.orientation);
  return std::move(*state.bitmap);
}

objc::Result<PixelSize> jpegPixelSize(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return objc::makeError("no JPEG data");
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  installErrorManager(errors);
  cinfo.err = &errors.pub;
  DecodeState state;
  JDIMENSION width = 0, height = 0;
  if (!readHeaderInto(&cinfo, &errors, bytes, &state, &width, &height))
    return objc::makeError("cannot read JPEG header: " + state.error);
  const auto o = state.orientation;
  const bool onItsSide = o == ImageOrientation::Left || o == ImageOrientation::Right ||
                         o == ImageOrientation::LeftMirrored || o == ImageOrientation::RightMirrored;
  PixelSize size{static_cast<int>(std::min<JDIMENSION>(width, INT32_MAX)),
                 static_cast<int>(std::min<JDIMENSION>(height, INT32_MAX))};
  if (onItsSide) std::swap(size.width, size.height);
  return size;
}

objc::Result<std::vector<std::uint8_t>> encodeJPEG(const Bitmap& bitmap, double quality) {
  if (bitmap.width() <= 0 || bitmap.height() <= 0) return objc::makeError("cannot encode an empty bitmap");
  if (!(quality >= 0.0)) quality = 0.0;  // also catches NaN
  if (quality > 1.0) quality = 1.0;
  // libjpeg's scale starts at 1; 0.0 asks for the smallest file, as on the device.
  const int libjpegQuality = std::max(1, static_cast<int>(std::lround(quality * 100.0)));
  jpeg_compress_struct cinfo{};
  ErrorManager errors{};
  installErrorManager(errors);
  cinfo.err = &errors.pub;
  EncodeState state;
  if (!encodeInto(&cinfo, &errors, &bitmap, libjpegQuality, &state))
    return objc::makeError("cannot encode JPEG: " + state.error);
  return std::move(state.bytes);
}

}  // namespace uikit
