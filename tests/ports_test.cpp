// Message-port transport: the frame format, names and socket paths, and a server and
// its clients in one process and across processes (one-way, replies, a taken name,
// a dead server, time-outs, oversized and malformed frames).
#include <corefoundation/PortTransportClient.h>
#include <corefoundation/PortTransportFrame.h>
#include <corefoundation/PortTransportServer.h>

#include "PortsTest.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <thread>

using namespace cf::port;
using testing_support::DeviceRootTest;
using testing_support::eventually;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }
std::string text(const std::vector<std::uint8_t>& data) { return {data.begin(), data.end()}; }

std::vector<std::uint8_t> frameBytes(FrameKind kind, std::uint16_t flags, std::int32_t id, std::uint32_t seq,
                                     std::string_view payload) {
  HeaderBytes header = encodeHeader(kind, flags, id, seq, payload.size()).value();
  std::vector<std::uint8_t> out(header.size() + payload.size());
  std::copy(header.begin(), header.end(), out.begin());
  std::copy(payload.begin(), payload.end(), out.begin() + static_cast<std::ptrdiff_t>(header.size()));
  return out;
}

// Serves a port on a thread of this process until destroyed.
class ServingThread {
 public:
  ServingThread(PortServer& server, RequestHandler handler)
      : thread_([this, &server, handler = std::move(handler)] {
          while (!stop_) {
            pollfd p{server.pollFd(), POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) server.service(handler);
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

Reply echoReply(const Request& request) {
  if (!request.wantsReply) return std::nullopt;
  std::string answer = "echo:" + std::string(request.data.begin(), request.data.end());
  return bytes(answer);
}

UniqueFd rawConnection(std::string_view name) {
  auto address = SocketAddress::make(ns::hostPath(kPortFolder).value(), fileNameFor(name) + ".sock");
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  EXPECT_EQ(::connect(fd.get(), address->get(), address->length()), 0);
  return fd;
}

void writeRaw(int fd, const std::vector<std::uint8_t>& data) {
  ASSERT_EQ(::send(fd, data.data(), data.size(), MSG_NOSIGNAL), static_cast<ssize_t>(data.size()));
}

}  // namespace

TEST(PortFrame, HeadersRoundTripAndRefuseWhatIsNotAFrame) {
  auto header = encodeHeader(FrameKind::request, kFrameWantsReply, -42, 7, 5);
  ASSERT_TRUE(header.ok());
  auto decoded = decodeHeader(*header);
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(decoded->kind, FrameKind::request);
  EXPECT_EQ(decoded->flags, kFrameWantsReply);
  EXPECT_EQ(decoded->messageId, -42);
  EXPECT_EQ(decoded->sequence, 7u);
  EXPECT_EQ(decoded->payloadLength, 5u);

  EXPECT_TRUE(encodeHeader(FrameKind::request, 0, 0, 0, kMaxPayload).ok());
  EXPECT_FALSE(encodeHeader(FrameKind::request, 0, 0, 0, kMaxPayload + 1).ok());
  EXPECT_FALSE(encodeHeader(FrameKind::request, 0x80, 0, 0, 1).ok());

  auto bad = *header;
  bad[0] = 'X';
  EXPECT_FALSE(decodeHeader(bad).ok());
  bad = *header;
  bad[4] = 2;  // a version this build does not speak
  EXPECT_FALSE(decodeHeader(bad).ok());
  bad = *header;
  bad[7] = 0x10;  // unknown flag bit
  EXPECT_FALSE(decodeHeader(bad).ok());
  bad = *header;
  bad[19] = 0x7f;  // a length far above the limit
  EXPECT_FALSE(decodeHeader(bad).ok());
}

TEST(PortFrame, ReaderReassemblesFramesFromAnySplitAndStaysBrokenAfterGarbage) {
  auto stream = frameBytes(FrameKind::hello, 0, 0, 0, "port");
  auto second = frameBytes(FrameKind::request, 0, 3, 1, "");
  auto third = frameBytes(FrameKind::request, kFrameWantsReply, 4, 2, "payload");
  stream.insert(stream.end(), second.begin(), second.end());
  stream.insert(stream.end(), third.begin(), third.end());

  FrameReader reader;
  std::vector<Frame> frames;
  for (std::uint8_t byte : stream) {  // one byte at a time: the hardest split
    reader.append({&byte, 1});
    Frame frame;
    while (reader.next(frame) == FrameReader::Status::frame) frames.push_back(frame);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(text(frames[0].payload), "port");
  EXPECT_TRUE(frames[1].payload.empty());
  EXPECT_EQ(frames[2].header.messageId, 4);
  EXPECT_EQ(text(frames[2].payload), "payload");
  EXPECT_EQ(reader.buffered(), 0u);

  auto garbage = bytes("GARBAGE-GARBAGE-GARBAGE");
  reader.append(garbage);
  Frame frame;
  EXPECT_EQ(reader.next(frame), FrameReader::Status::malformed);
  reader.append(third);  // a good frame after garbage is not trusted either
  EXPECT_EQ(reader.next(frame), FrameReader::Status::malformed);
  EXPECT_TRUE(reader.broken());
}

TEST(PortNames, PlainNamesStayAndOthersAreHashedIntoOneComponent) {
  EXPECT_EQ(fileNameFor("com.trelmo.noctilservice"), "com.trelmo.noctilservice");
  for (std::string name : {std::string("../escape"), std::string("a/b"), std::string(".hidden"), std::string(200, 'x'),
                           std::string("sp ace")}) {
    std::string file = fileNameFor(name);
    EXPECT_EQ(file.front(), '#') << name;
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_LE(file.size(), kMaxPlainFileName);
  }
  EXPECT_NE(fileNameFor("a/b"), fileNameFor("a/c"));
}

class PortTransport : public DeviceRootTest {};

TEST_F(PortTransport, OneWayAndReplyRequestsInOneProcessUnderALongDeviceRoot) {
  // A root this long cannot fit in sun_path; sockets are reached through the folder.
  auto longRoot = root_.path() / std::string(90, 'r');
  ns::setDeviceRoot(longRoot);
  auto server = PortServer::listen("com.example.long");
  ASSERT_TRUE(server);
  auto socketFile = longRoot / "var/run/noctil-ports/com.example.long.sock";
  ASSERT_TRUE(std::filesystem::is_socket(socketFile));
  EXPECT_EQ(std::filesystem::status(socketFile).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  std::vector<std::string> seen;
  std::mutex seenMutex;
  ServingThread serving(*server, [&](const Request& request) {
    std::lock_guard guard(seenMutex);
    seen.push_back(std::to_string(request.messageId) + ":" + std::string(request.data.begin(), request.data.end()));
    return echoReply(request);
  });
  auto client = PortClient::connect("com.example.long");
  ASSERT_TRUE(client);
  EXPECT_EQ(client->send(1, bytes("one-way"), 1, 1, false, nullptr), SendResult::success);
  Reply reply;
  EXPECT_EQ(client->send(2, bytes("asks"), 1, 5, true, &reply), SendResult::success);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(text(*reply), "echo:asks");
  std::lock_guard guard(seenMutex);
  EXPECT_EQ(seen, (std::vector<std::string>{"1:one-way", "2:asks"}));
}

TEST_F(PortTransport, ANameIsServedOnceAndFreedWhenTheServerCloses) {
  auto first = PortServer::listen("com.example.once");
  ASSERT_TRUE(first);
  PortServer::Failure failure;
  EXPECT_FALSE(PortServer::listen("com.example.once", &failure));
  EXPECT_EQ(failure.kind, ListenFailure::nameTaken);
  EXPECT_FALSE(PortServer::listen("", &failure));
  EXPECT_EQ(failure.kind, ListenFailure::badName);

  auto client = PortClient::connect("com.example.once");
  ASSERT_TRUE(client);
  first->service(echoReply);
  EXPECT_TRUE(client->isValid());
  first->close();
  EXPECT_FALSE(client->isValid());  // the connection ended with the server
  EXPECT_EQ(client->send(1, bytes("x"), 1, 1, false, nullptr), SendResult::isInvalid);
  EXPECT_FALSE(PortClient::connect("com.example.once"));
  EXPECT_TRUE(PortServer::listen("com.example.once"));
}

TEST_F(PortTransport, ALateReplyIsNotMistakenForTheNextOne) {
  auto server = PortServer::listen("com.example.late");
  ASSERT_TRUE(server);
  auto client = PortClient::connect("com.example.late");
  ASSERT_TRUE(client);
  Reply reply;
  // Nobody serves yet: the reply cannot come in time.
  EXPECT_EQ(client->send(1, bytes("first"), 1, 0.05, true, &reply), SendResult::receiveTimeout);
  EXPECT_TRUE(client->isValid());
  ServingThread serving(*server, echoReply);  // now "echo:first" is sent, late
  EXPECT_EQ(client->send(2, bytes("second"), 1, 5, true, &reply), SendResult::success);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(text(*reply), "echo:second");
}

TEST_F(PortTransport, ASendTimeOutKeepsTheStreamWhole) {
  auto server = PortServer::listen("com.example.full");
  ASSERT_TRUE(server);
  auto client = PortClient::connect("com.example.full");
  ASSERT_TRUE(client);
  server->service(echoReply);  // accept the connection, read the greeting
  std::vector<std::uint8_t> chunk(100 * 1000, 0xab);
  int handedOver = 0;
  SendResult result = SendResult::success;
  for (int i = 0; i < 1000 && result == SendResult::success; ++i) {
    result = client->send(i, chunk, 0, 0, false, nullptr);
    if (result == SendResult::success) ++handedOver;
  }
  ASSERT_EQ(result, SendResult::sendTimeout) << "the socket buffer never filled";

  std::size_t received = 0;
  bool allWhole = true;
  ServingThread serving(*server, [&](const Request& request) {
    allWhole = allWhole && request.data.size() == chunk.size();
    ++received;
    return echoReply(request);
  });
  // The next request pushes out the tail of the cut one first, then itself.
  EXPECT_EQ(client->send(-1, chunk, 5, 5, true, nullptr), SendResult::success);
  EXPECT_TRUE(allWhole);
  EXPECT_GE(received, static_cast<std::size_t>(handedOver) + 1);
  EXPECT_LE(received, static_cast<std::size_t>(handedOver) + 2);
  EXPECT_EQ(server->connectionCount(), 1u);
}

TEST_F(PortTransport, OversizedDataIsRefusedAndThePortStaysUsable) {
  auto server = PortServer::listen("com.example.big");
  ASSERT_TRUE(server);
  ServingThread serving(*server, echoReply);
  auto client = PortClient::connect("com.example.big");
  ASSERT_TRUE(client);
  std::vector<std::uint8_t> tooBig(kMaxPayload + 1, 1);
  EXPECT_EQ(client->send(1, tooBig, 1, 1, false, nullptr), SendResult::transportError);
  std::vector<std::uint8_t> largest(kMaxPayload, 2);
  Reply reply;
  EXPECT_EQ(client->send(2, largest, 10, 10, true, &reply), SendResult::success);
  // The echo of the largest payload no longer fits: it comes back without data.
  EXPECT_FALSE(reply.has_value());
  EXPECT_EQ(client->send(3, bytes("small"), 1, 5, true, &reply), SendResult::success);
  EXPECT_EQ(text(reply.value()), "echo:small");
}

TEST_F(PortTransport, MalformedPeersAreDroppedWhileOthersAreServed) {
  auto server = PortServer::listen("com.example.robust");
  ASSERT_TRUE(server);
  std::atomic<int> handled{0};
  ServingThread serving(*server, [&](const Request& request) {
    ++handled;
    return echoReply(request);
  });
  auto good = PortClient::connect("com.example.robust");
  ASSERT_TRUE(good);

  UniqueFd garbage = rawConnection("com.example.robust");
  writeRaw(garbage.get(), bytes("this is not a frame at all, not even close"));
  UniqueFd wrongName = rawConnection("com.example.robust");
  writeRaw(wrongName.get(), frameBytes(FrameKind::hello, 0, 0, 0, "com.example.other"));
  writeRaw(wrongName.get(), frameBytes(FrameKind::request, 0, 1, 1, "ignored"));
  UniqueFd noHello = rawConnection("com.example.robust");
  writeRaw(noHello.get(), frameBytes(FrameKind::request, 0, 1, 1, "ignored"));
  UniqueFd oddKind = rawConnection("com.example.robust");
  writeRaw(oddKind.get(), frameBytes(FrameKind::hello, 0, 0, 0, "com.example.robust"));
  writeRaw(oddKind.get(), frameBytes(static_cast<FrameKind>(77), 0, 1, 1, "skipped"));
  writeRaw(oddKind.get(), frameBytes(FrameKind::request, kFrameWantsReply, 5, 9, "after"));

  // Each dropped connection reads as ended on our side.
  for (int fd : {garbage.get(), wrongName.get(), noHello.get()}) {
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1);
    char c;
    EXPECT_EQ(::recv(fd, &c, 1, 0), 0);
  }
  // The connection with an unknown frame kind goes on and gets its reply.
  FrameReader reader;
  Frame frame;
  std::uint8_t chunk[256];
  while (reader.next(frame) != FrameReader::Status::frame) {
    pollfd p{oddKind.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1);
    ssize_t n = ::recv(oddKind.get(), chunk, sizeof chunk, 0);
    ASSERT_GT(n, 0);
    reader.append({chunk, static_cast<std::size_t>(n)});
  }
  EXPECT_EQ(frame.header.kind, FrameKind::reply);
  EXPECT_EQ(frame.header.sequence, 9u);
  EXPECT_EQ(text(frame.payload), "echo:after");

  Reply reply;
  EXPECT_EQ(good->send(2, bytes("still here"), 1, 5, true, &reply), SendResult::success);
  EXPECT_EQ(text(reply.value()), "echo:still here");
  EXPECT_EQ(handled.load(), 2);
}

TEST_F(PortTransport, AcrossProcessesOneWayAndWithReplies) {
  auto server = helper({"serve", "com.example.service"});
  ASSERT_EQ(server->readLine(), "ready");
  auto client = PortClient::connect("com.example.service");
  ASSERT_TRUE(client);
  EXPECT_EQ(client->send(3, bytes("hello"), 1, 1, false, nullptr), SendResult::success);
  EXPECT_EQ(server->readLine(), "request 3 hello");
  Reply reply;
  EXPECT_EQ(client->send(4, bytes("ping"), 1, 5, true, &reply), SendResult::success);
  EXPECT_EQ(server->readLine(), "request 4 ping");
  EXPECT_EQ(text(reply.value()), "echo:ping");
  EXPECT_EQ(client->send(7, bytes("nodata"), 1, 5, true, &reply), SendResult::success);
  EXPECT_FALSE(reply.has_value());

  // And the other way round: the helper is the client of a port of this process.
  auto local = PortServer::listen("com.example.back");
  ASSERT_TRUE(local);
  ServingThread serving(*local, echoReply);
  auto sender = helper({"send", "com.example.back", "5", "over", "reply"});
  EXPECT_EQ(sender->readLine(), "result 0");
  EXPECT_EQ(sender->readLine(), "reply echo:over");
}

TEST_F(PortTransport, ANameServedByAnotherProcessIsTakenUntilThatProcessDies) {
  auto holder = helper({"hold", "com.example.held"});
  ASSERT_EQ(holder->readLine(), "ready");
  PortServer::Failure failure;
  EXPECT_FALSE(PortServer::listen("com.example.held", &failure));
  EXPECT_EQ(failure.kind, ListenFailure::nameTaken);
  auto second = helper({"hold", "com.example.held"});
  EXPECT_EQ(second->readLine(), "taken");

  // Killed outright, the holder leaves its socket file behind; the name is free.
  holder->kill(SIGKILL);
  auto stale = root_.path() / "var/run/noctil-ports/com.example.held.sock";
  EXPECT_TRUE(std::filesystem::exists(stale));
  EXPECT_FALSE(PortClient::connect("com.example.held"));
  auto reclaimed = PortServer::listen("com.example.held");
  ASSERT_TRUE(reclaimed);
  EXPECT_TRUE(PortClient::connect("com.example.held"));
}

TEST_F(PortTransport, AServerThatDiesMakesTheRemoteInvalidWithoutASignal) {
  // The default SIGPIPE action would end this test program on a write to a dead peer.
  ASSERT_EQ(::signal(SIGPIPE, SIG_DFL), SIG_DFL);
  auto server = helper({"serve", "com.example.mortal"});
  ASSERT_EQ(server->readLine(), "ready");
  auto client = PortClient::connect("com.example.mortal");
  ASSERT_TRUE(client);
  EXPECT_EQ(client->send(1, bytes("alive"), 1, 1, false, nullptr), SendResult::success);
  ASSERT_EQ(server->readLine(), "request 1 alive");
  server->kill(SIGKILL);
  EXPECT_FALSE(client->isValid());
  EXPECT_EQ(client->send(2, bytes("dead"), 1, 1, false, nullptr), SendResult::isInvalid);

  // Without a probe first, the send finds the dead server by its own error.
  auto third = helper({"serve", "com.example.mortal"});
  ASSERT_EQ(third->readLine(), "ready");
  auto unprobed = PortClient::connect("com.example.mortal");
  ASSERT_TRUE(unprobed);
  EXPECT_EQ(unprobed->send(3, bytes("first"), 1, 1, false, nullptr), SendResult::success);
  ASSERT_EQ(third->readLine(), "request 3 first");
  third->kill(SIGKILL);
  EXPECT_EQ(unprobed->send(4, bytes("gone"), 1, 1, false, nullptr), SendResult::becameInvalid);
  EXPECT_EQ(unprobed->send(5, bytes("still"), 1, 1, false, nullptr), SendResult::isInvalid);
  EXPECT_FALSE(unprobed->isValid());

  // A server that dies while a reply is awaited.
  auto second = helper({"serve", "com.example.mortal"});
  ASSERT_EQ(second->readLine(), "ready");
  auto other = PortClient::connect("com.example.mortal");
  ASSERT_TRUE(other);
  Reply reply;
  EXPECT_EQ(other->send(9, bytes("die"), 1, 10, true, &reply), SendResult::becameInvalid);
  EXPECT_FALSE(other->isValid());
}
