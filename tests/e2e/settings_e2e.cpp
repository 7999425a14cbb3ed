// Two processes on one device root laid by the install rules: a host program serving
// its run loop, and the Settings app switching "Collapsible" off or picking a
// background picture.  The options file (or the picture file) changes under the
// running program, and the settings-changed notification reaches the tweaks it
// loaded, without a restart: the test probe tweak inside the Messages app, and the
// iOS 7 home screen itself.
#include "PortsTest.h"

#include <corefoundation/NotifyDelivery.h>

#include <poll.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <signal.h>

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;

class SettingsAcrossProcesses : public testing_support::DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    for (const char* component : {"", " --component test_fixtures"}) {
      std::string install = std::string("\"") + NOCTIL_CMAKE_COMMAND + "\" --install \"" + NOCTIL_BINARY_DIR +
                            "\" --prefix \"" + root_.str() + "\"" + component + " > /dev/null";
      ASSERT_EQ(std::system(install.c_str()), 0) << install;
    }
    ASSERT_TRUE(fs::exists(root_.path() / "Library/PreferenceBundles/NoctilSettings.bundle/NoctilSettings"));
  }

  std::string fileText(const char* devicePath) {
    std::ifstream in(root_.path() / fs::path(devicePath).relative_path());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  int runSettings(const std::string& script) {
    fs::path file = root_.path() / "settings-script.txt";
    std::ofstream(file) << script;
    ChildProcess settings(NOCTIL_PREFERENCES_PROGRAM,
                          {"--ios", "7.x", "--device", root_.str(), "--script", file.string(), "--quiet"});
    while (settings.readLine(std::chrono::seconds(30))) {
    }
    auto status = settings.waitExit(std::chrono::seconds(30));
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  }
};

TEST_F(SettingsAcrossProcesses, SwitchingCollapsibleOffReachesATweakInAnotherRunningProgram) {
  ChildProcess messages(NOCTIL_MOBILESMS_PROGRAM, {"--device", root_.str()});
  ASSERT_TRUE(messages.waitForLine("mobilesms: serving until terminated", std::chrono::seconds(60)));
  const char* probe = "/var/tmp/loader-probe-com.apple.MobileSMS.settings";
  EXPECT_EQ(fileText(probe), "");

  EXPECT_EQ(runSettings("set Collapsible NO\nexpect value Collapsible NO\n"), 0);

  EXPECT_TRUE(testing_support::eventually([&] { return fileText(probe) == "settings changed\n"; },
                                          std::chrono::seconds(10)))
      << fileText(probe);
  EXPECT_NE(fileText("/var/mobile/Library/Preferences/com.trelmo.noctil.plist").find("<key>Collapsible</key>\n\t<false/>"),
            std::string::npos);
  auto status = messages.kill(SIGTERM, std::chrono::seconds(30));
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

#ifdef NOCTIL_SPRINGBOARD_PROGRAM
// Sends the lines to a home screen reading its standard input, then an echo of
// `marker`, and waits until it has run them all.  Failed expectations are counted by
// the program (its closing summary) and described on its standard error.
bool runHomeScreen(ChildProcess& springboard, const std::vector<std::string>& lines, const std::string& marker) {
  for (const auto& line : lines) {
    if (!springboard.writeLine(line)) return false;
  }
  return springboard.writeLine("echo " + marker) && springboard.waitForLine(marker, std::chrono::seconds(60));
}

// Closes the home screen's input and answers its closing summary, which it prints
// on standard output only when no expectation failed.
std::optional<std::string> closingSummary(ChildProcess& springboard) {
  springboard.closeInput();
  std::optional<std::string> summary;
  while (auto line = springboard.readLine(std::chrono::seconds(60))) {
    if (line->rfind("stdin: ", 0) == 0) summary = line;
  }
  return summary;
}

TEST_F(SettingsAcrossProcesses, APicturePickedInSettingsIsWhatTheRunningHomeScreenShows) {
  auto receiver = cf::notify::NotifyReceiver::open();
  ASSERT_TRUE(receiver.ok());
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM, {"--ios", "7.x", "--device", root_.str()});

  // An earlier red picture, shown once so the home screen holds it, and the blue one
  // the user is about to pick from the photo library.  No dimming and full opacity,
  // so the screen shows each picture's own colour.
  ASSERT_TRUE(runHomeScreen(springboard,
                            {"picture /var/tmp/photos/blue.jpg 64 64 jpeg rgb=40,60,200",
                             "picture /var/mobile/Library/Noctil/CustomBGImage.png 640 1136 jpeg rgb=200,40,40",
                             "set BGImageEnabled YES", "set BGImageAlpha 1", "set BGImageGrayscaleValue 0",
                             "set BGImageBlurValue 0", "nc show", "expect pixel 160 540 200,40,40 tolerance=12",
                             "nc hide"},
                            "red shown"));
  (void)(*receiver)->drain();

  fs::path photo = root_.path() / "var/tmp/photos/blue.jpg";
  ASSERT_TRUE(fs::exists(photo));
  EXPECT_EQ(runSettings("open \"Background\"\nopen \"Custom Picture\"\npress \"Choose Picture\"\npick " +
                        photo.string() + " library\nexpect file /var/mobile/Library/Noctil/CustomBGImage.png jpeg\n"),
            0);
  pollfd p{(*receiver)->fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 10000), 1);
  auto names = (*receiver)->drain();
  EXPECT_NE(std::find(names.begin(), names.end(), "com.trelmo.noctil.settingschanged"), names.end());

  // The same process, without a restart: serving its run loop (two seconds, ample for a
  // notification this test has already received) delivers the notification, the
  // options reload drops the red picture it held, and the next appearance of
  // Notification Center reads the file the Settings app wrote.
  ASSERT_TRUE(runHomeScreen(springboard,
                            {"wait 2", "nc show", "expect pixel 160 540 40,60,200 tolerance=12",
                             "expect pixel 20 40 40,60,200 tolerance=12", "nc hide"},
                            "blue shown"));

  EXPECT_EQ(closingSummary(springboard), "stdin: 16 commands, 3 expectations met, 0 failed");
  auto status = springboard.waitExit(std::chrono::seconds(60));
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

