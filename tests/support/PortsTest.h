// Shared by the tests of message ports, notifications and launching: a fresh device
// root per test, the helper program as the other process, and a bounded wait for
// something another process does.
#pragma once

#include "ChildProcess.h"
#include "TestSupport.h"

#include <foundation/DeviceRoot.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// True as soon as `condition` holds, false if it still does not after `timeout`.
// For waiting on other processes only; nothing here stands in for a timer.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

class DeviceRootTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }

#ifdef NOCTIL_PORTS_HELPER
  // Runs the helper program in this test's device root.
  std::unique_ptr<ChildProcess> helper(std::vector<std::string> arguments) {
    arguments.push_back("--device");
    arguments.push_back(root_.str());
    return std::make_unique<ChildProcess>(NOCTIL_PORTS_HELPER, arguments);
  }
  static std::string helperPath() { return NOCTIL_PORTS_HELPER; }
#endif

  TempDir root_;
};

}  // namespace testing_support
