// Pictures and blur, measured side by side in one run (ratios printed at the end):
//
//   BareDecode/1280x1920, /640x1136  libjpeg-turbo alone decoding a camera-like photo
//                                    (noise and edges, 4:2:0, quality 90) into memory
//   Blur640x1136/5, /20              the three-box blur at sigma 5 and 20 pixels
//   DecodeFit                        the 1280 × 1920 photo decoded for a 640 × 1136
//                                    box (DCT scaling, then the final shrink) and
//                                    centred in a bitmap of the box
//   DecodeFitBlur                    the same, then blurred at sigma 20
//   UIImageFit                       the tweak libraries' path: UIImage from the data
//                                    (a whole decode), drawn fitted into a 320 × 568
//                                    context at 2.0, as ntScaleToCenter: does
//   ScaleIntoScreenContext / ScreenContextWithoutScaling
//                                    a decoded picture stretched into a screen-sized
//                                    context, against the same context filled
#include "RatioReporter.h"

#include <uikit/Blur.h>
#include <uikit/ImageCodec.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>

#include <foundation/NSData.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>

#include <benchmark/benchmark.h>

#include <cairo.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A photo-like picture: large shapes with hard edges, fine texture and sensor noise,
// which is what makes a camera's JPEG expensive to decode (a smooth gradient is not).
Bytes cameraLikeJpeg(int width, int height) {
  std::vector<JSAMPLE> rgb(static_cast<std::size_t>(width) * height * 3);
  std::mt19937 noise(2024);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool light = ((x * 7 / width) + (y * 11 / height)) % 2 == 0;
      const int base = light ? 170 : 70;
      for (int c = 0; c < 3; ++c) {
        const int texture = ((x / 3 + y / 5 + c * 7) % 9) * 4;
        const int value = base + c * 18 + texture + static_cast<int>(noise() % 31) - 15;
        rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = static_cast<JSAMPLE>(std::clamp(value, 0, 255));
      }
    }
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);  // 4:2:0, as cameras write
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = &rgb[static_cast<std::size_t>(c.next_scanline) * width * 3];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes bytes(out, out + size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return bytes;
}

const Bytes& photo1280x1920() {
  static const Bytes bytes = cameraLikeJpeg(1280, 1920);
  return bytes;
}
const Bytes& photo640x1136() {
  static const Bytes bytes = cameraLikeJpeg(640, 1136);
  return bytes;
}

// libjpeg-turbo on its own: the whole picture into 32-bit pixels in memory.
void bareDecode(const Bytes& jpeg, std::vector<std::uint8_t>& pixels) {
  jpeg_decompress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&c);
  pixels.resize(static_cast<std::size_t>(c.output_width) * c.output_height * 4);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = &pixels[static_cast<std::size_t>(c.output_scanline) * c.output_width * 4];
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
}

void bareDecodeLoop(benchmark::State& state, const Bytes& jpeg) {
  std::vector<std::uint8_t> pixels;
  for (auto _ : state) {
    bareDecode(jpeg, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetLabel(std::to_string(jpeg.size() / 1024) + " KiB");
}
void BM_BareDecode1280x1920(benchmark::State& state) { bareDecodeLoop(state, photo1280x1920()); }
void BM_BareDecode640x1136(benchmark::State& state) { bareDecodeLoop(state, photo640x1136()); }
BENCHMARK(BM_BareDecode1280x1920)->Name("BareDecode/1280x1920")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDecode640x1136)->Name("BareDecode/640x1136")->Unit(benchmark::kMillisecond);

void BM_Blur640x1136(benchmark::State& state) {
  uikit::Bitmap bitmap = uikit::decodeImage(photo640x1136()).value();
  const double sigma = static_cast<double>(state.range(0));
  for (auto _ : state) {
    uikit::blurBitmap(bitmap, sigma, uikit::BlurEdges::Extend);
    benchmark::DoNotOptimize(bitmap.data());
  }
}
BENCHMARK(BM_Blur640x1136)->Name("Blur640x1136")->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);

