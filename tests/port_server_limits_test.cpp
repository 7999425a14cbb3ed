// The serving side of message ports facing peers that do not play by the rules: a
// header is judged the moment it arrives, a connection that has not greeted holds
// one hello frame at most and is closed when it stays silent, greeted connections
// that stop talking are forgotten, a full connection table still lets a real client
// in, and what all connections together make the server hold has a ceiling.
#include <corefoundation/PortTransportClient.h>
#include <corefoundation/PortTransportFrame.h>
#include <corefoundation/PortTransportServer.h>

#include "PortsTest.h"

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace cf::port;
using namespace std::chrono_literals;
using testing_support::DeviceRootTest;
using testing_support::eventually;

namespace {

std::vector<std::uint8_t> header(FrameKind kind, std::uint32_t length, std::uint16_t flags = 0) {
  // Built by hand: the encoder refuses lengths a kind does not allow.
  std::vector<std::uint8_t> out{'N', 'C', 'M', 'P', kFrameVersion, static_cast<std::uint8_t>(kind),
                                static_cast<std::uint8_t>(flags), static_cast<std::uint8_t>(flags >> 8)};
  out.resize(16, 0);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  return out;
}

std::vector<std::uint8_t> frame(FrameKind kind, std::string_view payload, std::uint16_t flags = 0) {
  auto out = header(kind, static_cast<std::uint32_t>(payload.size()), flags);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// Serves a port on a thread of this process until destroyed.
class ServingThread {
 public:
  ServingThread(PortServer& server, std::atomic<int>& handled)
      : thread_([this, &server, &handled] {
          while (!stop_) {
            pollfd p{server.pollFd(), POLLIN, 0};
            if (::poll(&p, 1, 20) > 0)
              server.service([&](const Request& request) -> Reply {
                ++handled;
                if (!request.wantsReply) return std::nullopt;
                return std::vector<std::uint8_t>{'o', 'k'};
              });
          }
        }) {}
  ~ServingThread() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

UniqueFd connectRaw(std::string_view name) {
  auto address = SocketAddress::make(ns::hostPath(kPortFolder).value(), fileNameFor(name) + ".sock");
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  EXPECT_EQ(::connect(fd.get(), address->get(), address->length()), 0);
  return fd;
}

bool sendAll(int fd, const std::vector<std::uint8_t>& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// True once the server has closed the connection (reads as ended), within `limit`.
bool closedByServer(int fd, std::chrono::milliseconds limit = 10s) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) != 1) return false;
  char c;
  ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno == ECONNRESET);
}

bool stillOpen(int fd) {
  pollfd p{fd, POLLIN | POLLRDHUP, 0};
  return ::poll(&p, 1, 0) == 0;
}

class PortServerLimits : public DeviceRootTest {};

}  // namespace

TEST(PortFrameLimits, AHeaderAnnouncingMoreThanItsKindAllowsIsRefusedAtOnce) {
  HeaderBytes bytes{};
  auto check = [&](FrameKind kind, std::uint32_t length) {
    auto h = header(kind, length);
    std::copy(h.begin(), h.end(), bytes.begin());
    return decodeHeader(bytes).ok();
  };
  EXPECT_TRUE(check(FrameKind::hello, 1));
  EXPECT_TRUE(check(FrameKind::hello, kMaxPortNameLength));
  EXPECT_FALSE(check(FrameKind::hello, kMaxPortNameLength + 1));
  EXPECT_FALSE(check(FrameKind::hello, 0));
  EXPECT_FALSE(check(FrameKind::hello, kMaxPayload));
  EXPECT_TRUE(check(FrameKind::request, kMaxPayload));
  EXPECT_TRUE(check(FrameKind::reply, 0));
  EXPECT_TRUE(check(static_cast<FrameKind>(9), kMaxPayload));  // unknown kinds: skipped later, whole
  EXPECT_FALSE(encodeHeader(FrameKind::hello, 0, 0, 0, kMaxPortNameLength + 1).ok());

  // The reader shows a frame's header before its payload, and refuses a bad one
  // without waiting for the bytes it announces.
  FrameReader reader;
  auto request = header(FrameKind::request, 100);
  reader.append(request);
  ASSERT_TRUE(reader.pendingHeader().has_value());
  EXPECT_EQ(reader.pendingHeader()->payloadLength, 100u);
  FrameReader greedy;
  greedy.append(header(FrameKind::hello, kMaxPayload));
  Frame out;
  EXPECT_EQ(greedy.next(out), FrameReader::Status::malformed);
  EXPECT_EQ(greedy.buffered(), 0u);
}

