// Two processes on one device root laid by the install rules: a host program serving
// its run loop, and the Settings app switching "Collapsible" off.  The options file
// changes under the running program, and the settings-changed notification reaches
// the tweaks it loaded, without a restart: the test probe tweak inside the Messages
// app, and (once the iOS 7 home screen is built) the home screen itself.
#include "PortsTest.h"

#include <corefoundation/NotifyDelivery.h>

#include <poll.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
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
TEST_F(SettingsAcrossProcesses, SwitchingCollapsibleOffReachesTheRunningHomeScreen) {
  auto receiver = cf::notify::NotifyReceiver::open();
  ASSERT_TRUE(receiver.ok());
  ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM, {"--ios", "7.x", "--device", root_.str()});
  ASSERT_TRUE(springboard.writeLine("expect option Collapsible absent"));
  ASSERT_TRUE(springboard.waitForLine("[1] expect option Collapsible absent", std::chrono::seconds(60)));

  EXPECT_EQ(runSettings("set Collapsible NO\nexpect value Collapsible NO\n"), 0);

  pollfd p{(*receiver)->fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  auto names = (*receiver)->drain();
  EXPECT_NE(std::find(names.begin(), names.end(), "com.trelmo.noctil.settingschanged"), names.end());

  ASSERT_TRUE(springboard.writeLine("expect option Collapsible NO within 10"));
  springboard.closeInput();
  auto status = springboard.waitExit(std::chrono::seconds(60));
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

#endif

}  // namespace
