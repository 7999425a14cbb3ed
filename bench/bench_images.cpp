// The custom background picture's path through the platform: decoding a camera-sized
// JPEG, and redrawing it into a screen-sized 2.0 context (what the picture scaling of
// the tweak libraries asks for), against a plain copy of the same pixels.
#include <uikit/ImageCodec.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>

#include <objcface/NSObject.h>

#include <benchmark/benchmark.h>

namespace {

uikit::Bitmap gradient(int w, int h) {
  auto b = uikit::Bitmap::create(w, h).value();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y, {static_cast<std::uint8_t>(x * 255 / w), static_cast<std::uint8_t>(y * 255 / h), 128, 255});
  return b;
}

void BM_DecodeJpeg1280x1920(benchmark::State& state) {
  const auto jpeg = uikit::encodeJPEG(gradient(1280, 1920), 1.0).value();
  for (auto _ : state) benchmark::DoNotOptimize(uikit::decodeImage(jpeg));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * jpeg.size()));
}
BENCHMARK(BM_DecodeJpeg1280x1920)->Unit(benchmark::kMillisecond);

void BM_ScaleIntoScreenContext(benchmark::State& state) {
  objc::AutoreleasePool pool;
  id picture = objc::retain(uikit::makeImage(std::make_shared<const uikit::Bitmap>(gradient(1280, 1920)), 1.0));
  for (auto _ : state) {
    objc::AutoreleasePool perIteration;
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(320, 568), NO, 2.0);
    objc::send<void>(picture, objc::sel<"drawInRect:">(), CGRectMake(0, 0, 320, 568));
    benchmark::DoNotOptimize(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
  }
  objc::release(picture);
}
BENCHMARK(BM_ScaleIntoScreenContext)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_ScreenContextWithoutScaling)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
