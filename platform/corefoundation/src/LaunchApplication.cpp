#include <corefoundation/LaunchApplication.h>

#include <corefoundation/PortTransportSocket.h>
#include <foundation/DeviceRoot.h>

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

extern char** environ;

namespace ns {
namespace {

using cf::port::UniqueFd;

constexpr std::string_view kAppFolder = "/var/run/noctil-apps";

struct Application {
  std::filesystem::path program;
  std::vector<std::string> arguments;
};

std::mutex& registryMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, Application, std::less<>>& registry() {
  static std::map<std::string, Application, std::less<>> apps;
  return apps;
}

// The instance lock is a write lock on the whole pid file, owned by an open file
// description (not by a process), so it passes to the program across fork and exec.
bool tryLock(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}
bool heldElsewhere(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

objc::Result<std::filesystem::path> appFile(std::string_view bundleIdentifier, std::string_view suffix) {
  if (bundleIdentifier.empty()) return objc::makeError("empty bundle identifier");
  auto folder = cf::port::runFolder(kAppFolder);
  if (!folder) return folder.error();
  return *folder / (cf::port::fileNameFor(bundleIdentifier) + std::string(suffix));
}

std::optional<pid_t> readPid(int fd) {
  char text[32] = {};
  ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  if (n <= 0) return std::nullopt;
  long value = std::strtol(text, nullptr, 10);
  if (value <= 0) return std::nullopt;
  return static_cast<pid_t>(value);
}

// Writes the calling process's pid into the pid file.  Async-signal-safe: it runs
// between fork and exec.
void writeOwnPid(int fd) {
  char digits[24];
  int n = 0;
  for (long pid = ::getpid(); pid > 0 && n < 22; pid /= 10) digits[n++] = static_cast<char>('0' + pid % 10);
  char text[24];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = '\n';
  if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, text, static_cast<std::size_t>(n) + 1, 0);
}

// The launched program's side of the double fork; never returns.
[[noreturn]] void becomeApplication(int lockFd, int nullFd, int logFd, int errorPipe, char* const* argv) {
  ::setsid();
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::dup2(nullFd, 0);
  ::dup2(logFd, 1);
  ::dup2(logFd, 2);
  writeOwnPid(lockFd);
  // Nothing of the caller but the lock leaks into the program: every other
  // descriptor closes at exec.
  ::syscall(SYS_close_range, 3u, static_cast<unsigned>(lockFd) - 1u, CLOSE_RANGE_CLOEXEC);
  ::syscall(SYS_close_range, static_cast<unsigned>(lockFd) + 1u, ~0u, CLOSE_RANGE_CLOEXEC);
  ::fcntl(lockFd, F_SETFD, 0);
  ::execve(argv[0], argv, environ);
  int error = errno;
  (void)!::write(errorPipe, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

void registerApplication(std::string bundleIdentifier, std::filesystem::path program, std::vector<std::string> arguments) {
  std::lock_guard guard(registryMutex());
  registry()[std::move(bundleIdentifier)] = Application{std::move(program), std::move(arguments)};
}

void unregisterApplication(std::string_view bundleIdentifier) {
  std::lock_guard guard(registryMutex());
  if (auto found = registry().find(bundleIdentifier); found != registry().end()) registry().erase(found);
}

bool isApplicationRegistered(std::string_view bundleIdentifier) {
  std::lock_guard guard(registryMutex());
  return registry().find(bundleIdentifier) != registry().end();
}

objc::Result<LaunchOutcome> launchApplication(std::string_view bundleIdentifier, bool /*suspended*/) {
  Application app;
  {
    std::lock_guard guard(registryMutex());
    auto found = registry().find(bundleIdentifier);
    if (found == registry().end()) return objc::makeError("no application registered for " + std::string(bundleIdentifier));
    app = found->second;
  }
  auto pidPath = appFile(bundleIdentifier, ".pid");
  if (!pidPath) return pidPath.error();
  auto logPath = appFile(bundleIdentifier, ".log");
  if (!logPath) return logPath.error();
  if (::access(app.program.c_str(), X_OK) != 0)
    return objc::makeError("cannot run " + app.program.string() + ": " + std::strerror(errno));

  UniqueFd lock(::open(pidPath->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.valid()) return objc::makeError("cannot open " + pidPath->string() + ": " + std::strerror(errno));
  if (!tryLock(lock.get())) {
    if (errno == EAGAIN || errno == EACCES) return LaunchOutcome::alreadyRunning;
    return objc::makeError(std::string("cannot lock the pid file: ") + std::strerror(errno));
  }

  // Everything the child needs is made before fork: after it only async-signal-safe
  // calls are allowed, as other threads of this process may hold locks.
  std::vector<std::string> words;
  words.push_back(app.program.string());
  words.insert(words.end(), app.arguments.begin(), app.arguments.end());
  words.push_back("--device");
  words.push_back(deviceRoot().string());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  UniqueFd nullFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  UniqueFd logFd(::open(logPath->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  int errorPipe[2];
  if (!nullFd.valid() || !logFd.valid() || ::pipe2(errorPipe, O_CLOEXEC) != 0)
    return objc::makeError(std::string("cannot prepare the launch: ") + std::strerror(errno));
  UniqueFd errorRead(errorPipe[0]), errorWrite(errorPipe[1]);

  pid_t child = ::fork();
  if (child < 0) return objc::makeError(std::string("fork: ") + std::strerror(errno));
  if (child == 0) {
    // The middle process exits at once, so the program is adopted by init (or a
    // subreaper) and this process reaps only the middle one.
    pid_t grandchild = ::fork();
    if (grandchild == 0) becomeApplication(lock.get(), nullFd.get(), logFd.get(), errorWrite.get(), argv.data());
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  errorWrite.reset();
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return objc::makeError("could not start the application process");
  // The pipe closes at the program's exec; a failed exec writes its errno first.
  int execError = 0;
  ssize_t n;
  do {
    n = ::read(errorRead.get(), &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(sizeof execError))
    return objc::makeError("cannot run " + app.program.string() + ": " + std::strerror(execError));
  // Our descriptor closes here; the lock lives on in the program's copy.
  return LaunchOutcome::started;
}

std::optional<pid_t> runningApplicationPid(std::string_view bundleIdentifier) {
  auto pidPath = appFile(bundleIdentifier, ".pid");
  if (!pidPath) return std::nullopt;
  UniqueFd file(::open(pidPath->c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid() || !heldElsewhere(file.get())) return std::nullopt;
  return readPid(file.get());
}

objc::Result<bool> claimApplicationInstance(std::string_view bundleIdentifier) {
  auto pidPath = appFile(bundleIdentifier, ".pid");
  if (!pidPath) return pidPath.error();
  UniqueFd file(::open(pidPath->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!file.valid()) return objc::makeError("cannot open " + pidPath->string() + ": " + std::strerror(errno));
  if (tryLock(file.get())) {
    writeOwnPid(file.get());
    file.release();  // held for the life of the process
    return true;
  }
  if (errno != EAGAIN && errno != EACCES) return objc::makeError(std::string("cannot lock: ") + std::strerror(errno));
  // Locked: by this very process when the launcher started it, or by another one.
  return readPid(file.get()) == ::getpid();
}

}  // namespace ns
