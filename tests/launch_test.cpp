// Launching applications by bundle identifier: one instance per device root, started
// detached with the same device root, relaunched after it dies, and clear errors for
// what cannot be launched.
#include <corefoundation/LaunchApplication.h>
#include <corefoundation/PortTransportClient.h>

#include "PortsTest.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

using testing_support::DeviceRootTest;
using testing_support::eventually;

namespace {

constexpr const char* kBundle = "com.example.LaunchedApp";
constexpr const char* kPort = "com.example.launched.port";

class Launch : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    // Launched programs are orphaned on purpose; as their subreaper this test can
    // reap them, so none is left behind as a zombie.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ns::registerApplication(kBundle, helperPath(), {"app", kBundle, kPort});
  }
  void TearDown() override {
    if (auto pid = ns::runningApplicationPid(kBundle)) stop(*pid);
    ns::unregisterApplication(kBundle);
  }

  // Kills a launched instance and waits until its lock is gone.
  void stop(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(eventually([] { return !ns::runningApplicationPid(kBundle); }));
  }

  std::string log() {
    std::ifstream in(root_.path() / "var/run/noctil-apps" / (std::string(kBundle) + ".log"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

std::size_t occurrences(const std::string& text, const std::string& word) {
  std::size_t count = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

}  // namespace

TEST_F(Launch, LaunchingTwiceStartsOneProcessThatServesItsPort) {
  EXPECT_FALSE(ns::runningApplicationPid(kBundle));
  auto first = ns::launchApplication(kBundle, true);
  ASSERT_TRUE(first.ok()) << first.error().message;
  EXPECT_EQ(*first, ns::LaunchOutcome::started);
  auto second = ns::launchApplication(kBundle, true);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second, ns::LaunchOutcome::alreadyRunning);

  // The program joined this device root: its port shows up here.
  std::unique_ptr<cf::port::PortClient> client;
  ASSERT_TRUE(eventually([&] { return (client = cf::port::PortClient::connect(kPort)) != nullptr; }));
  auto pid = ns::runningApplicationPid(kBundle);
  ASSERT_TRUE(pid.has_value());
  EXPECT_NE(*pid, ::getpid());
  EXPECT_EQ(::getsid(*pid), *pid);  // a session of its own
  EXPECT_EQ(ns::launchApplication(kBundle, false).value(), ns::LaunchOutcome::alreadyRunning);
  // The program listens before it writes its log line: wait for the line.
  EXPECT_TRUE(eventually([&] { return occurrences(log(), "started ") == 1u; })) << log();
  EXPECT_EQ(ns::claimApplicationInstance(kBundle).value(), false);  // we are not the instance

  stop(*pid);
  EXPECT_FALSE(client->isValid());
  EXPECT_EQ(ns::launchApplication(kBundle, true).value(), ns::LaunchOutcome::started);
  ASSERT_TRUE(eventually([&] { return cf::port::PortClient::connect(kPort) != nullptr; }));
  EXPECT_NE(ns::runningApplicationPid(kBundle), pid);
  EXPECT_TRUE(eventually([&] { return occurrences(log(), "started ") == 2u; })) << log();
}

TEST_F(Launch, WhatCannotBeLaunchedIsAnErrorAndBlocksNothing) {
  EXPECT_FALSE(ns::launchApplication("com.example.Unknown", true).ok());
  ns::registerApplication(kBundle, root_.path() / "no-such-program");
  auto missing = ns::launchApplication(kBundle, true);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().message.find("no-such-program"), std::string::npos);
  EXPECT_FALSE(ns::runningApplicationPid(kBundle));

  ns::registerApplication(kBundle, helperPath(), {"app", kBundle, kPort});
  EXPECT_EQ(ns::launchApplication(kBundle, true).value(), ns::LaunchOutcome::started);
  EXPECT_TRUE(eventually([] { return cf::port::PortClient::connect(kPort) != nullptr; }));
}

TEST_F(Launch, AProgramStartedByHandClaimsTheInstance) {
  auto byHand = helper({"app", kBundle, kPort});
  ASSERT_TRUE(byHand->readLine().value_or("").starts_with("started "));
  EXPECT_EQ(ns::runningApplicationPid(kBundle), byHand->pid());
  EXPECT_EQ(ns::launchApplication(kBundle, true).value(), ns::LaunchOutcome::alreadyRunning);
  auto intruder = helper({"app", kBundle, "com.example.other.port"});
  EXPECT_EQ(intruder->readLine(), "not the instance");
}
