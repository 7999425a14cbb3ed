#include <foundation/DeviceRoot.h>
#include <foundation/FileFaults.h>
#include <foundation/FileIO.h>

#include "BufferRecycler.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ns {
namespace {

std::string errnoText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}
std::string errnoText(const std::string& what, const std::filesystem::path& path) {
  return errnoText(what, path.string());
}

// The armed faults: per operation, how many more calls pass before one fails (0: none
// armed) and the error it fails with.
struct Fault {
  std::atomic<int> countdown{0};
  std::atomic<int> error{0};
};
Fault gFaults[3];

// True when this call of `operation` is to fail; errno is then set.
bool injectedFault(FileOperation operation) {
  Fault& fault = gFaults[static_cast<int>(operation)];
  int left = fault.countdown.load(std::memory_order_relaxed);
  while (left > 0) {
    if (fault.countdown.compare_exchange_weak(left, left - 1, std::memory_order_acq_rel)) {
      if (left != 1) return false;
      errno = fault.error.load(std::memory_order_relaxed);
      return true;
    }
  }
  return false;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    if (injectedFault(FileOperation::write)) return false;
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Temporary files of the atomic writer are named ".<target name>.XXXXXX" in the
// target's folder, six letters or digits at the end.
constexpr std::size_t kSuffixLength = 6;

bool isTemporaryOf(std::string_view entry, std::string_view target) {
  if (entry.size() != target.size() + 2 + kSuffixLength || entry[0] != '.') return false;
  if (entry.substr(1, target.size()) != target || entry[1 + target.size()] != '.') return false;
  return std::all_of(entry.end() - kSuffixLength, entry.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::string randomSuffix() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string suffix(kSuffixLength, 'x');
  for (char& c : suffix) c = kLetters[generator() % (sizeof kLetters - 1)];
  return suffix;
}

// A writer holds an exclusive flock on its temporary file from before the file has a
// name until after it has been renamed over the target, so a temporary that can be
// locked belongs to nobody: its writer was killed between naming and renaming it.
// Those are removed; a live writer's temporary (locked) is left alone.
void removeStaleTemporaries(const std::filesystem::path& folder, std::string_view target) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  int dirFd = ::dirfd(dir);
  while (dirent* entry = ::readdir(dir)) {
    if (!isTemporaryOf(entry->d_name, target)) continue;
    int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
        named.st_dev == opened.st_dev)
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

// An unnamed file in `folder`, already locked, and whether it still needs a name.
// The kernel's unnamed temporary files are used where the file system has them (a
// writer killed before the rename then leaves nothing behind); elsewhere a named
// temporary is made and locked at once.
int openLockedTemporary(const std::filesystem::path& folder, const std::string& base, std::string& namedPath) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    std::string pattern = (folder / ("." + base + ".XXXXXX")).string();
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) namedPath = pattern;
  }
  if (fd >= 0) ::flock(fd, LOCK_EX);
  return fd;
}

// Gives an unnamed temporary file a name beside the target; the empty string on failure.
std::string nameTemporary(int fd, const std::filesystem::path& folder, const std::string& base) {
  std::string source = "/proc/self/fd/" + std::to_string(fd);
  for (int tries = 0; tries < 100; ++tries) {
    std::string path = (folder / ("." + base + "." + randomSuffix())).string();
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return path;
    if (errno != EEXIST) return {};
  }
  errno = EEXIST;
  return {};
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& root) {
  auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return r == root.end();
}

}  // namespace

