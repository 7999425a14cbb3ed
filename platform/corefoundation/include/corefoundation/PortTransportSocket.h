// Unix-domain socket plumbing shared by message ports, Darwin notifications and the
// application launcher: owned descriptors, run folders under the device root, file
// names made from free-form names, socket addresses that fit sun_path, and reads and
// writes bounded by a deadline on the monotonic clock.
//
// Every socket and descriptor opened here is close-on-exec, and every send uses
// MSG_NOSIGNAL, so a dead peer shows up as an error value and never as SIGPIPE.
#pragma once

#include <objcface/Result.h>

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace cf::port {

// An owned file descriptor, closed when the holder goes away.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// The host path of a run folder of the device ("/var/run/noctil-ports" and the
// like), created on demand with mode 0700 so that only this user reaches the
// sockets inside it.
objc::Result<std::filesystem::path> runFolder(std::string_view devicePath);

// A file name for a free-form name (a port or notification name, a bundle
// identifier).  Names made only of letters, digits, '.', '-' and '_', not starting
// with '.', and at most kMaxPlainFileName bytes long are used as they stand; any
// other name becomes "#" followed by a hash of it, so "../x", names with '/', NUL
// bytes or very long names never leave the folder nor exceed a path limit.
inline constexpr std::size_t kMaxPlainFileName = 80;
std::string fileNameFor(std::string_view name);

// 64-bit FNV-1a hash, stable across processes and builds.
std::uint64_t stableHash(std::string_view bytes);

// A socket address for the file `fileName` inside `folder`.  When the whole path
// does not fit in sun_path (108 bytes), the address goes through an open
// descriptor of the folder ("/proc/self/fd/N/name"); that descriptor is held by the
// address and must outlive the bind or connect that uses it.  Callers that make
// many addresses in one folder may pass an open descriptor of it to share.
class SocketAddress {
 public:
  static objc::Result<SocketAddress> make(const std::filesystem::path& folder, std::string_view fileName,
                                          std::shared_ptr<UniqueFd> openFolder = nullptr);
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address_); }
  socklen_t length() const { return length_; }
  // The socket file's host path (for unlink and chmod).
  const std::filesystem::path& filePath() const { return filePath_; }

 private:
  sockaddr_un address_{};
  socklen_t length_ = 0;
  std::filesystem::path filePath_;
  std::shared_ptr<UniqueFd> folderHold_;
};

// A point in time on the monotonic clock after which a wait gives up.  Timeouts are
// in seconds as CFTimeInterval; a negative or NaN timeout means "do not wait",
// a very large one means "wait as long as it takes" (capped at a day).
class Deadline {
 public:
  explicit Deadline(double timeoutSeconds);
  // Milliseconds left, for poll(): 0 when expired.
  int remainingMilliseconds() const;
  bool expired() const { return std::chrono::steady_clock::now() >= at_; }

 private:
  std::chrono::steady_clock::time_point at_;
};

// What a bounded read or write ended with.
enum class IoStatus {
  done,      // everything was written / something was read
  timedOut,  // the deadline passed first
  peerGone,  // the peer closed its end (EOF, EPIPE, ECONNRESET)
  failed,    // another error of the socket
};

// Writes all of `bytes` to a non-blocking stream socket, waiting for room until the
// deadline.  `written` tells how many bytes went out (also on failure).
IoStatus writeAll(int fd, std::span<const std::uint8_t> head, std::span<const std::uint8_t> body,
                  const Deadline& deadline, std::size_t& written);

// Reads what is available from a non-blocking stream socket into `buffer`, waiting
// until the deadline for at least one byte.  `received` is the count read.
IoStatus readSome(int fd, std::span<std::uint8_t> buffer, const Deadline& deadline, std::size_t& received);

// Makes a descriptor non-blocking.
bool setNonBlocking(int fd);

}  // namespace cf::port
