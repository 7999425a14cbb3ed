// Noctil6's lock-screen options changed in the Settings app while the iOS 6 home
// screen runs, as two processes on one device root laid by the install rules: the
// home screen starts locked; "DefaultShow" 1 with "HideTimeView" off makes the next
// wake show Notification Center over a clock that stays; "LockEnabled" off keeps the
// list off the lock screen from then on; and back on, the list shows on the lock
// screen again — all without a restart.  Every process has a deadline.
#include <ChildProcess.h>
#include <DeviceRootProcesses.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::exitCode;
using testing_support::play;
using namespace std::chrono_literals;

class Noctil6LockScreenSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    // The project's libraries and bundle, and the probe tweak, whose file tells when a
    // settings-changed notification has reached the home screen.
    ASSERT_TRUE(testing_support::installInto(NOCTIL_CMAKE_COMMAND, NOCTIL_BINARY_DIR, root_.path(), true));
  }

  // The settings-changed notifications the home screen has received so far (the
  // probe tweak writes a line for each).
  std::size_t notificationsReceived() const {
    std::ifstream in(root_.path() / "var/tmp/loader-probe-com.apple.springboard.settings");
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
  }

  // Runs a Settings script to its end and waits (up to ten seconds) until the home
  // screen has received a notification more than before; answers the script's exit
  // status, or -2 when no notification came.
  int changeSettings(const std::string& script) {
    const std::size_t before = notificationsReceived();
    fs::path file = root_.path() / "settings-script.txt";
    std::ofstream(file) << script;
    ChildProcess settings(NOCTIL_PREFERENCES_PROGRAM,
                          {"--ios", "6.x", "--device", root_.str(), "--script", file.string(), "--quiet"});
    while (settings.readLine(30s)) {
    }
    const int status = exitCode(settings.waitExit(30s));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (notificationsReceived() <= before) {
      if (std::chrono::steady_clock::now() > deadline) return -2;
      std::this_thread::sleep_for(20ms);
    }
    return status;
  }

  testing_support::TempDir root_;
};

TEST_F(Noctil6LockScreenSettings, LockScreenOptionsChangedInSettingsReachTheRunningHomeScreen) {
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM, {"--ios", "6.x", "--locked", "--device", root_.str()});
  ASSERT_TRUE(springboard.waitForLine("springboard: loaded Noctil6.dylib", 60s));

  // As installed: the list shows on the lock screen when asked, over a faded clock,
  // and a wake puts it away.
  ASSERT_TRUE(play(springboard,
                   {"expect locked yes", "nc show", "expect list shown",
                    "expect SBAwayController sharedAwayController awayView dateView superview alpha == 0", "sleep",
                    "wake", "expect list hidden"},
                   "as-installed"));

  // The list by itself at every wake, and the clock kept.
  EXPECT_EQ(changeSettings("set DefaultShow 1\nset HideTimeView NO\n"
                           "expect value DefaultShow 1\nexpect value HideTimeView NO\n"),
            0);
  ASSERT_TRUE(play(springboard,
                   {"wait 0.5", "expect option DefaultShow 1", "sleep", "wake", "expect list shown",
                    "expect statusbar time",
                    "expect SBAwayController sharedAwayController awayView dateView superview alpha == 1"},
                   "shown-by-itself"));

  // No list on the lock screen any more: not by itself, not when asked.
  EXPECT_EQ(changeSettings("set LockEnabled NO\nexpect value LockEnabled NO\n"), 0);
  ASSERT_TRUE(play(springboard,
                   {"wait 0.5", "nc hide", "expect list hidden", "sleep", "wake", "expect list hidden", "nc show",
                    "expect list hidden", "expect statusbar lock"},
                   "off"));

  // Back on: the next wake brings it again.
  EXPECT_EQ(changeSettings("set LockEnabled YES\n"), 0);
  ASSERT_TRUE(play(springboard, {"wait 0.5", "sleep", "wake", "expect list shown"}, "on-again"));

  springboard.closeInput();
  std::optional<std::string> summary;
  while (auto line = springboard.readLine(60s))
    if (line->rfind("stdin: ", 0) == 0) summary = line;
  EXPECT_EQ(summary, "stdin: 31 commands, 13 expectations met, 0 failed");
  EXPECT_EQ(exitCode(springboard.waitExit(30s)), 0);
}

}  // namespace
