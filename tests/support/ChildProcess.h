// A helper program run by a test: started with its standard input and output on
// pipes, read line by line with a deadline, and killed when the test is done with it
// (or fails), so no test can hang on a process or leave one behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class ChildProcess {
 public:
  // Starts `program` with `arguments`; throws std::runtime_error when it cannot.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
  // Kills the process if it still runs and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The next line of the child's output (without the newline), or none when the
  // deadline passes or the output ends first.
  std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Reads lines until one equals `line`; false on time-out or end of output.
  bool waitForLine(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Writes a line to the child's standard input.
  bool writeLine(const std::string& line);
  // Closes the child's standard input.
  void closeInput();

  // Sends a signal and waits up to `timeout` for the exit; the wait status, or none.
  std::optional<int> kill(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Waits up to `timeout` for the child to end by itself; the wait status, or none
  // (the child is then killed).
  std::optional<int> waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
  bool reaped_ = false;
  int status_ = 0;
};

}  // namespace testing_support
