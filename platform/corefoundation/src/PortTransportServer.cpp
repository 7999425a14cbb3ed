#include <corefoundation/PortTransportServer.h>

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cf::port {
namespace {

// How much one service() call reads from one connection before turning to the
// others; the epoll descriptor stays readable, so the rest is read next time.
constexpr std::size_t kReadBudget = 256 * 1024;
// All a connection may hold before it has greeted: one hello frame.
constexpr std::size_t kHelloFrameLimit = kFrameHeaderSize + kMaxPortNameLength;

}  // namespace

std::unique_ptr<PortServer> PortServer::listen(std::string_view name, Failure* failure) {
  auto fail = [&](ListenFailure kind, std::string message) -> std::unique_ptr<PortServer> {
    if (failure) *failure = {kind, std::move(message)};
    return nullptr;
  };
  if (name.empty() || name.size() > kMaxPortNameLength) return fail(ListenFailure::badName, "bad port name length");
  auto folder = runFolder(kPortFolder);
  if (!folder) return fail(ListenFailure::system, folder.error().message);

  std::unique_ptr<PortServer> server(new PortServer);
  server->name_ = std::string(name);
  std::string file = fileNameFor(name);
  std::filesystem::path lockPath = *folder / (file + ".lock");
  server->lock_.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!server->lock_.valid()) return fail(ListenFailure::system, "cannot open " + lockPath.string());
  if (::flock(server->lock_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return fail(ListenFailure::nameTaken, "port name in use: " + server->name_);
    return fail(ListenFailure::system, std::string("flock: ") + std::strerror(errno));
  }

  auto address = SocketAddress::make(*folder, file + ".sock");
  if (!address) return fail(ListenFailure::system, address.error().message);
  server->socketPath_ = address->filePath();
  // Holding the lock, any socket file of this name is a leftover of a dead server.
  ::unlink(server->socketPath_.c_str());
  server->listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!server->listener_.valid()) return fail(ListenFailure::system, std::string("socket: ") + std::strerror(errno));
  if (::bind(server->listener_.get(), address->get(), address->length()) != 0)
    return fail(ListenFailure::system, "bind " + server->socketPath_.string() + ": " + std::strerror(errno));
  // The folder is already 0700; the socket itself is narrowed to its owner too.
  ::chmod(server->socketPath_.c_str(), 0600);
  if (::listen(server->listener_.get(), 64) != 0) {
    ::unlink(server->socketPath_.c_str());
    return fail(ListenFailure::system, std::string("listen: ") + std::strerror(errno));
  }
  server->epoll_.reset(::epoll_create1(EPOLL_CLOEXEC));
  if (!server->epoll_.valid()) {
    ::unlink(server->socketPath_.c_str());
    return fail(ListenFailure::system, std::string("epoll: ") + std::strerror(errno));
  }
  server->timer_.reset(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!server->timer_.valid()) {
    ::unlink(server->socketPath_.c_str());
    return fail(ListenFailure::system, std::string("timerfd: ") + std::strerror(errno));
  }
  server->watch(server->listener_.get(), false);
  server->watch(server->timer_.get(), false);
  return server;
}

PortServer::~PortServer() { close(); }

void PortServer::watch(int fd, bool writes) {
  epoll_event event{};
  event.events = EPOLLIN | (writes ? EPOLLOUT : 0u);
  event.data.fd = fd;
  if (::epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, fd, &event) != 0) ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event);
}

void PortServer::close() {
  std::lock_guard guard(mutex_);
  if (closed_) return;
  closed_ = true;
  connections_.clear();
  if (listener_.valid()) {
    if (epoll_.valid()) ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, listener_.get(), nullptr);
    ::unlink(socketPath_.c_str());
    listener_.reset();
  }
  if (timer_.valid() && epoll_.valid()) ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, timer_.get(), nullptr);
  // The epoll descriptor stays open (and empty) until destruction, so a run loop
  // still watching it never sees a reused descriptor number.
  lock_.reset();
}

void PortServer::setTimeouts(std::chrono::milliseconds hello, std::chrono::milliseconds idle) {
  std::lock_guard guard(mutex_);
  helloTimeout_ = hello;
  idleTimeout_ = idle;
}

std::size_t PortServer::heldBytes() const {
  std::lock_guard guard(mutex_);
  std::size_t total = 0;
  for (const auto& [fd, connection] : connections_) total += connection->held();
  return total;
}

