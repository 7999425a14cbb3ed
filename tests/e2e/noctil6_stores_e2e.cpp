// The iOS 6 home screen with Noctil6 on a device root laid by the install rules,
// holding a Mail notification archive and a push store written by Python's plistlib:
// a Mail notification deleted through the table's Delete confirmation, and another
// app's notification swiped away, leave the two files without their entries and with
// every other entry and field (objects of unknown classes included) as they were.
// The home screen runs as its own process, with a deadline.
#include "stores/ArchiveContent.h"

#include <ChildProcess.h>
#include <DeviceRootProcesses.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;
using store_tests::archiveContent;
using testing_support::ChildProcess;
using testing_support::exitCode;
using namespace std::chrono_literals;

fs::path storeData(const std::string& name) { return testing_support::testDataDir() / "stores" / name; }

class Noctil6Stores : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::installInto(NOCTIL_CMAKE_COMMAND, NOCTIL_BINARY_DIR, root_.path(), false));
  }
  fs::path lay(const std::string& name, const std::string& devicePath) {
    fs::path target = root_.path() / devicePath.substr(1);
    fs::create_directories(target.parent_path());
    fs::copy_file(storeData(name), target, fs::copy_options::overwrite_existing);
    return target;
  }
  // Runs a scenario to its end in the iOS 6 home screen; its summary line and exit status.
  std::pair<std::string, int> run(const std::string& script) {
    fs::path file = root_.path() / "scenario.scn";
    std::ofstream(file) << script;
    ChildProcess springboard(NOCTIL_SPRINGBOARD_PROGRAM,
                             {"--ios", "6.x", "--device", root_.str(), "--script", file.string(), "--quiet"});
    std::string summary;
    while (auto line = springboard.readLine(60s)) {
      if (line->rfind("scenario.scn: ", 0) == 0) summary = *line;
    }
    return {summary, exitCode(springboard.waitExit(30s))};
  }

  testing_support::TempDir root_;
};

TEST_F(Noctil6Stores, ADeletedMailAndAPushNotificationLeaveTheirStoredCopies) {
  fs::path mail = lay("Bulletins", "/var/mobile/Library/Mail/Bulletins");
  fs::path store = lay("com.example.chat.pushstore", "/var/mobile/Library/SpringBoard/PushStore/com.example.chat.pushstore");
  auto [summary, status] = run(
      "badge com.apple.mobilemail 3\n"
      "post com.apple.mobilemail title=Ann message=\"Lunch?\" record=mail-2\n"
      "post com.example.chat title=Bob message=\"Dinner at 8?\" record=7\n"
      "nc show\n"
      // A Mail notification deleted with the table's own confirmation.
      "swipe nc com.apple.mobilemail 0 left 120\n"
      "expect row nc com.apple.mobilemail 0 visible\n"
      "confirm-delete\n"
      "expect row nc com.apple.mobilemail 0 absent\n"
      "expect badge com.apple.mobilemail 2\n"
      // Another app's notification swiped away without one.
      "set SDRequireConfirm NO\n"
      "nc hide\n"
      "nc show\n"
      "swipe nc com.example.chat 0 right 150 from=120\n"
      "expect row nc com.example.chat 0 absent\n");
  EXPECT_EQ(summary, "scenario.scn: 14 commands, 4 expectations met, 0 failed");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(archiveContent(mail), archiveContent(storeData("Bulletins.without-mail-2")));
  EXPECT_EQ(archiveContent(store), archiveContent(storeData("com.example.chat.pushstore.without-dinner")));
}

}  // namespace
