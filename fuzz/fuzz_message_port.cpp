// Feeds arbitrary bytes to the serving side of a message port, as a hostile or
// broken peer would send them, and checks that the server survives, answers only
// with well-formed reply frames, and lets go of the connection when the peer ends.
//
// Input: the first byte chooses whether a correct greeting goes first (bit 0) and
// how the rest is cut into writes (bits 1-7: chunk size); the rest is the stream.
#include <corefoundation/PortTransportFrame.h>
#include <corefoundation/PortTransportServer.h>
#include <foundation/DeviceRoot.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace cf::port;

namespace {

constexpr const char* kName = "com.example.fuzzed";

std::filesystem::path& rootDir() {
  static std::filesystem::path root;
  return root;
}

PortServer& server() {
  static std::unique_ptr<PortServer> instance = [] {
    char pattern[] = "/tmp/noctil-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    rootDir() = pattern;
    ns::setDeviceRoot(rootDir());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(rootDir(), ignored);
    });
    auto made = PortServer::listen(kName);
    if (!made) std::abort();
    return made;
  }();
  return *instance;
}

Reply handle(const Request& request) {
  if (request.data.size() > kMaxPayload) std::abort();
  if (!request.wantsReply) return std::nullopt;
  if (request.messageId % 3 == 0) return std::nullopt;
  return std::vector<std::uint8_t>(request.data.size() % 512, 0x5a);
}

// Reads whatever replies are waiting and checks that each is a well-formed reply.
void readReplies(int fd, FrameReader& replies) {
  std::uint8_t chunk[4096];
  for (;;) {
    ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n <= 0) break;
    replies.append({chunk, static_cast<std::size_t>(n)});
  }
  Frame frame;
  FrameReader::Status status;
  while ((status = replies.next(frame)) == FrameReader::Status::frame) {
    if (frame.header.kind != FrameKind::reply) std::abort();
  }
  if (status == FrameReader::Status::malformed) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  PortServer& port = server();
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  port.adoptConnection(UniqueFd(pair[0]));
  const int peer = pair[1];

  std::vector<std::uint8_t> stream;
  if (data[0] & 1) {
    auto hello = encodeHeader(FrameKind::hello, 0, 0, 0, std::string_view(kName).size()).value();
    stream.insert(stream.end(), hello.begin(), hello.end());
    stream.insert(stream.end(), kName, kName + std::string_view(kName).size());
  }
  stream.insert(stream.end(), data + 1, data + size);
  const std::size_t chunkSize = 1 + (data[0] >> 1) * 7u;

  FrameReader replies;
  std::size_t sent = 0;
  for (int rounds = 0; sent < stream.size() && rounds < 100000; ++rounds) {
    std::size_t length = std::min(chunkSize, stream.size() - sent);
    ssize_t n = ::send(peer, stream.data() + sent, length, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) sent += static_cast<std::size_t>(n);
    if (n <= 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;  // the server dropped us
    port.service(handle);
    readReplies(peer, replies);
  }
  ::shutdown(peer, SHUT_WR);
  for (int rounds = 0; port.connectionCount() > 0 && rounds < 1000; ++rounds) {
    port.service(handle);
    readReplies(peer, replies);
  }
  // The peer has ended: the server must have let the connection go.
  if (port.connectionCount() != 0) std::abort();
  ::close(peer);
  return 0;
}