// The fitted picture centred in a bitmap of the box, as a background picture is.
uikit::Bitmap decodeAndFit(const Bytes& jpeg, int boxWidth, int boxHeight) {
  uikit::Bitmap fitted = uikit::decodeImageFitting(jpeg, boxWidth, boxHeight).value();
  uikit::Bitmap box = uikit::Bitmap::create(boxWidth, boxHeight).value();
  cairo_t* cr = cairo_create(box.surface());
  cairo_set_source_surface(cr, fitted.surface(), (boxWidth - fitted.width()) / 2, (boxHeight - fitted.height()) / 2);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(box.surface());
  return box;
}

void BM_DecodeFit(benchmark::State& state) {
  for (auto _ : state) {
    uikit::Bitmap box = decodeAndFit(photo1280x1920(), 640, 1136);
    benchmark::DoNotOptimize(box.data());
  }
}
BENCHMARK(BM_DecodeFit)->Name("DecodeFit")->Unit(benchmark::kMillisecond);

void BM_DecodeFitBlur(benchmark::State& state) {
  for (auto _ : state) {
    uikit::Bitmap box = decodeAndFit(photo1280x1920(), 640, 1136);
    uikit::blurBitmap(box, 20.0, uikit::BlurEdges::Extend);
    benchmark::DoNotOptimize(box.data());
  }
}
BENCHMARK(BM_DecodeFitBlur)->Name("DecodeFitBlur")->Unit(benchmark::kMillisecond);

void BM_UIImageFit(benchmark::State& state) {
  const Bytes& jpeg = photo1280x1920();
  objc::AutoreleasePool pool;
  objc::Ref data = ns::makeData(jpeg);
  for (auto _ : state) {
    objc::AutoreleasePool perIteration;
    id picture = objc::send<id>(objc::classNamed("UIImage"), objc::sel<"imageWithData:">(), data.get());
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(320, 568), NO, 2.0);
    // 1280 × 1920 into 320 × 568 points: ratio 0.25, drawn 320 × 480 centred.
    objc::send<void>(picture, objc::sel<"drawInRect:">(), CGRectMake(0, 44, 320, 480));
    benchmark::DoNotOptimize(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
  }
}
BENCHMARK(BM_UIImageFit)->Name("UIImageFit")->Unit(benchmark::kMillisecond);

void BM_ScaleIntoScreenContext(benchmark::State& state) {
  objc::AutoreleasePool pool;
  id picture = objc::retain(uikit::makeImage(
      std::make_shared<const uikit::Bitmap>(uikit::decodeImage(photo1280x1920()).value()), 1.0));
  for (auto _ : state) {
    objc::AutoreleasePool perIteration;
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(320, 568), NO, 2.0);
    objc::send<void>(picture, objc::sel<"drawInRect:">(), CGRectMake(0, 0, 320, 568));
    benchmark::DoNotOptimize(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
  }
  objc::release(picture);
}
BENCHMARK(BM_ScaleIntoScreenContext)->Name("ScaleIntoScreenContext")->Unit(benchmark::kMillisecond);

// The floor for the line above: the same context, filled and copied out.
void BM_ScreenContextWithoutScaling(benchmark::State& state) {
  for (auto _ : state) {
    objc::AutoreleasePool perIteration;
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(320, 568), NO, 2.0);
    UIRectFill(CGRectMake(0, 0, 320, 568));
    benchmark::DoNotOptimize(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
  }
}
BENCHMARK(BM_ScreenContextWithoutScaling)->Name("ScreenContextWithoutScaling")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.heading("Ratios (time of the first over the second):");
  reporter.ratio("blur sigma 20 / sigma 5", "Blur640x1136/20", "Blur640x1136/5", 1.2);
  reporter.ratio("blur 640x1136 sigma 20 / bare decode of a 640x1136 photo", "Blur640x1136/20", "BareDecode/640x1136",
                 1.0);
  reporter.ratio("decode + fit 1280x1920 into 640x1136 / bare full decode", "DecodeFit", "BareDecode/1280x1920", 1.5);
  reporter.ratio("decode + fit + blur sigma 20 / bare full decode", "DecodeFitBlur", "BareDecode/1280x1920", 2.5);
  reporter.ratio("UIImage whole decode + drawn fitted / bare full decode", "UIImageFit", "BareDecode/1280x1920");
  reporter.ratio("picture stretched into a screen context / the context alone", "ScaleIntoScreenContext",
                 "ScreenContextWithoutScaling");
  benchmark::Shutdown();
  return 0;
}
