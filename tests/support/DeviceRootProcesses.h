// What the end-to-end tests do with host programs on a device root: lay the project's
// install rules into the root, read a finished child's exit status, and drive a
// running home screen line by line.  Every wait has a deadline.
#pragma once

#include <ChildProcess.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A child's exit code, 128 + the signal that ended it, or -1 when it did not end
// before its deadline.
inline int exitCode(const std::optional<int>& status) {
  if (!status) return -1;
  return WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
}

// `cmake --install` of the build tree into `root`: the project's libraries, filter
// lists and settings bundle, and with `withFixtures` the test fixtures too (the probe
// tweak, whose file tells when a settings-changed notification has arrived).
inline ::testing::AssertionResult installInto(const std::string& cmake, const std::string& buildDir,
                                              const std::filesystem::path& root, bool withFixtures) {
  std::vector<std::string> components = {""};
  if (withFixtures) components.push_back(" --component test_fixtures");
  for (const auto& component : components) {
    std::string install = "\"" + cmake + "\" --install \"" + buildDir + "\" --prefix \"" + root.string() + "\"" +
                          component + " > /dev/null";
    if (std::system(install.c_str()) != 0) return ::testing::AssertionFailure() << install;
  }
  return ::testing::AssertionSuccess();
}

// Sends the lines to a host program reading commands on its standard input, then an
// echo of `marker`, and waits until it has run them all.
inline bool play(ChildProcess& program, const std::vector<std::string>& lines, const std::string& marker) {
  for (const auto& line : lines) {
    if (!program.writeLine(line)) return false;
  }
  return program.writeLine("echo " + marker) && program.waitForLine(marker, std::chrono::seconds(60));
}

// Starts a program, reads its output to the end and answers its exit status (see
// exitCode), every wait bounded.
inline int runToEnd(const std::string& program, const std::vector<std::string>& arguments) {
  ChildProcess child(program, arguments);
  while (child.readLine(std::chrono::seconds(30))) {
  }
  return exitCode(child.waitExit(std::chrono::seconds(30)));
}

}  // namespace testing_support
