// Bitmaps and the picture codecs: decoding by content, PNG variants written by an
// independent encoder (tests/data/images/make_images.py), JPEG variants written with
// libjpeg directly, EXIF orientation, damaged data refused without a crash, JPEGs
// decoded small for a small box, and shrinking by area averaging.
#include <uikit/Bitmap.h>
#include <uikit/ImageCodec.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

using uikit::Bitmap;
using uikit::Rgba;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readTestFile(const char* name) {
  std::ifstream in(testing_support::testDataDir() / "images" / name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Channel-wise closeness, for lossy JPEG.
::testing::AssertionResult near(Rgba actual, Rgba expected, int tolerance) {
  auto off = [&](int a, int b) { return std::abs(a - b) > tolerance; };
  if (off(actual.r, expected.r) || off(actual.g, expected.g) || off(actual.b, expected.b) ||
      off(actual.a, expected.a))
    return ::testing::AssertionFailure() << "got (" << +actual.r << "," << +actual.g << "," << +actual.b << ","
                                         << +actual.a << ") expected (" << +expected.r << "," << +expected.g << ","
                                         << +expected.b << "," << +expected.a << ")";
  return ::testing::AssertionSuccess();
}

// Four flat quadrants, big enough that JPEG blocks stay flat inside each.
Bitmap quadrants(int w, int h) {
  Bitmap b = Bitmap::create(w, h).value();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool right = x >= w / 2, bottom = y >= h / 2;
      b.setPixel(x, y, !bottom ? (right ? Rgba{0, 255, 0, 255} : Rgba{255, 0, 0, 255})
                               : (right ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 255, 255}));
    }
  return b;
}

// A JPEG written by libjpeg from raw samples (components per pixel as given).
Bytes libjpegFile(int w, int h, int components, J_COLOR_SPACE space, bool progressive,
                  const std::vector<JSAMPLE>& samples) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    auto* row = const_cast<JSAMPLE*>(samples.data() + c.next_scanline * w * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

// An APP1 EXIF segment (big-endian TIFF) holding only an orientation tag.
Bytes exifSegment(int orientation) {
  Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8,  // header, IFD0 at 8
                0, 1,                          // one entry
                0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<std::uint8_t>(orientation), 0, 0,
                0, 0, 0, 0};  // no next IFD
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  const std::size_t length = payload.size() + 2;
  Bytes segment = {0xff, 0xe1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  return segment;
}

}  // namespace

TEST(BitmapTest, PixelsArePremultipliedInsideAndStraightOutside) {
  Bitmap b = Bitmap::create(2, 1).value();
  EXPECT_EQ(b.pixel(0, 0), (Rgba{0, 0, 0, 0}));  // starts transparent
  b.setPixel(1, 0, {200, 100, 50, 128});
  EXPECT_TRUE(near(b.pixel(1, 0), {200, 100, 50, 128}, 1));
  std::uint32_t word;
  std::memcpy(&word, b.data() + 4, 4);
  EXPECT_EQ(word >> 24, 128u);
  EXPECT_NEAR(static_cast<int>((word >> 16) & 0xff), 100, 1);  // 200 × 128/255
  EXPECT_EQ(b.pixel(2, 0), (Rgba{}));                           // outside reads as nothing
  EXPECT_EQ(b.pixel(-1, 0), (Rgba{}));

  Bitmap opaque = Bitmap::create(1, 1, true).value();
  EXPECT_EQ(opaque.pixel(0, 0), (Rgba{0, 0, 0, 255}));
  auto copy = opaque.copy();
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->opaque());

  EXPECT_FALSE(Bitmap::create(0, 5));
  EXPECT_FALSE(Bitmap::create(5, -1));
  EXPECT_FALSE(Bitmap::create(Bitmap::kMaxSide + 1, 1));
  EXPECT_FALSE(Bitmap::create(20000, 20000));  // within the side limit, beyond the pixel budget
}