TEST(PortFrameLimits, AReaderGivesBackTheRoomOfALargeFrame) {
  FrameReader reader;
  std::string big(2 << 20, 'x');
  reader.append(frame(FrameKind::request, big));
  Frame out;
  ASSERT_EQ(reader.next(out), FrameReader::Status::frame);
  EXPECT_EQ(out.payload.size(), big.size());
  EXPECT_EQ(reader.next(out), FrameReader::Status::needMore);
  reader.append(frame(FrameKind::request, "small"));
  ASSERT_EQ(reader.next(out), FrameReader::Status::frame);
  EXPECT_EQ(std::string(out.payload.begin(), out.payload.end()), "small");
}

TEST_F(PortServerLimits, GreedyAndWrongFirstFramesAreDroppedBeforeTheirPayload) {
  auto server = PortServer::listen("com.example.limits");
  ASSERT_TRUE(server);
  std::atomic<int> handled{0};
  ServingThread serving(*server, handled);

  // Forty peers each announce a 4 MiB hello and send a little of it: each is closed
  // on its header, and the server never holds their megabytes.
  std::vector<UniqueFd> greedy;
  for (int i = 0; i < 40; ++i) {
    greedy.push_back(connectRaw("com.example.limits"));
    auto h = header(FrameKind::hello, kMaxPayload);
    h.resize(h.size() + 4096, 'a');
    sendAll(greedy.back().get(), h);
  }
  for (auto& fd : greedy) EXPECT_TRUE(closedByServer(fd.get()));
  EXPECT_LE(server->heldBytes(), 40 * (kFrameHeaderSize + kMaxPortNameLength));

  // A request before any hello is refused on its header too, payload unsent.
  UniqueFd rude = connectRaw("com.example.limits");
  ASSERT_TRUE(sendAll(rude.get(), header(FrameKind::request, 1000)));
  EXPECT_TRUE(closedByServer(rude.get()));

  auto client = PortClient::connect("com.example.limits");
  ASSERT_TRUE(client);
  Reply reply;
  EXPECT_EQ(client->send(1, std::vector<std::uint8_t>{1, 2, 3}, 2, 5, true, &reply), SendResult::success);
  EXPECT_EQ(handled.load(), 1);
  EXPECT_TRUE(eventually([&] { return server->connectionCount() == 1; }));
}

TEST_F(PortServerLimits, SilentConnectionsAreClosedUngreetedFirstGreetedMuchLater) {
  auto server = PortServer::listen("com.example.quiet");
  ASSERT_TRUE(server);
  server->setTimeouts(300ms, 1500ms);
  std::atomic<int> handled{0};
  ServingThread serving(*server, handled);

  UniqueFd mute = connectRaw("com.example.quiet");
  UniqueFd halfHello = connectRaw("com.example.quiet");
  auto partial = frame(FrameKind::hello, "com.example.quiet");
  partial.resize(partial.size() - 3);  // the name never completes
  ASSERT_TRUE(sendAll(halfHello.get(), partial));
  UniqueFd greeted = connectRaw("com.example.quiet");
  ASSERT_TRUE(sendAll(greeted.get(), frame(FrameKind::hello, "com.example.quiet")));

  EXPECT_TRUE(closedByServer(mute.get()));
  EXPECT_TRUE(closedByServer(halfHello.get()));
  // The greeted one outlives the hello time-out and still serves a request...
  EXPECT_TRUE(stillOpen(greeted.get()));
  ASSERT_TRUE(sendAll(greeted.get(), frame(FrameKind::request, "one-way")));
  EXPECT_TRUE(eventually([&] { return handled.load() == 1; }));
  // ...and is let go once it has been silent for the idle time-out.
  EXPECT_TRUE(closedByServer(greeted.get()));
  EXPECT_TRUE(eventually([&] { return server->connectionCount() == 0; }));
}