objc::Result<std::span<const std::uint8_t>> readFileInto(std::string_view devicePath, std::span<std::uint8_t> buffer,
                                                         std::vector<std::uint8_t>& spill) {
  auto host = hostPathText(devicePath);
  if (!host) return host.error();
  // Opened without blocking, so a FIFO or device never makes the read wait.
  int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return objc::makeError(errnoText("cannot open", *host));
  auto failRead = [&](const std::string& what) -> objc::Error {
    std::string message = errnoText(what, *host);
    ::close(fd);
    return objc::makeError(message);
  };
  // A file smaller than the buffer is read whole by one read: a regular file's read
  // stops short only at its end.  Only a first read that comes back empty or full
  // asks what the file is, so anything but a regular file is still refused.
  ssize_t n;
  do n = ::read(fd, buffer.data(), buffer.size());
  while (n < 0 && errno == EINTR);
  if (n > 0 && static_cast<std::size_t>(n) < buffer.size()) {
    ::close(fd);
    return std::span<const std::uint8_t>(buffer.first(static_cast<std::size_t>(n)));
  }
  if (n < 0 && errno != EAGAIN) return failRead("cannot read");
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return objc::makeError("not a regular file: " + *host);
  }
  if (n <= 0) {
    ::close(fd);
    return std::span<const std::uint8_t>();
  }
  // One byte beyond the size, so the read that meets the end needs no larger buffer;
  // a large one may be memory an earlier large read of this thread left behind.
  std::vector<std::uint8_t>& bytes = spill;
  const std::size_t room = std::max<std::size_t>(static_cast<std::size_t>(info.st_size), buffer.size()) + 1;
  ns::detail::reuseBufferForOverwrite(bytes, room);  // read over, then cut to what was read
  std::memcpy(bytes.data(), buffer.data(), buffer.size());
  std::size_t done = buffer.size();
  while (true) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew meanwhile
    n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failRead("cannot read");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    // A read that stops short at the size the file had is at its end: no further read
    // is needed to see it.
    if (done >= static_cast<std::size_t>(info.st_size) && done < bytes.size()) break;
  }
  ::close(fd);
  bytes.resize(done);
  return std::span<const std::uint8_t>(bytes);
}

objc::Result<std::vector<std::uint8_t>> readFile(std::string_view devicePath) {
  std::uint8_t first[16384];
  std::vector<std::uint8_t> spill;
  auto bytes = readFileInto(devicePath, first, spill);
  if (!bytes.ok()) return bytes.error();
  if (bytes.value().data() == spill.data()) return spill;
  return std::vector<std::uint8_t>(bytes.value().begin(), bytes.value().end());
}

objc::Result<std::filesystem::path> writableHostPath(std::string_view devicePath) {
  auto host = hostPath(devicePath);
  if (!host) return host.error();
  std::error_code ec;
  std::filesystem::path root = std::filesystem::weakly_canonical(deviceRoot(), ec);
  if (ec) return objc::makeError("cannot resolve the device root: " + ec.message());
  std::filesystem::path folder = std::filesystem::weakly_canonical(host->parent_path(), ec);
  if (ec) return objc::makeError("cannot resolve " + host->parent_path().string() + ": " + ec.message());
  if (!isInside(folder, root)) return objc::makeError("path leaves the device root: " + std::string(devicePath));
  if (*host == deviceRoot()) return objc::makeError("the device root itself is not a file");
  return *host;
}

objc::Status writeHostFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
  std::filesystem::path folder = target.parent_path();
  std::string base = target.filename().string();
  removeStaleTemporaries(folder, base);
  std::string temporary;
  int fd = openLockedTemporary(folder, base, temporary);
  if (fd < 0) return objc::makeError(errnoText("cannot create a temporary file in", folder));
  // The descriptor stays open, and the temporary locked, until the rename is done.
  auto fail = [&](const std::string& message) -> objc::Status {
    if (!temporary.empty()) ::unlink(temporary.c_str());
    ::close(fd);
    return objc::makeError(message);
  };
  // The new file keeps the permissions of the one it replaces; a new one gets 0644.
  struct stat old {};
  mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return fail(errnoText("cannot set permissions of a temporary file for", target));
  if (!writeAll(fd, bytes.data(), bytes.size())) return fail(errnoText("cannot write a temporary file for", target));
  if (injectedFault(FileOperation::fsync) || ::fsync(fd) != 0)
    return fail(errnoText("cannot flush a temporary file for", target));
  if (temporary.empty()) {
    temporary = nameTemporary(fd, folder, base);
    if (temporary.empty()) return fail(errnoText("cannot name a temporary file in", folder));
  }
  if (injectedFault(FileOperation::rename) || ::rename(temporary.c_str(), target.c_str()) != 0)
    return fail(errnoText("cannot replace", target));
  ::close(fd);
  // Make the rename itself durable; failure here does not undo the write.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return objc::Ok{};
}

objc::Status writeFileAtomically(std::string_view devicePath, std::span<const std::uint8_t> bytes) {
  auto host = writableHostPath(devicePath);
  if (!host) return host.error();
  return writeHostFileAtomically(*host, bytes);
}

void failFileOperation(FileOperation operation, int nth, int error) {
  Fault& fault = gFaults[static_cast<int>(operation)];
  fault.error.store(error, std::memory_order_relaxed);
  fault.countdown.store(nth > 0 ? nth : 0, std::memory_order_release);
}

void clearFileFaults() {
  for (Fault& fault : gFaults) fault.countdown.store(0, std::memory_order_release);
}

}  // namespace ns
