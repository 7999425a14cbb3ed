// The sending side of a message port: one stream connection to the server of a
// port name, over which requests go out and replies come back.
//
// The connection stays open for the life of the remote port; when the server goes
// away (its process dies or it stops serving) the kernel closes the connection, and
// the client notices at its next validity check (a probe of the connection), or from
// the error of its next send, which probes nothing first: a one-way send is one
// system call.  A request cut short by a
// send time-out leaves its unsent tail queued, and that tail goes out before the
// next request, so the stream never carries half a frame followed by another one.
#pragma once

#include <corefoundation/PortTransportFrame.h>
#include <corefoundation/PortTransportServer.h>
#include <corefoundation/PortTransportSocket.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cf::port {

// Results of a send, with the values of CFMessagePortSendRequest's codes.
enum class SendResult : std::int32_t {
  success = 0,
  sendTimeout = -1,
  receiveTimeout = -2,
  isInvalid = -3,
  transportError = -4,
  becameInvalid = -5,
};

class PortClient {
 public:
  // Connects to the server of `name` in the current device root; null when no
  // server listens there (no socket, or a socket left by a dead process).
  static std::unique_ptr<PortClient> connect(std::string_view name, std::string* error = nullptr);

  const std::string& name() const { return name_; }

  // True while the server is there.  Checks the connection without blocking.
  bool isValid();
  // Closes the connection; every later send answers isInvalid.
  void invalidate();

  // Sends one request.  Without wantsReply it returns once the request is handed
  // to the connection; with it, it waits up to receiveTimeout seconds for the
  // server's reply, stored in *reply.  A server found gone by the send itself
  // answers becameInvalid, and every later send isInvalid.  Data above kMaxPayload is refused with
  // transportError and nothing is sent.  Safe to call from several threads; the
  // calls take turns.
  SendResult send(std::int32_t messageId, std::span<const std::uint8_t> data, double sendTimeout,
                  double receiveTimeout, bool wantsReply, Reply* reply);

 private:
  PortClient() = default;
  bool checkAliveLocked();
  void invalidateLocked();
  SendResult awaitReply(std::uint32_t sequence, double receiveTimeout, Reply* reply);

  std::mutex mutex_;
  std::string name_;
  UniqueFd socket_;
  FrameReader reader_;
  std::vector<std::uint8_t> unsent_;
  std::uint32_t nextSequence_ = 1;
  bool valid_ = false;
};

}  // namespace cf::port
