#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_ = out[0];
  if (rc != 0) {
    ::close(input_);
    ::close(output_);
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
  }
}

ChildProcess::~ChildProcess() {
  if (!reaped_) kill(SIGKILL);
  if (input_ >= 0) ::close(input_);
  if (output_ >= 0) ::close(output_);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    if (auto end = buffered_.find('\n'); end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    pollfd p{output_, POLLIN, 0};
    int n = ::poll(&p, 1, millisecondsUntil(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    char chunk[4096];
    ssize_t got = ::read(output_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

bool ChildProcess::waitForLine(const std::string& line, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (auto next = readLine(std::chrono::milliseconds(millisecondsUntil(deadline)))) {
    if (*next == line) return true;
  }
  return false;
}

bool ChildProcess::writeLine(const std::string& line) {
  std::string text = line + "\n";
  // A child that already ended must fail the write, not kill the test with SIGPIPE.
  struct sigaction ignore {}, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  bool ok = ::write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::sigaction(SIGPIPE, &previous, nullptr);
  return ok;
}

void ChildProcess::closeInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

std::optional<int> ChildProcess::kill(int signal, std::chrono::milliseconds timeout) {
  if (reaped_) return status_;
  ::kill(pid_, signal);
  return waitExit(timeout);
}

std::optional<int> ChildProcess::waitExit(std::chrono::milliseconds timeout) {
  if (reaped_) return status_;
  auto deadline = Clock::now() + timeout;
  // A pid descriptor becomes readable when the process ends.
  int exitWatch = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  for (;;) {
    pid_t done = ::waitpid(pid_, &status_, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      if (exitWatch >= 0) ::close(exitWatch);
      return status_;
    }
    if (Clock::now() >= deadline) break;
    if (exitWatch >= 0) {
      pollfd p{exitWatch, POLLIN, 0};
      ::poll(&p, 1, millisecondsUntil(deadline));
    } else {
      ::usleep(2000);
    }
  }
  if (exitWatch >= 0) ::close(exitWatch);
  ::kill(pid_, SIGKILL);
  if (::waitpid(pid_, &status_, 0) == pid_) reaped_ = true;
  return std::nullopt;
}

}  // namespace testing_support
