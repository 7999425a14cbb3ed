// Runs one scenario file through the real host programs, for the test suite:
//
//   scenario_check --build-dir DIR --hosts-dir DIR --root DIR --cmake PATH
//                  [--deadline SECONDS] SCRIPT
//
// It lays a fresh device root with `cmake --install` (plus any install components
// the script names), starts the programs the script asks for, runs the script in
// its host program and answers that program's exit status.  Every process it starts,
// and any application a program launched in the background on that device root,
// is ended when the run is over or the deadline passes (a deadline is a failure).
//
// Directives, in comments at the top of the script (the scenario language ignores
// them):
//   # host: springboard --ios 7.x      the program that runs the script (default)
//   # host: mobilesms
//   # background: mobilesms            started first, served until the script ends,
//                                      then terminated; it must exit cleanly
//   # install: <component>             also installs that component
//   # install: none                    installs nothing (the stock device, even once
//                                      the project's libraries are installed by default)
//   # then: <script>                   once the host has ended well, runs it again on
//                                      the same device root with that script (a path
//                                      relative to this one): a restart of the program
#include <corefoundation/LaunchApplication.h>
#include <foundation/DeviceRoot.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Options {
  fs::path buildDir, hostsDir, root, cmake, script;
  double deadline = 120;
};

struct Directives {
  std::vector<std::string> host{"springboard", "--ios", "7.x"};
  std::vector<std::string> background;
  std::vector<std::string> components;
  std::vector<fs::path> then;
};

std::vector<std::string> splitSpaces(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

Directives readDirectives(const fs::path& script) {
  Directives d;
  std::ifstream in(script);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("#", 0) != 0) continue;
    std::string body = line.substr(1);
    auto colon = body.find(':');
    if (colon == std::string::npos) continue;
    auto key = splitSpaces(body.substr(0, colon));
    auto value = splitSpaces(body.substr(colon + 1));
    if (key.size() != 1 || value.empty()) continue;
    if (key[0] == "host") d.host = value;
    if (key[0] == "background") d.background = value;
    if (key[0] == "install") d.components.insert(d.components.end(), value.begin(), value.end());
    if (key[0] == "then" && value.size() == 1) d.then.push_back(script.parent_path() / value[0]);
  }
  return d;
}

class Process {
 public:
  Process(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, words[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~Process() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
    }
  }
  bool started() const { return pid_ > 0; }
  // The wait status, or none when the deadline passed first (the process is killed).
  std::optional<int> wait(Clock::time_point deadline) {
    if (reaped_) return status_;
    int watch = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    while (true) {
      if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
        reaped_ = true;
        break;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      if (watch >= 0) {
        pollfd p{watch, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
      } else {
        ::usleep(5000);
      }
    }
    if (watch >= 0) ::close(watch);
    if (!reaped_) return std::nullopt;
    return status_;
  }
  void signal(int sig) {
    if (pid_ > 0 && !reaped_) ::kill(pid_, sig);
  }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

std::string describeStatus(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("killed by signal ") + strsignal(WTERMSIG(status));
  return "ended oddly";
}

int fail(const std::string& message) {
  std::cerr << "scenario_check: " << message << '\n';
  return 1;
}

// Applications that a program launched in the background on this device root.
void endLaunchedApplications() {
  for (const char* bundle : {"com.apple.MobileSMS", "com.apple.springboard", "com.apple.Preferences"}) {
    if (auto pid = ns::runningApplicationPid(bundle)) {
      ::kill(*pid, SIGKILL);
      std::cerr << "scenario_check: ended " << bundle << " (pid " << *pid << "), which the scenario had launched\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--build-dir") o.buildDir = next();
    else if (a == "--hosts-dir") o.hostsDir = next();
    else if (a == "--root") o.root = next();
    else if (a == "--cmake") o.cmake = next();
    else if (a == "--deadline") o.deadline = std::atof(next().c_str());
    else if (!a.empty() && a[0] != '-' && o.script.empty()) o.script = a;
    else return fail("unexpected argument " + a);
  }
  if (o.buildDir.empty() || o.hostsDir.empty() || o.root.empty() || o.cmake.empty() || o.script.empty() ||
      o.deadline <= 0) {
    return fail("usage: scenario_check --build-dir DIR --hosts-dir DIR --root DIR --cmake PATH [--deadline S] SCRIPT");
  }
  ::signal(SIGPIPE, SIG_IGN);
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.deadline));
  const Directives d = readDirectives(o.script);

  // A fresh device root, laid by the install rules.
  std::error_code ec;
  fs::remove_all(o.root, ec);
  // The folder of every app's settings exists on any device from the start; programs
  // that write another app's settings file (rather than its own domain) rely on it.
  fs::create_directories(o.root / "var/mobile/Library/Preferences", ec);
  if (ec) return fail("cannot make the device root " + o.root.string() + ": " + ec.message());
  ns::setDeviceRoot(o.root);
  std::vector<std::vector<std::string>> installs;
  const bool stock = std::find(d.components.begin(), d.components.end(), "none") != d.components.end();
  if (!stock) installs.push_back({"--install", o.buildDir.string(), "--prefix", o.root.string()});
  for (const auto& c : d.components) {
    if (c == "none") continue;
    installs.push_back({"--install", o.buildDir.string(), "--prefix", o.root.string(), "--component", c});
  }
  for (const auto& args : installs) {
    Process install(o.cmake, args);
    if (!install.started()) return fail("cannot run " + o.cmake.string());
    auto status = install.wait(deadline);
    if (!status) return fail("cmake --install passed the deadline");
    if (*status != 0) return fail("cmake --install failed: " + describeStatus(*status));
  }

  auto hostArgs = [&](const std::vector<std::string>& command, std::vector<std::string> extra) {
    std::vector<std::string> args(command.begin() + 1, command.end());
    args.insert(args.end(), {"--device", o.root.string()});
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };

  std::optional<Process> background;
  if (!d.background.empty()) {
    background.emplace(o.hostsDir / d.background[0], hostArgs(d.background, {"--quiet"}));
    if (!background->started()) return fail("cannot start " + d.background[0]);
  }

  // The script, then each follow-up script in a new instance of the host.
  std::vector<fs::path> scripts{o.script};
  scripts.insert(scripts.end(), d.then.begin(), d.then.end());
  int result = 0;
  for (const fs::path& script : scripts) {
    Process host(o.hostsDir / d.host[0], hostArgs(d.host, {"--script", script.string()}));
    if (!host.started()) return fail("cannot start " + d.host[0]);
    auto status = host.wait(deadline);
    if (!status) {
      result = fail(d.host[0] + " did not finish within " + std::to_string(o.deadline) + " s; killed");
    } else if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
      result = fail(d.host[0] + " " + describeStatus(*status) + " running " + script.string());
    }
    if (result != 0) break;
  }

  if (background) {
    background->signal(SIGTERM);
    auto ended = background->wait(std::min<Clock::time_point>(deadline, Clock::now() + std::chrono::seconds(10)));
    if (!ended) {
      result = fail(d.background[0] + " did not end on SIGTERM; killed");
    } else if (!WIFEXITED(*ended) || WEXITSTATUS(*ended) != 0) {
      result = fail(d.background[0] + " " + describeStatus(*ended) + " after SIGTERM");
    }
  }
  endLaunchedApplications();
  return result;
}