TEST(ImageCodecTest, FormatComesFromTheBytes) {
  Bytes jpeg = uikit::encodeJPEG(quadrants(16, 16), 0.9).value();
  Bytes png = uikit::encodePNG(quadrants(16, 16)).value();
  EXPECT_EQ(uikit::sniffImageFormat(jpeg), uikit::ImageFormat::JPEG);
  EXPECT_EQ(uikit::sniffImageFormat(png), uikit::ImageFormat::PNG);
  Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'p', 'n', 'g'};
  EXPECT_EQ(uikit::sniffImageFormat(text), uikit::ImageFormat::Unknown);
  EXPECT_FALSE(uikit::decodeImage(text));
  EXPECT_FALSE(uikit::decodeImage({}));
  // The generic decoder hands each format to its own codec.
  EXPECT_TRUE(near(uikit::decodeImage(jpeg)->pixel(12, 12), {255, 255, 255, 255}, 4));
  EXPECT_EQ(uikit::decodeImage(png)->pixel(12, 2), (Rgba{0, 255, 0, 255}));
}

TEST(ImageCodecTest, PngVariantsFromAnIndependentWriter) {
  auto palette = uikit::decodeImage(readTestFile("palette_trns.png"));
  ASSERT_TRUE(palette) << palette.error().message;
  EXPECT_EQ(palette->pixel(0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(palette->pixel(1, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(palette->pixel(0, 1), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(palette->pixel(1, 1).a, 0);

  auto gray = uikit::decodeImage(readTestFile("gray16.png"));
  ASSERT_TRUE(gray) << gray.error().message;
  ASSERT_EQ(gray->width(), 3);
  EXPECT_EQ(gray->pixel(0, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_TRUE(near(gray->pixel(1, 0), {128, 128, 128, 255}, 1));
  EXPECT_EQ(gray->pixel(2, 0), (Rgba{255, 255, 255, 255}));

  auto interlaced = uikit::decodeImage(readTestFile("rgba_interlaced.png"));
  ASSERT_TRUE(interlaced) << interlaced.error().message;
  ASSERT_EQ(interlaced->width(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Rgba expected{static_cast<std::uint8_t>(x * 32), static_cast<std::uint8_t>(y * 32), 200,
                    static_cast<std::uint8_t>(255 - 32 * x)};
      // Premultiplied storage loses a little precision at low alpha.
      ASSERT_TRUE(near(interlaced->pixel(x, y), expected, 4)) << "at " << x << "," << y;
    }
}

TEST(ImageCodecTest, PngRoundTripKeepsAlphaAndOpaqueBitmapsDropIt) {
  Bitmap b = Bitmap::create(3, 2).value();
  b.setPixel(0, 0, {10, 20, 30, 255});
  b.setPixel(1, 0, {255, 0, 0, 128});
  auto back = uikit::decodePNG(uikit::encodePNG(b).value());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixel(0, 0), (Rgba{10, 20, 30, 255}));
  EXPECT_TRUE(near(back->pixel(1, 0), {255, 0, 0, 128}, 1));
  EXPECT_EQ(back->pixel(2, 1).a, 0);
  auto opaque = Bitmap::create(2, 2, true);
  auto fromOpaque = uikit::decodePNG(uikit::encodePNG(*opaque).value());
  EXPECT_EQ(fromOpaque->pixel(1, 1), (Rgba{0, 0, 0, 255}));
}

TEST(ImageCodecTest, JpegRoundTripAndQuality) {
  Bitmap source = quadrants(64, 32);
  auto best = uikit::encodeJPEG(source, 1.0);
  auto worst = uikit::encodeJPEG(source, 0.0);
  ASSERT_TRUE(best);
  ASSERT_TRUE(worst);
  EXPECT_LT(worst->size(), best->size());
  auto back = uikit::decodeJPEG(*best);
  ASSERT_TRUE(back) << back.error().message;
  ASSERT_EQ(back->width(), 64);
  ASSERT_EQ(back->height(), 32);
  EXPECT_TRUE(near(back->pixel(8, 8), {255, 0, 0, 255}, 3));
  EXPECT_TRUE(near(back->pixel(50, 8), {0, 255, 0, 255}, 3));
  EXPECT_TRUE(near(back->pixel(8, 24), {0, 0, 255, 255}, 3));
  EXPECT_TRUE(near(back->pixel(50, 24), {255, 255, 255, 255}, 3));

  // No alpha in JPEG: transparent areas come out black.
  Bitmap clear = Bitmap::create(16, 16).value();
  EXPECT_TRUE(near(uikit::decodeJPEG(uikit::encodeJPEG(clear, 1.0).value())->pixel(4, 4), {0, 0, 0, 255}, 2));
}

TEST(ImageCodecTest, JpegVariantsWrittenByLibjpeg) {
  const int w = 16, h = 16;
  std::vector<JSAMPLE> gray(w * h);
  for (int i = 0; i < w * h; ++i) gray[i] = i % w < 8 ? 40 : 220;
  auto g = uikit::decodeJPEG(libjpegFile(w, h, 1, JCS_GRAYSCALE, false, gray));
  ASSERT_TRUE(g) << g.error().message;
  EXPECT_TRUE(near(g->pixel(2, 2), {40, 40, 40, 255}, 3));
  EXPECT_TRUE(near(g->pixel(13, 2), {220, 220, 220, 255}, 3));

  std::vector<JSAMPLE> rgb(w * h * 3);
  for (int i = 0; i < w * h; ++i) rgb[3 * i] = 250, rgb[3 * i + 1] = 120, rgb[3 * i + 2] = 10;
  auto p = uikit::decodeJPEG(libjpegFile(w, h, 3, JCS_RGB, true, rgb));
  ASSERT_TRUE(p) << p.error().message;
  EXPECT_TRUE(near(p->pixel(7, 7), {250, 120, 10, 255}, 4));

  // libjpeg marks CMYK with Adobe's convention, inverted (255 = no ink): full cyan
  // ink alone is 0, 255, 255, 255.
  std::vector<JSAMPLE> cmyk(w * h * 4, 255);
  for (int i = 0; i < w * h; ++i) cmyk[4 * i] = 0;
  auto k = uikit::decodeJPEG(libjpegFile(w, h, 4, JCS_CMYK, false, cmyk));
  ASSERT_TRUE(k) << k.error().message;
  EXPECT_TRUE(near(k->pixel(5, 5), {0, 255, 255, 255}, 4));
}

TEST(ImageCodecTest, ExifOrientationTurnsThePictureUpright) {
  // Stored 32 × 16: red on the left half, green on the right.
  Bitmap stored = Bitmap::create(32, 16).value();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) stored.setPixel(x, y, x < 16 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255});
  Bytes plain = uikit::encodeJPEG(stored, 1.0).value();
  auto withOrientation = [&](int o) {
    Bytes out(plain.begin(), plain.begin() + 2);  // SOI
    Bytes app1 = exifSegment(o);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), plain.begin() + 2, plain.end());
    return uikit::decodeJPEG(out);
  };
  // 6: turn clockwise to view: the stored left (red) ends on top.
  auto right = withOrientation(6);
  ASSERT_TRUE(right) << right.error().message;
  ASSERT_EQ(right->width(), 16);
  ASSERT_EQ(right->height(), 32);
  EXPECT_TRUE(near(right->pixel(8, 4), {255, 0, 0, 255}, 4));
  EXPECT_TRUE(near(right->pixel(8, 28), {0, 255, 0, 255}, 4));
  // 8: turn anticlockwise: the stored left ends at the bottom.
  auto left = withOrientation(8);
  EXPECT_TRUE(near(left->pixel(8, 28), {255, 0, 0, 255}, 4));
  // 2: mirrored left to right, sides kept.
  auto mirrored = withOrientation(2);
  ASSERT_EQ(mirrored->width(), 32);
  EXPECT_TRUE(near(mirrored->pixel(4, 8), {0, 255, 0, 255}, 4));
  // 1 and nonsense values leave the picture as stored.
  EXPECT_TRUE(near(withOrientation(1)->pixel(4, 8), {255, 0, 0, 255}, 4));
  EXPECT_TRUE(near(withOrientation(77)->pixel(4, 8), {255, 0, 0, 255}, 4));
}

TEST(ImageCodecTest, DamagedDataIsRefusedNeverFatal) {
  Bytes jpeg = uikit::encodeJPEG(quadrants(64, 64), 0.8).value();
  // Cut inside the headers, inside the scan, and just before the end marker.
  for (std::size_t keep : {std::size_t{20}, jpeg.size() / 2, jpeg.size() - 2}) {
    Bytes cut(jpeg.begin(), jpeg.begin() + keep);
    EXPECT_FALSE(uikit::decodeImage(cut)) << "kept " << keep << " of " << jpeg.size();
  }
  // A frame header claiming 40000 × 40000 is refused before anything is allocated.
  Bytes huge = jpeg;
  for (std::size_t i = 2; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xff && huge[i + 1] == 0xc0) {
      huge[i + 5] = huge[i + 7] = 0x9c;
      huge[i + 6] = huge[i + 8] = 0x40;
      break;
    }
  auto tooBig = uikit::decodeImage(huge);
  ASSERT_FALSE(tooBig);
  EXPECT_NE(tooBig.error().message.find("too large"), std::string::npos) << tooBig.error().message;
  // Scrambled entropy-coded data.
  Bytes scrambled = jpeg;
  for (std::size_t i = scrambled.size() / 3; i < scrambled.size() - 2; i += 7) scrambled[i] = 0xff;
  EXPECT_FALSE(uikit::decodeImage(scrambled));

  Bytes png = uikit::encodePNG(quadrants(32, 32)).value();
  EXPECT_FALSE(uikit::decodeImage(Bytes(png.begin(), png.begin() + png.size() - 20)));
  Bytes badCrc = png;
  badCrc[29] ^= 0x5a;  // the IHDR chunk's checksum
  EXPECT_FALSE(uikit::decodeImage(badCrc));
}

TEST(ImageCodecTest, AJpegForASmallBoxDecodesAtTheSmallestScaleThatCoversIt) {
  const Bytes jpeg = uikit::encodeJPEG(quadrants(1280, 1920), 0.9).value();
  auto sizeFor = [&](int w, int h) {
    auto b = uikit::decodeImageCovering(jpeg, w, h);
    EXPECT_TRUE(b) << b.error().message;
    return b ? std::pair{b->width(), b->height()} : std::pair{0, 0};
  };
  EXPECT_EQ(sizeFor(640, 960), (std::pair{640, 960}));     // 1/2 exactly
  EXPECT_EQ(sizeFor(641, 960), (std::pair{1280, 1920}));   // 1/2 falls short by one pixel: whole
  EXPECT_EQ(sizeFor(640, 1136), (std::pair{1280, 1920}));  // a box 1/2 cannot fill
  EXPECT_EQ(sizeFor(320, 480), (std::pair{320, 480}));     // 1/4
  EXPECT_EQ(sizeFor(100, 100), (std::pair{160, 240}));     // 1/8 is the smallest there is
  EXPECT_EQ(sizeFor(0, 0), (std::pair{1280, 1920}));       // no box: whole
  // The colours land where they belong at every scale.
  auto small = uikit::decodeImageCovering(jpeg, 100, 100).value();
  EXPECT_TRUE(near(small.pixel(40, 60), {255, 0, 0, 255}, 6));
  EXPECT_TRUE(near(small.pixel(120, 180), {255, 255, 255, 255}, 6));
  // A picture stored on its side counts upright: 1920 × 1280 stored, 1280 × 1920 shown.
  Bytes side = uikit::encodeJPEG(quadrants(1920, 1280), 0.9).value();
  Bytes app1 = exifSegment(6);
  side.insert(side.begin() + 2, app1.begin(), app1.end());
  EXPECT_EQ(uikit::imagePixelSize(side)->width, 1280);
  auto turned = uikit::decodeImageCovering(side, 640, 960);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->width(), 640);
  EXPECT_EQ(turned->height(), 960);
  // Damaged data is refused at any scale, as whole decoding refuses it.
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
  EXPECT_FALSE(uikit::decodeImageCovering(cut, 100, 100));
  EXPECT_FALSE(uikit::decodeImageFitting(cut, 100, 100));
}

TEST(ImageCodecTest, FittingGivesThePicturesShapeInsideTheBoxNeverLarger) {
  const Bytes jpeg = uikit::encodeJPEG(quadrants(1280, 1920), 0.9).value();
  auto fitted = uikit::decodeImageFitting(jpeg, 640, 1136);
  ASSERT_TRUE(fitted) << fitted.error().message;
  EXPECT_EQ(fitted->width(), 640);
  EXPECT_EQ(fitted->height(), 960);
  EXPECT_TRUE(near(fitted->pixel(100, 100), {255, 0, 0, 255}, 6));
  EXPECT_TRUE(near(fitted->pixel(540, 860), {255, 255, 255, 255}, 6));
  // Not a whole-number factor: decoded whole, then shrunk.
  auto odd = uikit::decodeImageFitting(jpeg, 500, 1000);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->width(), 500);
  EXPECT_EQ(odd->height(), 750);
  EXPECT_TRUE(near(odd->pixel(300, 100), {0, 255, 0, 255}, 6));
  // A PNG, and a picture smaller than the box, which keeps its size.
  const Bytes png = uikit::encodePNG(quadrants(300, 100)).value();
  EXPECT_EQ(uikit::imagePixelSize(png)->height, 100);
  auto wide = uikit::decodeImageFitting(png, 150, 150);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->width(), 150);
  EXPECT_EQ(wide->height(), 50);
  auto kept = uikit::decodeImageFitting(png, 1000, 1000);
  EXPECT_EQ(kept->width(), 300);
  EXPECT_FALSE(uikit::decodeImageFitting(png, 0, 10));
  EXPECT_FALSE(uikit::imagePixelSize(Bytes{1, 2, 3}));
}