void PortServer::expireAndArm() {
  if (closed_ || !timer_.valid()) return;
  const auto now = Clock::now();
  std::vector<int> expired;
  auto next = Clock::time_point::max();
  for (const auto& [fd, connection] : connections_) {
    if (connection->deadline <= now)
      expired.push_back(fd);
    else
      next = std::min(next, connection->deadline);
  }
  for (int fd : expired) dropConnection(fd);
  itimerspec due{};
  if (next != Clock::time_point::max()) {
    auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
    due.it_value.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
    due.it_value.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
  }
  // An all-zero value disarms the timer: nothing is due.
  ::timerfd_settime(timer_.get(), 0, &due, nullptr);
}

bool PortServer::makeRoom(int readerFd, std::size_t wanted) {
  for (;;) {
    std::size_t total = 0;
    int largest = -1;
    std::size_t largestHeld = 0;
    for (const auto& [fd, connection] : connections_) {
      total += connection->held();
      if (connection->held() > largestHeld || largest < 0) {
        largest = fd;
        largestHeld = connection->held();
      }
    }
    if (total + wanted <= kMaxHeldBytes) return true;
    // Whoever holds the most goes first; if that is the reader, its read stops here.
    if (largest < 0 || largest == readerFd || largestHeld == 0) {
      dropConnection(readerFd);
      return false;
    }
    dropConnection(largest);
  }
}

bool PortServer::closed() const {
  std::lock_guard guard(mutex_);
  return closed_;
}

std::size_t PortServer::connectionCount() const {
  std::lock_guard guard(mutex_);
  return connections_.size();
}

void PortServer::adoptConnection(UniqueFd socket) {
  std::lock_guard guard(mutex_);
  if (closed_ || !socket.valid() || !setNonBlocking(socket.get())) return;
  addConnection(std::move(socket));
  expireAndArm();
}

void PortServer::addConnection(UniqueFd socket) {
  if (connections_.size() >= kMaxConnections) {
    // Full: the connection that has waited longest without greeting makes room, or
    // else the greeted one idle longest with nothing in flight (its remote port sees
    // the port die and connects again).  Only a table busy to the last connection
    // refuses the newcomer.
    auto pick = connections_.end();
    auto better = [&](const Connection& c) {
      if (pick == connections_.end()) return true;
      const Connection& p = *pick->second;
      if (c.greeted != p.greeted) return !c.greeted;
      return c.deadline < p.deadline;
    };
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
      const Connection& c = *it->second;
      if ((c.greeted && c.held() > 0) || !better(c)) continue;
      pick = it;
    }
    if (pick == connections_.end()) return;  // closed by going out of scope
    dropConnection(pick->first);
  }
  int fd = socket.get();
  auto connection = std::make_unique<Connection>();
  connection->socket = std::move(socket);
  connection->deadline = Clock::now() + helloTimeout_;
  connections_[fd] = std::move(connection);
  watch(fd, false);
}

void PortServer::dropConnection(int fd) {
  ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
  connections_.erase(fd);
}

void PortServer::acceptPending() {
  for (;;) {
    int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN, or a resource shortage that the next call may not have
    }
    addConnection(UniqueFd(fd));
  }
}

std::size_t PortServer::service(const RequestHandler& handler) {
  std::lock_guard guard(mutex_);
  std::size_t handled = 0;
  // A handler that runs a nested run loop must not re-enter this server: the
  // connection it was called for is still being read.
  if (closed_ || servicing_) return handled;
  servicing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{servicing_};
  epoll_event events[32];
  int count = ::epoll_wait(epoll_.get(), events, 32, 0);
  for (int i = 0; i < count && !closed_; ++i) {
    int fd = events[i].data.fd;
    if (fd == listener_.get()) {
      acceptPending();
      continue;
    }
    if (fd == timer_.get()) {
      std::uint64_t expirations;
      while (::read(fd, &expirations, sizeof expirations) > 0) {
      }
      continue;  // the deadlines are checked below
    }
    auto found = connections_.find(fd);
    if (found == connections_.end()) continue;  // dropped earlier in this round
    Connection& connection = *found->second;
    if ((events[i].events & EPOLLOUT) && !flush(connection)) continue;
    if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) serveConnection(connection, handler, handled);
  }
  expireAndArm();
  return handled;
}

