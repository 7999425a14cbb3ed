// Shared by the tests of the settings bundle and the Preferences stand-in: a fresh
// device root per test with the NoctilSettings bundle laid in it (links to the
// staged resources and the built library, as an install would lay them), the bundle
// loaded into the test process, and a watch on the Darwin notifications posted.
#pragma once

#include "PortsTest.h"

#include <corefoundation/NotifyDelivery.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>
#include <objcface/Send.h>
#include <preferences/PSListController.h>
#include <preferences/PreferenceBundles.h>

#include <poll.h>

#include <filesystem>
#include <string>
#include <vector>

namespace settings_testing {

namespace fs = std::filesystem;

inline constexpr const char* kBundlePath = "/Library/PreferenceBundles/NoctilSettings.bundle";
inline constexpr const char* kOptionsPath = "/var/mobile/Library/Preferences/com.trelmo.noctil.plist";
inline constexpr const char* kSettingsChanged = "com.trelmo.noctil.settingschanged";

inline fs::path stagedResources() { return fs::path(NOCTIL_BINARY_DIR) / "settings" / "Resources"; }
inline fs::path builtLibrary() { return fs::path(NOCTIL_BINARY_DIR) / "lib" / "libNoctilSettings.so"; }
inline fs::path entrySource() {
  return fs::path(NOCTIL_SOURCE_DIR) / "settings" / "PreferenceLoader" / "NoctilSettings.plist";
}

// Lays the bundle into the device root at `root` the way an install does, with
// links instead of copies.
inline void layBundle(const fs::path& root) {
  fs::path bundle = root / "Library/PreferenceBundles/NoctilSettings.bundle";
  fs::create_directories(bundle);
  for (const auto& item : fs::directory_iterator(stagedResources())) {
    fs::create_symlink(item.path(), bundle / item.path().filename());
  }
  fs::create_symlink(builtLibrary(), bundle / "NoctilSettings");
  fs::path entries = root / "Library/PreferenceLoader/Preferences";
  fs::create_directories(entries);
  fs::create_symlink(entrySource(), entries / "NoctilSettings.plist");
}

// The ivars of the bundle's base pane class, for test subclasses of it.
struct NoctilIvars : PSListControllerIvars {
  BOOL _reloading;
};
struct NoctilPickerIvars : NoctilIvars {
  id popover;
};

class SettingsBundleTest : public testing_support::DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    ns::useManualClock(1000.0);
    layBundle(root_.path());
    auto loaded = preferences::loadPreferenceBundle(kBundlePath);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    bundle_ = *loaded;
    auto receiver = cf::notify::NotifyReceiver::open();
    ASSERT_TRUE(receiver.ok()) << receiver.error().message;
    receiver_ = std::move(*receiver);
  }

  void TearDown() override {
    (void)ns::advanceClock(60);  // transitions and delayed work end before the next test
    ns::useRealClock();
  }

  // The names posted since the last call, waiting a little for the first.
  std::vector<std::string> posted(int milliseconds = 500) {
    pollfd p{receiver_->fd(), POLLIN, 0};
    ::poll(&p, 1, milliseconds);
    return receiver_->drain();
  }

  static id make(const char* className) {
    Class cls = objc::classNamed(className);
    EXPECT_NE(cls, Nil) << className;
    return cls ? objc::autorelease(objc::allocInit(cls)) : nil;
  }

  fs::path host(const std::string& devicePath) { return ns::hostPath(devicePath).value(); }

  id bundle_ = nil;
  std::unique_ptr<cf::notify::NotifyReceiver> receiver_;
  objc::AutoreleasePool pool_;
};

}  // namespace settings_testing
