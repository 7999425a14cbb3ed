// The host programs as separate processes on one device root: start-up, the tweak
// loader in a real program, commands from standard input, clean termination, and
// springboard and mobilesms sharing one device.  Every process has a deadline and
// is killed when a test ends.
#include <ChildProcess.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

#include <corefoundation/LaunchApplication.h>
#include <foundation/DeviceRoot.h>

#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using namespace std::chrono_literals;

namespace {

std::string hostProgram(const char* name) { return (testing_support::binaryDir() / "hosts" / name).string(); }

int exitCode(const std::optional<int>& status) {
  if (!status) return -1;  // did not end before its deadline
  return WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
}

// Installs the test fixtures (the loader probe tweak) into a device root.
void installFixtures(const fs::path& root) {
  ChildProcess install(NOCTIL_CMAKE_COMMAND, {"--install", testing_support::binaryDir().string(), "--prefix",
                                              root.string(), "--component", "test_fixtures"});
  ASSERT_EQ(exitCode(install.waitExit(60s)), 0);
}

std::vector<std::string> lines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Reads a program's output up to and including the line that starts with `prefix`.
std::vector<std::string> readUntil(ChildProcess& child, const std::string& prefix) {
  std::vector<std::string> seen;
  while (auto line = child.readLine(20s)) {
    seen.push_back(*line);
    if (line->rfind(prefix, 0) == 0) break;
  }
  return seen;
}

class HostsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  void TearDown() override {
    // Nothing launched in the background outlives the test.
    for (const char* bundle : {"com.apple.MobileSMS", "com.apple.springboard"}) {
      if (auto pid = ns::runningApplicationPid(bundle)) ::kill(*pid, SIGKILL);
    }
  }
  std::string root() const { return root_.path().string(); }
  testing_support::TempDir root_;
};

}  // namespace

TEST_F(HostsEndToEnd, MobileSMSServesUntilTerminatedAndExitsCleanly) {
  ChildProcess sms(hostProgram("mobilesms"), {"--device", root()});
  EXPECT_TRUE(sms.waitForLine("mobilesms: serving until terminated", 20s));
  // One Messages app per device root.
  ChildProcess second(hostProgram("mobilesms"), {"--device", root(), "--quiet"});
  EXPECT_EQ(exitCode(second.waitExit(20s)), 1);
  // The store exists as soon as the app runs.
  EXPECT_TRUE(fs::exists(root_.path() / "var/mobile/Library/SMS/sms.db"));
  EXPECT_EQ(exitCode(sms.kill(SIGTERM, 20s)), 0);
  EXPECT_EQ(sms.readLine(5s), "mobilesms: terminated");
}

TEST_F(HostsEndToEnd, BadCommandLinesAndScriptsExitWithTwoAndRunNothing) {
  ChildProcess noVersion(hostProgram("springboard"), {"--device", root()});
  EXPECT_EQ(exitCode(noVersion.waitExit(20s)), 2);
  ChildProcess ipadOn7(hostProgram("springboard"), {"--ios", "7.x", "--ipad", "--device", root()});
  EXPECT_EQ(exitCode(ipadOn7.waitExit(20s)), 2);
  ChildProcess unknown(hostProgram("mobilesms"), {"--colour", "red"});
  EXPECT_EQ(exitCode(unknown.waitExit(20s)), 2);

  auto script = root_.path() / "bad.scn";
  std::ofstream(script) << "message +15550100 1 \"hello\"\nmessage +15550100 two \"x\"\n";
  ChildProcess bad(hostProgram("mobilesms"), {"--device", root(), "--script", script.string()});
  EXPECT_EQ(exitCode(bad.waitExit(20s)), 2);
  // The good first line did not run either: the store was never made.
  EXPECT_FALSE(fs::exists(root_.path() / "var/mobile/Library/SMS/sms.db"));
}

TEST_F(HostsEndToEnd, TheLoaderRunsTheTweakInsideTheProgramAndCommandsComeFromStdin) {
  installFixtures(root_.path());
  ChildProcess sms(hostProgram("mobilesms"), {"--device", root(), "--script", "-"});
  EXPECT_EQ(sms.readLine(20s), "mobilesms: loaded LoaderProbe.dylib");
  ASSERT_TRUE(sms.writeLine("message chat123 5 \"group hello\""));
  ASSERT_TRUE(sms.writeLine("expect read 5 no"));
  ASSERT_TRUE(sms.writeLine("expect file /var/tmp/loader-probe.log exists"));
  ASSERT_TRUE(sms.writeLine("eval NSBundle mainBundle bundleIdentifier"));
  // The settings change reaches the tweak's Darwin observer through the run loop.
  ASSERT_TRUE(sms.writeLine("set Enabled NO"));
  ASSERT_TRUE(sms.writeLine("expect file /var/tmp/loader-probe-com.apple.MobileSMS.settings exists within 10"));
  sms.closeInput();
  auto output = readUntil(sms, "stdin: ");
  EXPECT_EQ(output, (std::vector<std::string>{
                        "[1] message chat123 5 \"group hello\"", "[2] expect read 5 no",
                        "[3] expect file /var/tmp/loader-probe.log exists",
                        "[4] eval NSBundle mainBundle bundleIdentifier",
                        "NSBundle mainBundle bundleIdentifier = com.apple.MobileSMS", "[5] set Enabled NO",
                        "[6] expect file /var/tmp/loader-probe-com.apple.MobileSMS.settings exists within 10",
                        "stdin: 6 commands, 3 expectations met, 0 failed"}));
  EXPECT_EQ(exitCode(sms.waitExit(20s)), 0);

  EXPECT_EQ(lines(root_.path() / "var/tmp/loader-probe.log"),
            std::vector<std::string>{"LoaderProbe.dylib com.apple.MobileSMS"});
}
