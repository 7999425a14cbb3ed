// The serving side of a message port: a listening Unix-domain socket named after the
// port in the device's run folder ("/var/run/noctil-ports/<name>.sock", mode 0600),
// the connections of remote ports, and the requests read from them.
//
// A name belongs to whoever holds the flock of "<name>.lock" beside the socket, so
// two live servers can never share a name (in one process or in two), and a socket
// file left behind by a dead process is simply replaced.  Everything the server
// watches is gathered in one epoll descriptor (pollFd), so a run loop needs to watch
// a single descriptor and call service() when it is readable.
//
// Peers are not trusted.  A connection must greet within kHelloTimeout and may hold
// no more than one hello frame's bytes until it has; a greeted connection that
// completes no frame for kIdleTimeout is closed; everything the server holds for
// all its connections together (unread frames and unsent replies) stays under
// kMaxHeldBytes, the largest holder being dropped first; and when the connection
// table is full, the oldest connection that has not greeted (else the greeted one
// idle longest) makes room for a new one.  The time-outs run on a timer inside the epoll set, so an idle server wakes
// its run loop only when a connection is due to be closed.
#pragma once

#include <corefoundation/PortTransportFrame.h>
#include <corefoundation/PortTransportSocket.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cf::port {

// The device folder of message-port sockets.
inline constexpr std::string_view kPortFolder = "/var/run/noctil-ports";

struct Request {
  std::int32_t messageId = 0;
  std::span<const std::uint8_t> data;
  bool wantsReply = false;
};

// What a request is answered with: bytes, or no data at all.
using Reply = std::optional<std::vector<std::uint8_t>>;
using RequestHandler = std::function<Reply(const Request&)>;

// Why a server could not be made.
enum class ListenFailure { nameTaken, badName, system };

class PortServer {
 public:
  struct Failure {
    ListenFailure kind;
    std::string message;
  };
  // Serves `name` in the current device root.  Fails with nameTaken when a live
  // server (of this process or another) already holds the name.
  static std::unique_ptr<PortServer> listen(std::string_view name, Failure* failure = nullptr);

  ~PortServer();
  PortServer(const PortServer&) = delete;
  PortServer& operator=(const PortServer&) = delete;

  const std::string& name() const { return name_; }
  // Readable whenever service() has something to do.
  int pollFd() const { return epoll_.get(); }

  // Does everything that is ready without blocking: accepts connections, reads
  // frames, calls the handler once per request in arrival order, and writes
  // replies.  The handler may call close().  Answers the number of requests handled.
  std::size_t service(const RequestHandler& handler);

  // Stops serving: closes every connection (remote ports see the port die), removes
  // the socket file and gives the name up.  Safe to call more than once.
  void close();
  bool closed() const;

  // Takes a connected stream socket as if it had been accepted (fuzzing and tests).
  void adoptConnection(UniqueFd socket);
  std::size_t connectionCount() const;

  // Connections above this count are refused as soon as they are accepted, unless
  // an idle one can be closed to make room.
  static constexpr std::size_t kMaxConnections = 256;
  // A peer that lets unread replies pile up beyond this is dropped.
  static constexpr std::size_t kMaxPendingReplyBytes = 2 * (kMaxPayload + kFrameHeaderSize);
  // What all connections together may make the server hold.
  static constexpr std::size_t kMaxHeldBytes = 4 * (kMaxPayload + kFrameHeaderSize);
  // A remote port greets as soon as it connects; a request takes at most its send
  // time-out (seconds), so a connection silent for minutes is forgotten.
  static constexpr std::chrono::milliseconds kHelloTimeout{3000};
  static constexpr std::chrono::milliseconds kIdleTimeout{120000};

  // Other time-outs for this server (tests).
  void setTimeouts(std::chrono::milliseconds hello, std::chrono::milliseconds idle);
  // Bytes held for every connection together: frames being received, replies unsent.
  std::size_t heldBytes() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Connection {
    UniqueFd socket;
    FrameReader reader;
    bool greeted = false;
    std::vector<std::uint8_t> outbox;
    std::size_t outboxStart = 0;
    bool watchingWrites = false;
    // When the connection is closed unless it greets (before greeting) or completes
    // another frame (after).
    Clock::time_point deadline;
    std::size_t held() const { return reader.buffered() + (outbox.size() - outboxStart); }
  };

  PortServer() = default;
  void acceptPending();
  void addConnection(UniqueFd socket);
  void dropConnection(int fd);
  // Reads and handles what is ready on one connection; false when it was dropped.
  bool serveConnection(Connection& connection, const RequestHandler& handler, std::size_t& handled);
  void queueReply(Connection& connection, const Frame& request, const Reply& reply);
  // Writes queued reply bytes; false when the connection had to be dropped.
  bool flush(Connection& connection);
  void watch(int fd, bool writes);
  // Closes connections whose deadline has passed and sets the timer for the next.
  void expireAndArm();
  // Makes room under kMaxHeldBytes for `wanted` more bytes of `reader`: false when
  // `reader` itself had to be dropped.
  bool makeRoom(int readerFd, std::size_t wanted);

  mutable std::recursive_mutex mutex_;
  std::string name_;
  UniqueFd lock_;
  UniqueFd listener_;
  UniqueFd epoll_;
  UniqueFd timer_;
  std::chrono::milliseconds helloTimeout_ = kHelloTimeout;
  std::chrono::milliseconds idleTimeout_ = kIdleTimeout;
  std::filesystem::path socketPath_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  bool closed_ = false;
  bool servicing_ = false;
};

}  // namespace cf::port