bool PortServer::serveConnection(Connection& connection, const RequestHandler& handler, std::size_t& handled) {
  const int fd = connection.socket.get();
  std::uint8_t chunk[16 * 1024];
  std::size_t readNow = 0;
  bool peerGone = false;
  for (;;) {
    // What has arrived is handled before more is read, so a peer is judged by each
    // header as soon as it is here rather than after its payload.
    Frame frame;
    for (;;) {
      if (!connection.greeted) {
        auto pending = connection.reader.pendingHeader();
        if (pending && pending->kind != FrameKind::hello) {
          dropConnection(fd);
          return false;
        }
      }
      auto status = connection.reader.next(frame);
      if (status == FrameReader::Status::needMore) break;
      if (status == FrameReader::Status::malformed) {
        dropConnection(fd);
        return false;
      }
      if (!connection.greeted) {
        bool namesUs = frame.header.kind == FrameKind::hello &&
                       std::string_view(reinterpret_cast<const char*>(frame.payload.data()), frame.payload.size()) ==
                           name_;
        if (!namesUs) {
          dropConnection(fd);
          return false;
        }
        connection.greeted = true;
        connection.deadline = Clock::now() + idleTimeout_;
        continue;
      }
      connection.deadline = Clock::now() + idleTimeout_;
      if (frame.header.kind != FrameKind::request) continue;  // stray hello, reply or unknown kind: skipped
      Request request{frame.header.messageId, frame.payload, (frame.header.flags & kFrameWantsReply) != 0};
      Reply reply = handler(request);
      ++handled;
      // The handler may have closed the server or, through it, this connection.
      if (closed_ || connections_.find(fd) == connections_.end()) return false;
      if (request.wantsReply) {
        queueReply(connection, frame, reply);
        if (!flush(connection)) return false;
      }
    }
    if (peerGone || readNow >= kReadBudget) break;

    // Before its hello a connection may hold one hello frame and no more.
    std::size_t room = sizeof chunk;
    if (!connection.greeted) {
      if (connection.reader.buffered() >= kHelloFrameLimit) {
        dropConnection(fd);
        return false;
      }
      room = std::min(room, kHelloFrameLimit - connection.reader.buffered());
    }
    ssize_t n = ::recv(fd, chunk, room, MSG_DONTWAIT);
    if (n > 0) {
      if (!makeRoom(fd, static_cast<std::size_t>(n))) return false;
      connection.reader.append({chunk, static_cast<std::size_t>(n)});
      readNow += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    peerGone = true;  // EOF or a socket error: handle what arrived, then drop
  }
  if (peerGone) {
    dropConnection(fd);
    return false;
  }
  return true;
}

void PortServer::queueReply(Connection& connection, const Frame& request, const Reply& reply) {
  std::size_t length = reply ? reply->size() : 0;
  std::uint16_t flags = reply ? kFrameHasData : 0;
  auto header = encodeHeader(FrameKind::reply, flags, request.header.messageId, request.header.sequence, length);
  if (!header) {
    // The answer is too large to carry: the requester gets a reply without data
    // rather than waiting for its receive time-out.
    header = encodeHeader(FrameKind::reply, 0, request.header.messageId, request.header.sequence, 0);
    length = 0;
  }
  connection.outbox.insert(connection.outbox.end(), header->begin(), header->end());
  if (length > 0) connection.outbox.insert(connection.outbox.end(), reply->begin(), reply->end());
}

bool PortServer::flush(Connection& connection) {
  const int fd = connection.socket.get();
  std::size_t pending = connection.outbox.size() - connection.outboxStart;
  if (pending > 0) {
    std::size_t written = 0;
    auto status = writeAll(fd, {connection.outbox.data() + connection.outboxStart, pending}, {}, Deadline(0), written);
    connection.outboxStart += written;
    if (status == IoStatus::peerGone || status == IoStatus::failed) {
      dropConnection(fd);
      return false;
    }
  }
  if (connection.outboxStart == connection.outbox.size()) {
    connection.outbox.clear();
    connection.outboxStart = 0;
  } else if (connection.outbox.size() - connection.outboxStart > kMaxPendingReplyBytes) {
    dropConnection(fd);
    return false;
  }
  bool wantWrites = !connection.outbox.empty();
  if (wantWrites != connection.watchingWrites) {
    connection.watchingWrites = wantWrites;
    watch(fd, wantWrites);
  }
  return true;
}

}  // namespace cf::port