TEST(BitmapTest, ShrinkingAveragesTheAreaEachPixelCovers) {
  // One pixel wide stripes, black and white: any shrink by two averages to grey;
  // a filter that picked pixels would show stripes or one colour.
  Bitmap stripes = Bitmap::create(400, 300).value();
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) stripes.setPixel(x, y, x % 2 ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255});
  Bitmap half = uikit::shrunkBitmap(stripes, 200, 150).value();
  for (int x = 0; x < 200; x += 13) EXPECT_TRUE(near(half.pixel(x, 70), {128, 128, 128, 255}, 1)) << x;
  // A factor that is not a whole number: each pixel is the exact share of white in
  // the stretch of stripes it covers.
  Bitmap odd = uikit::shrunkBitmap(stripes, 61, 47).value();
  const double step = 400.0 / 61;
  for (int x = 0; x < 61; x += 5) {
    double white = 0;
    for (int i = 0; i < 400; ++i) {
      const double overlap = std::min<double>(i + 1, (x + 1) * step) - std::max<double>(i, x * step);
      if (overlap > 0 && i % 2) white += overlap;
    }
    const int grey = static_cast<int>(std::lround(255 * white / step));
    EXPECT_TRUE(near(odd.pixel(x, 20), {static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                                        static_cast<std::uint8_t>(grey), 255}, 3)) << x;
  }
  // One colour stays exactly that colour; transparency averages in premultiplied
  // colour, so a half-covered pixel is red at half alpha, not darkened.
  Bitmap flat = Bitmap::create(97, 31).value();
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 97; ++x) flat.setPixel(x, y, x % 2 ? Rgba{201, 99, 3, 255} : Rgba{201, 99, 3, 255});
  Bitmap flatSmall = uikit::shrunkBitmap(flat, 13, 5).value();
  for (int x = 0; x < 13; ++x) EXPECT_EQ(flatSmall.pixel(x, 2), (Rgba{201, 99, 3, 255}));
  Bitmap redAndClear = Bitmap::create(4, 2).value();
  for (int x = 0; x < 4; x += 2) redAndClear.setPixel(x, 0, {255, 0, 0, 255}), redAndClear.setPixel(x, 1, {255, 0, 0, 255});
  EXPECT_TRUE(near(uikit::shrunkBitmap(redAndClear, 2, 1)->pixel(0, 0), {255, 0, 0, 128}, 2));
  // The left half stays left: a picture black on its left, white on its right.
  Bitmap halves = Bitmap::create(64, 8).value();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x) halves.setPixel(x, y, x < 32 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255});
  Bitmap quarter = uikit::shrunkBitmap(halves, 16, 2).value();
  EXPECT_EQ(quarter.pixel(7, 0).r, 0);
  EXPECT_EQ(quarter.pixel(8, 0).r, 255);
  // Never enlarges; sides below 1 become 1.
  EXPECT_EQ(uikit::shrunkBitmap(halves, 500, 500)->width(), 64);
  EXPECT_EQ(uikit::shrunkBitmap(halves, 0, -3)->height(), 1);
}