TEST_F(PortServerLimits, AFullTableOfIdlePeersStillLetsARealClientIn) {
  auto server = PortServer::listen("com.example.crowded");
  ASSERT_TRUE(server);
  server->setTimeouts(60s, 120s);  // nobody times out while the table fills
  std::atomic<int> handled{0};
  ServingThread serving(*server, handled);

  std::vector<UniqueFd> idle;
  for (std::size_t i = 0; i < PortServer::kMaxConnections; ++i) idle.push_back(connectRaw("com.example.crowded"));
  ASSERT_TRUE(eventually([&] { return server->connectionCount() == PortServer::kMaxConnections; }));

  // The newcomer greets at once and takes the place of the longest-waiting idler.
  auto client = PortClient::connect("com.example.crowded");
  ASSERT_TRUE(client);
  Reply reply;
  EXPECT_EQ(client->send(1, std::vector<std::uint8_t>{'x'}, 2, 5, true, &reply), SendResult::success);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(handled.load(), 1);
  EXPECT_TRUE(closedByServer(idle.front().get()));
  EXPECT_EQ(server->connectionCount(), PortServer::kMaxConnections);

  // Peers that greet and then sit idle do not lock a client out either: the one
  // idle longest gives way.
  idle.clear();
  ASSERT_TRUE(eventually([&] { return server->connectionCount() == 1; }));
  std::vector<UniqueFd> greeted;
  for (std::size_t i = 0; i + 1 < PortServer::kMaxConnections; ++i) {
    greeted.push_back(connectRaw("com.example.crowded"));
    ASSERT_TRUE(sendAll(greeted.back().get(), frame(FrameKind::hello, "com.example.crowded")));
  }
  ASSERT_TRUE(eventually([&] { return server->connectionCount() == PortServer::kMaxConnections; }));
  auto another = PortClient::connect("com.example.crowded");
  ASSERT_TRUE(another);
  EXPECT_EQ(another->send(2, std::vector<std::uint8_t>{'y'}, 2, 5, true, &reply), SendResult::success);
  EXPECT_EQ(handled.load(), 2);
}

TEST_F(PortServerLimits, WhatAllConnectionsHoldTogetherHasACeiling) {
  auto server = PortServer::listen("com.example.heavy");
  ASSERT_TRUE(server);
  std::atomic<int> handled{0};
  ServingThread serving(*server, handled);

  // Greeted peers each send most of a maximal request and stop: together they would
  // make the server hold more than its ceiling, so the largest holders are dropped.
  std::vector<UniqueFd> heavy;
  std::vector<std::uint8_t> body(kMaxPayload - 4096, 'h');
  for (int i = 0; i < 6; ++i) {
    heavy.push_back(connectRaw("com.example.heavy"));
    auto stream = frame(FrameKind::hello, "com.example.heavy");
    auto h = header(FrameKind::request, kMaxPayload);
    stream.insert(stream.end(), h.begin(), h.end());
    stream.insert(stream.end(), body.begin(), body.end());
    sendAll(heavy.back().get(), stream);  // may fail part-way once the server drops it
    EXPECT_LE(server->heldBytes(), PortServer::kMaxHeldBytes);
  }
  EXPECT_TRUE(eventually([&] { return server->connectionCount() < 6; }));
  EXPECT_LE(server->heldBytes(), PortServer::kMaxHeldBytes);

  auto client = PortClient::connect("com.example.heavy");
  ASSERT_TRUE(client);
  Reply reply;
  EXPECT_EQ(client->send(1, std::vector<std::uint8_t>{'x'}, 2, 5, true, &reply), SendResult::success);
  EXPECT_EQ(handled.load(), 1);
}
