#include <corefoundation/PortTransportClient.h>

#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cf::port {
namespace {

// How long connecting and greeting may take when a server is slow to accept.
constexpr double kConnectTimeout = 2.0;

}  // namespace

std::unique_ptr<PortClient> PortClient::connect(std::string_view name, std::string* error) {
  auto fail = [&](std::string message) -> std::unique_ptr<PortClient> {
    if (error) *error = std::move(message);
    return nullptr;
  };
  if (name.empty() || name.size() > kMaxPortNameLength) return fail("bad port name length");
  auto folder = runFolder(kPortFolder);
  if (!folder) return fail(folder.error().message);
  auto address = SocketAddress::make(*folder, fileNameFor(name) + ".sock");
  if (!address) return fail(address.error().message);

  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.valid()) return fail(std::string("socket: ") + std::strerror(errno));
  // A blocking connect waits while the server's backlog is full; bound that wait.
  timeval limit{static_cast<time_t>(kConnectTimeout), 0};
  ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  int rc;
  do {
    rc = ::connect(socket.get(), address->get(), address->length());
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return fail("no server for port " + std::string(name) + ": " + std::strerror(errno));
  if (!setNonBlocking(socket.get())) return fail("cannot make the connection non-blocking");

  auto hello = encodeHeader(FrameKind::hello, 0, 0, 0, name.size());
  if (!hello) return fail(hello.error().message);
  std::size_t written = 0;
  auto status = writeAll(socket.get(), *hello, {reinterpret_cast<const std::uint8_t*>(name.data()), name.size()},
                         Deadline(kConnectTimeout), written);
  if (status != IoStatus::done) return fail("the server of " + std::string(name) + " did not take the greeting");

  std::unique_ptr<PortClient> client(new PortClient);
  client->name_ = std::string(name);
  client->socket_ = std::move(socket);
  client->valid_ = true;
  return client;
}

void PortClient::invalidateLocked() {
  valid_ = false;
  socket_.reset();
  unsent_.clear();
}

void PortClient::invalidate() {
  std::lock_guard guard(mutex_);
  invalidateLocked();
}

bool PortClient::checkAliveLocked() {
  if (!valid_) return false;
  pollfd p{socket_.get(), POLLIN | POLLRDHUP, 0};
  int n;
  do {
    n = ::poll(&p, 1, 0);
  } while (n < 0 && errno == EINTR);
  bool dead = n > 0 && (p.revents & (POLLHUP | POLLERR | POLLRDHUP | POLLNVAL));
  if (!dead && n > 0 && (p.revents & POLLIN)) {
    // Readable with no request outstanding: either a late reply or the end.
    std::uint8_t byte;
    ssize_t peeked = ::recv(socket_.get(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    dead = peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
  }
  if (dead) invalidateLocked();
  return !dead;
}

bool PortClient::isValid() {
  std::lock_guard guard(mutex_);
  return checkAliveLocked();
}

SendResult PortClient::send(std::int32_t messageId, std::span<const std::uint8_t> data, double sendTimeout,
                            double receiveTimeout, bool wantsReply, Reply* reply) {
  std::lock_guard guard(mutex_);
  if (reply) reply->reset();
  // No probe of the connection first: a send to a server that has gone fails with
  // EPIPE or ECONNRESET, which invalidates the port (becameInvalid), so a one-way
  // send costs a single system call.
  if (!valid_) return SendResult::isInvalid;
  std::uint32_t sequence = nextSequence_++;
  auto header = encodeHeader(FrameKind::request, wantsReply ? kFrameWantsReply : 0, messageId, sequence, data.size());
  if (!header) return SendResult::transportError;

  Deadline sendDeadline(sendTimeout);
  auto lost = [&](IoStatus status) {
    invalidateLocked();
    return status == IoStatus::peerGone ? SendResult::becameInvalid : SendResult::transportError;
  };
  std::size_t written = 0;
  if (!unsent_.empty()) {
    auto status = writeAll(socket_.get(), unsent_, {}, sendDeadline, written);
    unsent_.erase(unsent_.begin(), unsent_.begin() + static_cast<std::ptrdiff_t>(written));
    if (status == IoStatus::timedOut) return SendResult::sendTimeout;
    if (status != IoStatus::done) return lost(status);
  }
  auto status = writeAll(socket_.get(), *header, data, sendDeadline, written);
  if (status == IoStatus::timedOut) {
    if (written > 0) {
      // Keep the tail so the stream stays whole; it goes out before the next frame.
      if (written < header->size()) unsent_.assign(header->begin() + static_cast<std::ptrdiff_t>(written), header->end());
      std::size_t bodyDone = written > header->size() ? written - header->size() : 0;
      unsent_.insert(unsent_.end(), data.begin() + static_cast<std::ptrdiff_t>(bodyDone), data.end());
    }
    return SendResult::sendTimeout;
  }
  if (status != IoStatus::done) return lost(status);
  if (!wantsReply) return SendResult::success;
  return awaitReply(sequence, receiveTimeout, reply);
}

SendResult PortClient::awaitReply(std::uint32_t sequence, double receiveTimeout, Reply* reply) {
  Deadline deadline(receiveTimeout);
  Frame frame;
  std::uint8_t chunk[16 * 1024];
  for (;;) {
    auto status = reader_.next(frame);
    if (status == FrameReader::Status::malformed) {
      invalidateLocked();
      reader_ = FrameReader();
      return SendResult::transportError;
    }
    if (status == FrameReader::Status::frame) {
      // Replies to earlier requests that timed out arrive late and are dropped here.
      if (frame.header.kind != FrameKind::reply || frame.header.sequence != sequence) continue;
      if (reply && (frame.header.flags & kFrameHasData)) *reply = std::move(frame.payload);
      return SendResult::success;
    }
    // Wait for the reply before reading: it is seldom there the moment the request
    // has gone out, and a read that would only say so costs a system call.
    pollfd p{socket_.get(), POLLIN, 0};
    int ready;
    do ready = ::poll(&p, 1, deadline.remainingMilliseconds());
    while (ready < 0 && errno == EINTR);
    if (ready == 0) return SendResult::receiveTimeout;
    std::size_t received = 0;
    auto io = readSome(socket_.get(), chunk, deadline, received);
    if (io == IoStatus::timedOut) return SendResult::receiveTimeout;
    if (io != IoStatus::done) {
      invalidateLocked();
      return io == IoStatus::peerGone ? SendResult::becameInvalid : SendResult::transportError;
    }
    reader_.append({chunk, received});
  }
}

}  // namespace cf::port
