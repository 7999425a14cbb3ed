// The price of Noctil6's richest list background: making Notification Center's list
// view (SBBulletinListView initWithFrame:delegate:, then its release) on the iOS 6
// home screen with a blurred still picture of the screen behind the list and the
// user's picture in front of it, against the same list view made with no option on
// (the platform's linen).  The custom picture is decoded and scaled once and then
// reused, as between two appearances of the list on a device; each list view takes a
// new snapshot of the screen.  A second pair also draws the screen once with the list
// on it, where the blur is computed.  Ratios are printed at the end.
#include "RatioReporter.h"

#include "Launch.h"
#include "ListBackground.h"
#include "Options.h"
#include "Startup.h"

#include <springboard6/HostControl.h>

#include <foundation/Bundle.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/Bitmap.h>
#include <uikit/ImageCodec.h>
#include <uikit/ScreenDump.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using objc::send;
using objc::sel;

namespace {

namespace fs = std::filesystem;

// The user's picture: a 640 × 960 photo-sized JPEG under the ".png" name.
void writePicture(const fs::path& root) {
  auto bitmap = uikit::Bitmap::create(640, 960);
  if (!bitmap) std::abort();
  for (int y = 0; y < 960; ++y)
    for (int x = 0; x < 640; ++x)
      bitmap->setPixel(x, y, {static_cast<std::uint8_t>(x / 3), static_cast<std::uint8_t>(y / 4), 160, 255});
  auto bytes = uikit::encodeJPEG(*bitmap, 0.9);
  if (!bytes) std::abort();
  const fs::path file = root / "var/mobile/Library/Noctil/CustomBGImage.png";
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()),
                                               static_cast<std::streamsize>(bytes->size()));
}

void setOptions(bool background) {
  noctil6::Options& o = noctil6::options();
  o.transparent = background;
  o.bgImageEnabled = background;
  o.blur = background;
  o.blurApplyToBack = background;
  o.blurValue = 8.0f;
  o.bgAlpha = 0.7f;
  o.tintColor = background ? objc::Ref::retain(ns::str("darkGray")) : objc::Ref();
  noctil6::forgetBackgroundCaches();
}

objc::Ref makeListView() {
  id cls = reinterpret_cast<id>(objc_lookUpClass("SBBulletinListView"));
  return objc::Ref::adopt(
      send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithFrame:delegate:">(), CGRectMake(0, 0, 320, 480), id{nil}));
}

void makeListViews(benchmark::State& state, bool background, bool draw) {
  setOptions(background);
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    objc::Ref list = makeListView();
    if (background && noctil6::backgroundCaches().backView.get() == nil) {
      state.SkipWithError("no back view was made");
      break;
    }
    if (draw) {
      auto picture = uikit::renderView(list, 2.0);
      benchmark::DoNotOptimize(picture);
    }
    benchmark::DoNotOptimize(list.get());
  }
  if (noctil6::backgroundCaches().backView) state.SkipWithError("the back view outlived its list view");
}

void BM_ListViewPlain(benchmark::State& state) { makeListViews(state, false, false); }
void BM_ListViewBlurredSnapshotAndPicture(benchmark::State& state) { makeListViews(state, true, false); }
void BM_ListViewPlainDrawn(benchmark::State& state) { makeListViews(state, false, true); }
void BM_ListViewBlurredSnapshotAndPictureDrawn(benchmark::State& state) { makeListViews(state, true, true); }
BENCHMARK(BM_ListViewPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListViewBlurredSnapshotAndPicture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListViewPlainDrawn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListViewBlurredSnapshotAndPictureDrawn)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  char pattern[] = "/tmp/bench_noctil6.XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path root = pattern;
  int status = 0;
  {
    objc::AutoreleasePool pool;
    ns::setDeviceRoot(root);
    ns::useManualClock(400000000.0);
    ns::setMainBundleIdentifier("com.apple.springboard");
    writePicture(root);
    sb6::registerClasses();
    noctil6::start();
    if (!sb6::launch({}).ok() || noctil6::tweakController() == nil) {
      std::fprintf(stderr, "bench_noctil6: the home screen did not launch with the tweak\n");
      status = 1;
    } else {
      bench::RatioReporter reporter;
      benchmark::RunSpecifiedBenchmarks(&reporter);
      reporter.heading("Ratios (time of the first over the second):");
      reporter.ratio("list view: blurred snapshot + picture / no option", "BM_ListViewBlurredSnapshotAndPicture",
                     "BM_ListViewPlain");
      reporter.ratio("list view made and drawn: blurred snapshot + picture / no option",
                     "BM_ListViewBlurredSnapshotAndPictureDrawn", "BM_ListViewPlainDrawn");
      sb6::shutdown();
    }
  }
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
