// The iOS 6 home screen and the Settings app as two processes on one device root laid
// by the install rules (the project's libraries and the test probe tweak): the home
// screen starts locked with a passcode and keeps running while the Settings app shows
// its iOS 6 panes, switches an option and picks a lock-screen picture; the options
// file and the picture change under the running home screen, the settings-changed
// notification reaches the tweak it loaded, and the home screen still unlocks with
// its passcode afterwards.  Every process has a deadline.
#include <ChildProcess.h>
#include <DeviceRootProcesses.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

#include <foundation/DeviceRoot.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::exitCode;
using testing_support::play;
using namespace std::chrono_literals;

class IOS6WithSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ASSERT_TRUE(testing_support::installInto(NOCTIL_CMAKE_COMMAND, NOCTIL_BINARY_DIR, root_.path(), true));
  }

  // Runs a Settings script to its end; its exit status.
  int runSettings(const std::string& script) {
    fs::path file = root_.path() / "settings-script.txt";
    std::ofstream(file) << script;
    return testing_support::runToEnd(NOCTIL_PREFERENCES_PROGRAM,
                                     {"--ios", "6.x", "--device", root_.str(), "--script", file.string(), "--quiet"});
  }

  testing_support::TempDir root_;
};

TEST_F(IOS6WithSettings, TheSettingsAppChangesOptionsAndPicturesUnderARunningIOS6HomeScreen) {
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM,
                           {"--ios", "6.x", "--passcode", "1234", "--locked", "--device", root_.str()});
  ASSERT_TRUE(springboard.waitForLine("springboard: loaded LoaderProbe.dylib", 60s));

  // Locked from the start, as after a boot; a notification goes to the lock screen's
  // own list; a photo waits in the library for the Settings app.
  ASSERT_TRUE(play(springboard,
                   {"expect locked yes", "expect UIDevice currentDevice systemVersion == \"6.1\"",
                    "post com.apple.MobileSMS title=Anna message=\"See you at eight?\"",
                    "expect row lock com.apple.MobileSMS 0 visible", "expect list hidden",
                    "picture /var/tmp/photos/lake.jpg 64 96 jpeg rgb=30,90,160"},
                   "ready"));

  // The Settings app shows the iOS 6 panes and changes them while the home screen runs.
  fs::path photo = root_.path() / "var/tmp/photos/lake.jpg";
  ASSERT_TRUE(fs::exists(photo));
  EXPECT_EQ(runSettings("expect shown \"Notification Center on Lock Screen\"\n"
                        "set LockBlur YES\n"
                        "open \"Lock Screen Background\"\n"
                        "pick " + photo.string() + " library\n"
                        "press \"Choose Picture\"\n"
                        "expect file /var/mobile/Library/Noctil/LockCustomBGImage.png jpeg\n"),
            0);

  // The home screen sees the file and the picture the other process wrote, its tweak
  // got the notification, and it still unlocks with its passcode.
  ASSERT_TRUE(play(springboard,
                   {"expect file /var/tmp/loader-probe-com.apple.springboard.settings exists within 10",
                    "expect option LockBlur YES", "expect file /var/mobile/Library/Noctil/LockCustomBGImage.png exists",
                    "expect locked yes", "unlock", "expect keypad shown", "keypad 1234", "expect locked no",
                    "expect keypad hidden"},
                   "unlocked"));

  springboard.closeInput();
  std::optional<std::string> summary;
  while (auto line = springboard.readLine(60s)) {
    if (line->rfind("stdin: ", 0) == 0) summary = line;
  }
  EXPECT_EQ(summary, "stdin: 17 commands, 11 expectations met, 0 failed");
  EXPECT_EQ(exitCode(springboard.waitExit(30s)), 0);
}

}  // namespace
