// Darwin-notification datagrams as a hostile or broken poster could send them, and
// marker files as it could leave them: the receiver answers only well-formed names
// (1 to 1,024 bytes, no NUL), each once, never one that nobody sent, and every
// datagram it accepts is exactly the encoding of what it decoded.
//
// Input: the first byte says whether the last piece is left as a marker file rather
// than sent; the rest is cut into pieces, each a 2-byte little-endian length and
// that many bytes (the last piece takes what remains).
#include <corefoundation/NotifyDelivery.h>
#include <foundation/DeviceRoot.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace cf::notify;

namespace {

std::filesystem::path& rootDir() {
  static std::filesystem::path root;
  return root;
}

NotifyReceiver& receiver() {
  static std::unique_ptr<NotifyReceiver> instance = [] {
    char pattern[] = "/tmp/noctil-fuzz-notify-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    rootDir() = pattern;
    ns::setDeviceRoot(rootDir());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(rootDir(), ignored);
    });
    auto opened = NotifyReceiver::open();
    if (!opened.ok()) std::abort();
    return std::move(opened.value());
  }();
  return *instance;
}

int sender() {
  static const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd;
}

bool wellFormed(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNotificationNameLength && name.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  NotifyReceiver& in = receiver();
  static const auto address =
      cf::port::SocketAddress::make(in.socketPath().parent_path(), in.socketPath().filename().string()).value();
  const std::filesystem::path pending =
      in.socketPath().parent_path() / (in.socketPath().stem().string() + ".pending");

  const bool lastIsMarker = (data[0] & 1) != 0;
  std::vector<std::vector<std::uint8_t>> pieces;
  for (std::size_t at = 1; at < size && pieces.size() < 16;) {
    std::size_t length = size - at;
    if (size - at >= 2) {
      length = std::min<std::size_t>(static_cast<std::size_t>(data[at] | (data[at + 1] << 8)), size - at - 2);
      at += 2;
    }
    pieces.emplace_back(data + at, data + at + length);
    at += length;
  }
  if (pieces.empty()) return 0;

  std::set<std::string> sent;      // every name the receiver may answer
  std::set<std::string> promised;  // names it must answer
  bool looks = false;
  std::string marker;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const auto& piece = pieces[i];
    if (lastIsMarker && i + 1 == pieces.size()) {
      marker.assign(piece.begin(), piece.end());
      std::ofstream(pending / ("marker-" + std::to_string(i)), std::ios::binary)
          .write(marker.data(), static_cast<std::streamsize>(marker.size()));
      if (wellFormed(marker)) sent.insert(marker);
      continue;
    }
    auto decoded = decodeDatagram(piece);
    if (decoded) {
      if (!wellFormed(decoded->name)) std::abort();
      if (encodeDatagram(decoded->name, decoded->lookAtMarkers) != piece) std::abort();
      sent.insert(decoded->name);
    }
    bool delivered =
        ::sendto(sender(), piece.data(), piece.size(), MSG_DONTWAIT | MSG_NOSIGNAL, address.get(), address.length()) >= 0;
    if (decoded && delivered) {
      promised.insert(decoded->name);
      looks = looks || decoded->lookAtMarkers;
    }
  }
  if (looks && wellFormed(marker)) promised.insert(marker);

  std::set<std::string> answered;
  for (const std::string& name : in.drain()) {
    if (!wellFormed(name) || !sent.count(name) || !answered.insert(name).second) std::abort();
  }
  for (const std::string& name : promised)
    if (!answered.count(name)) std::abort();
  // Whatever the receiver did not read (no datagram asked for markers) is cleared for
  // the next input.
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(pending, ignored)) std::filesystem::remove(entry.path(), ignored);
  return 0;
}
