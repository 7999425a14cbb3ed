// Noctil6's lock-screen picture set from the Settings app while the iOS 6 home screen
// runs, as two processes on one device root laid by the install rules: the home
// screen starts locked and shows Notification Center's list on the lock screen over
// the platform's linen; the Settings app picks a lock-screen picture and switches
// "LockBGImageEnabled" on; the next list shown on the lock screen draws the picture,
// on the screen read back with `expect pixel` and in the PNG of `screenshot`.  Every
// process has a deadline.
#include <ChildProcess.h>
#include <DeviceRootProcesses.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

#include <uikit/ImageCodec.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::exitCode;
using testing_support::play;
using namespace std::chrono_literals;

class Noctil6WithSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    // The project's libraries and bundle, and the probe tweak, whose file tells when
    // the settings-changed notification has reached the home screen.
    ASSERT_TRUE(testing_support::installInto(NOCTIL_CMAKE_COMMAND, NOCTIL_BINARY_DIR, root_.path(), true));
  }

  int runSettings(const std::string& script) {
    fs::path file = root_.path() / "settings-script.txt";
    std::ofstream(file) << script;
    return testing_support::runToEnd(NOCTIL_PREFERENCES_PROGRAM,
                                     {"--ios", "6.x", "--device", root_.str(), "--script", file.string(), "--quiet"});
  }

  testing_support::TempDir root_;
};

TEST_F(Noctil6WithSettings, ALockScreenPicturePickedInSettingsIsDrawnBehindTheNextLockScreenList) {
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM, {"--ios", "6.x", "--locked", "--device", root_.str()});
  ASSERT_TRUE(springboard.waitForLine("springboard: loaded Noctil6.dylib", 60s));

  // On the lock screen the list shows over the platform's grey linen; a photo waits in
  // the library.
  ASSERT_TRUE(play(springboard,
                   {"expect locked yes", "nc show", "expect list shown", "expect pixel 160 400 59,59,59 tolerance=12",
                    "nc hide", "picture /var/tmp/photos/lake.jpg 64 96 jpeg rgb=30,90,160"},
                   "ready"));

  EXPECT_EQ(runSettings("open \"Lock Screen Background\"\n"
                        "pick " + (root_.path() / "var/tmp/photos/lake.jpg").string() + " library\n"
                        "press \"Choose Picture\"\n"
                        "expect file /var/mobile/Library/Noctil/LockCustomBGImage.png jpeg\n"
                        "set LockBGImageEnabled YES\n"
                        "expect value LockBGImageEnabled YES\n"),
            0);

  // Once the notification has arrived, the next list on the lock screen draws the
  // picture behind its rows.
  const fs::path shot = root_.path() / "shots/lock-list.png";
  ASSERT_TRUE(play(springboard,
                   {"expect file /var/tmp/loader-probe-com.apple.springboard.settings exists within 10",
                    "expect option LockBGImageEnabled YES", "expect locked yes", "nc show", "expect list shown",
                    "expect pixel 160 400 30,90,160 tolerance=12", "expect pixel 20 300 30,90,160 tolerance=12",
                    "screenshot " + shot.string(), "nc hide"},
                   "drawn"));

  springboard.closeInput();
  std::optional<std::string> summary;
  while (auto line = springboard.readLine(60s))
    if (line->rfind("stdin: ", 0) == 0) summary = line;
  EXPECT_EQ(summary, "stdin: 17 commands, 9 expectations met, 0 failed");
  EXPECT_EQ(exitCode(springboard.waitExit(30s)), 0);

  // The screenshot, at the screen's scale, shows the picture behind the list.
  std::ifstream file(shot, std::ios::binary);
  ASSERT_TRUE(file.good());
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  auto png = uikit::decodePNG(bytes);
  ASSERT_TRUE(png.ok());
  EXPECT_EQ(png->width(), 640);
  EXPECT_EQ(png->height(), 960);
  const uikit::Rgba behindTheList = png->pixel(320, 800);
  EXPECT_NEAR(behindTheList.r, 30, 12);
  EXPECT_NEAR(behindTheList.g, 90, 12);
  EXPECT_NEAR(behindTheList.b, 160, 12);
}

}  // namespace
