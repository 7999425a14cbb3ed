#include <corefoundation/PortTransportSocket.h>

#include <foundation/DeviceRoot.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace cf::port {

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

objc::Result<std::filesystem::path> runFolder(std::string_view devicePath) {
  auto folder = ns::hostPath(devicePath);
  if (!folder) return folder.error();
  std::error_code ec;
  std::filesystem::create_directories(*folder, ec);
  if (ec) return objc::makeError("cannot create " + folder->string() + ": " + ec.message());
  if (::chmod(folder->c_str(), 0700) != 0)
    return objc::makeError("cannot restrict " + folder->string() + ": " + std::strerror(errno));
  return folder;
}

std::uint64_t stableHash(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string fileNameFor(std::string_view name) {
  bool plain = !name.empty() && name.size() <= kMaxPlainFileName && name.front() != '.';
  for (char c : name) {
    if (!plain) break;
    plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_';
  }
  if (plain) return std::string(name);
  char hashed[24];
  std::snprintf(hashed, sizeof hashed, "#%016llx", static_cast<unsigned long long>(stableHash(name)));
  return hashed;
}

objc::Result<SocketAddress> SocketAddress::make(const std::filesystem::path& folder, std::string_view fileName,
                                                std::shared_ptr<UniqueFd> openFolder) {
  SocketAddress result;
  result.address_.sun_family = AF_UNIX;
  result.filePath_ = folder / std::string(fileName);
  std::string path = result.filePath_.string();
  if (path.size() >= sizeof(result.address_.sun_path)) {
    // Too long for sun_path: reach the folder through a descriptor of our own.
    if (!openFolder || !openFolder->valid()) {
      int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (dir < 0) return objc::makeError("cannot open " + folder.string() + ": " + std::strerror(errno));
      openFolder = std::make_shared<UniqueFd>(dir);
    }
    result.folderHold_ = std::move(openFolder);
    path = "/proc/self/fd/" + std::to_string(result.folderHold_->get()) + "/" + std::string(fileName);
    if (path.size() >= sizeof(result.address_.sun_path))
      return objc::makeError("socket name too long: " + std::string(fileName));
  }
  std::memcpy(result.address_.sun_path, path.data(), path.size());
  result.length_ = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return result;
}

Deadline::Deadline(double timeoutSeconds) {
  using namespace std::chrono;
  constexpr double kLongest = 24.0 * 3600.0;
  double seconds = std::isnan(timeoutSeconds) || timeoutSeconds < 0 ? 0.0 : std::min(timeoutSeconds, kLongest);
  at_ = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(seconds));
}

int Deadline::remainingMilliseconds() const {
  using namespace std::chrono;
  auto left = at_ - steady_clock::now();
  if (left <= steady_clock::duration::zero()) return 0;
  // Round up so that a wait never ends a little before the deadline.
  return static_cast<int>(duration_cast<milliseconds>(left + milliseconds(1) - nanoseconds(1)).count());
}

namespace {

// Waits until fd is ready for `events` or the deadline passes.  False on time-out.
bool waitFor(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, deadline.remainingMilliseconds());
    if (n > 0) return true;
    if (n == 0) return false;
    if (errno != EINTR) return true;  // let the next I/O call report the error
  }
}

bool isPeerGone(int error) { return error == EPIPE || error == ECONNRESET || error == ENOTCONN; }

}  // namespace

IoStatus writeAll(int fd, std::span<const std::uint8_t> head, std::span<const std::uint8_t> body,
                  const Deadline& deadline, std::size_t& written) {
  written = 0;
  const std::size_t total = head.size() + body.size();
  while (written < total) {
    iovec parts[2];
    int count = 0;
    if (written < head.size()) {
      parts[count++] = {const_cast<std::uint8_t*>(head.data() + written), head.size() - written};
      if (!body.empty()) parts[count++] = {const_cast<std::uint8_t*>(body.data()), body.size()};
    } else {
      std::size_t offset = written - head.size();
      parts[count++] = {const_cast<std::uint8_t*>(body.data() + offset), body.size() - offset};
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (deadline.expired() || !waitFor(fd, POLLOUT, deadline)) return IoStatus::timedOut;
      continue;
    }
    return n < 0 && isPeerGone(errno) ? IoStatus::peerGone : IoStatus::failed;
  }
  return IoStatus::done;
}

IoStatus readSome(int fd, std::span<std::uint8_t> buffer, const Deadline& deadline, std::size_t& received) {
  received = 0;
  for (;;) {
    ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n > 0) {
      received = static_cast<std::size_t>(n);
      return IoStatus::done;
    }
    if (n == 0) return IoStatus::peerGone;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (deadline.expired() || !waitFor(fd, POLLIN, deadline)) return IoStatus::timedOut;
      continue;
    }
    return isPeerGone(errno) ? IoStatus::peerGone : IoStatus::failed;
  }
}

bool setNonBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace cf::port