TEST_F(SettingsAcrossProcesses, SwitchingCollapsibleOffReachesTheRunningHomeScreen) {
  auto receiver = cf::notify::NotifyReceiver::open();
  ASSERT_TRUE(receiver.ok());
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM, {"--ios", "7.x", "--device", root_.str()});
  auto run = [&](const std::vector<std::string>& lines, const std::string& marker) {
    return runHomeScreen(springboard, lines, marker);
  };

  // The Messages section folded by a tap on its header: its rows are hidden, its title
  // carries the count, and the fold is saved.
  ASSERT_TRUE(run({"expect option Collapsible absent", "set Collapsible YES", "post com.apple.MobileSMS message=one",
                   "post com.apple.MobileSMS message=two", "post com.apple.mobilemail message=mail", "nc show",
                   "expect row nc com.apple.MobileSMS 0 visible", "tap-header com.apple.MobileSMS",
                   "expect row nc com.apple.MobileSMS 0 hidden height=0",
                   "expect row nc com.apple.MobileSMS 1 hidden height=0", "expect row nc com.apple.mobilemail 0 visible",
                   "expect header com.apple.MobileSMS \"Messages (2)\"",
                   "expect option foldedSections com.apple.MobileSMS"},
                  "folded"));
  (void)(*receiver)->drain();  // the home screen's own `set` posted the notification too

  EXPECT_EQ(runSettings("set Collapsible NO\nexpect value Collapsible NO\n"), 0);

  pollfd p{(*receiver)->fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  auto names = (*receiver)->drain();
  EXPECT_NE(std::find(names.begin(), names.end(), "com.trelmo.noctil.settingschanged"), names.end());

  // The same home-screen process, without a restart: the options reload marked the
  // list for reload, so the rows show again at the host's height and the title lost
  // its count; a tap no longer folds; the saved folded set is left as it was.
  ASSERT_TRUE(run({"expect option Collapsible NO within 10", "expect row nc com.apple.MobileSMS 0 visible within 10",
                   "expect row nc com.apple.MobileSMS 1 visible", "expect header com.apple.MobileSMS \"Messages\"",
                   "tap-header com.apple.MobileSMS", "expect row nc com.apple.MobileSMS 0 visible",
                   "expect header com.apple.MobileSMS \"Messages\"",
                   "expect option foldedSections com.apple.MobileSMS"},
                  "unfolded"));

  EXPECT_EQ(closingSummary(springboard), "stdin: 23 commands, 14 expectations met, 0 failed");
  auto status = springboard.waitExit(std::chrono::seconds(60));
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

#endif

}  // namespace
