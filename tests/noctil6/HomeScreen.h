// The fixture of the in-process Noctil6 tests on the iOS 6 home screen: the process
// is made SpringBoard with the tweak started once (its method table is permanent),
// and every test runs under the manual clock on a fresh device root, with the
// tweak's process-wide state as before launch, its own options file and its own
// launch of the home screen, shut down afterwards.
#pragma once

#include "CustomPicture.h"
#include "Launch.h"
#include "ListBackground.h"
#include "LockScreen.h"
#include "Options.h"
#include "Startup.h"
#include "TouchState.h"
#include "TweakController.h"
#include "OptionFiles.h"

#include <springboard6/HostControl.h>

#include <foundation/Bundle.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <uikit/Bitmap.h>
#include <uikit/ImageCodec.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIScreen.h>

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace noctil6_tests {

inline void startSpringBoardOnce() {
  static const bool started = [] {
    ns::setMainBundleIdentifier("com.apple.springboard");
    sb6::registerClasses();
    noctil6::start();
    return true;
  }();
  (void)started;
}

// A picture of one colour written at a device path: JPEG data whatever the name, as
// the settings bundle's pickers write the custom backgrounds.
// The last `bottomRows` rows may take another colour.
inline void writePicture(const char* devicePath, int width, int height, uikit::Rgba colour, bool jpeg = true,
                         int bottomRows = 0, uikit::Rgba bottom = {}) {
  auto bitmap = uikit::Bitmap::create(width, height);
  ASSERT_TRUE(bitmap.ok());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap->setPixel(x, y, y >= height - bottomRows ? bottom : colour);
  auto bytes = jpeg ? uikit::encodeJPEG(*bitmap, 0.95) : uikit::encodePNG(*bitmap);
  ASSERT_TRUE(bytes.ok());
  std::filesystem::path path = ns::deviceRoot() / std::string(devicePath).substr(1);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()),
                                               static_cast<std::streamsize>(bytes->size()));
}

inline void writeFile(const char* devicePath, const std::string& content) {
  std::filesystem::path path = ns::deviceRoot() / std::string(devicePath).substr(1);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// Writes the options file holding exactly these keys.
inline void writeOptionList(const std::vector<std::pair<const char*, id>>& entries) {
  objc::AutoreleasePool pool;
  std::filesystem::create_directories(optionsFile().parent_path());
  id dictionary = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), objc::sel<"dictionary">());
  for (const auto& [key, value] : entries) objc::send<void>(dictionary, objc::sel<"setObject:forKey:">(), value, string(key));
  ASSERT_TRUE(objc::send<BOOL>(dictionary, objc::sel<"writeToFile:atomically:">(), string(noctil6::kOptionsPath),
                               BOOL{YES}));
}

// Whether two colours are within `tolerance` on every channel.
inline bool near(uikit::Rgba a, uikit::Rgba b, int tolerance = 8) {
  auto close = [tolerance](int x, int y) { return std::abs(x - y) <= tolerance; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b) && close(a.a, b.a);
}

inline std::string describe(uikit::Rgba c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," + std::to_string(c.a);
}

// Host objects, reached by name.
inline id controller() { return noctil6::tweakController(); }
inline id listController() {
  return objc::send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBulletinListController")), objc::sel<"sharedInstance">());
}
inline id listView() { return objc::send<id>(listController(), objc::sel<"listView">()); }
inline id slidingView() { return objc::send<id>(listView(), objc::sel<"slidingView">()); }

// The screen as drawn now, at scale 1, and one of its pixels.
inline uikit::Rgba screenPixel(int x, int y) {
  auto screen = uikit::renderScreen(1.0);
  EXPECT_TRUE(screen.ok());
  return screen.ok() ? screen->pixel(x, y) : uikit::Rgba{};
}

class Noctil6HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::useManualClock(400000000.0);
    startSpringBoardOnce();
    resetTweak();
  }
  void TearDown() override {
    sb6::shutdown();
    sb6::setPasscode(std::nullopt);
    resetTweak();
    ns::useRealClock();
    uikit::resetScreen();
  }
  static void resetTweak() {
    noctil6::resetOptions();
    noctil6::resetLaunchState();
    noctil6::resetLockState();
    noctil6::resetTouchState();
    noctil6::backgroundCaches() = noctil6::BackgroundCaches{};
    noctil6::resetCustomPictureState();
  }
  // The options loader, run as the settings-changed notification runs it.
  static void reload() { noctil6::loadOptions(); }
  void launch(sb6::Device device = {}) {
    auto launched = sb6::launch(device);
    ASSERT_TRUE(launched.ok()) << launched.error().message;
  }
  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

}  // namespace noctil6_tests
