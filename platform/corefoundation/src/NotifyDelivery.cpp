#include <corefoundation/NotifyDelivery.h>

#include <foundation/DeviceRoot.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_set>

namespace cf::notify {
namespace {

using cf::port::SocketAddress;
using cf::port::UniqueFd;

constexpr std::uint8_t kDatagramMagic[4] = {'N', 'C', 'N', 'T'};
constexpr std::uint8_t kDatagramVersion = 1;
constexpr std::size_t kDatagramHeader = 5;
constexpr std::string_view kSocketSuffix = ".sock";
constexpr std::string_view kPendingSuffix = ".pending";
constexpr std::string_view kTemporaryPrefix = "tmp-";
// A drain reads at most this many datagrams, so a flood cannot hold the run loop;
// the socket stays readable and the rest is read on the next turn.
constexpr int kDrainBudget = 4096;

bool validName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNotificationNameLength && name.find('\0') == std::string_view::npos;
}

// One datagram socket per process sends every post; sendto on it is thread-safe.
int senderSocket() {
  static const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd;
}

// Leaves a marker for `name` in a receiver's pending folder: written under a
// temporary name, then renamed, so the receiver never reads half a marker.
bool leaveMarker(const std::filesystem::path& pending, std::string_view name) {
  // A marker still there has not been read yet, and the reading will deliver the
  // name after this post: nothing to add.
  std::filesystem::path marker = pending / cf::port::fileNameFor(name);
  if (::access(marker.c_str(), F_OK) == 0) return true;
  static std::atomic<unsigned> counter{0};
  std::string temporary = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  std::filesystem::path temporaryPath = pending / temporary;
  UniqueFd file(::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!file.valid()) return false;
  bool written = ::write(file.get(), name.data(), name.size()) == static_cast<ssize_t>(name.size());
  file.reset();
  if (!written || ::rename(temporaryPath.c_str(), marker.c_str()) != 0) {
    ::unlink(temporaryPath.c_str());
    return false;
  }
  return true;
}

void removeObserverFiles(const std::filesystem::path& folder, std::string_view base) {
  std::error_code ignored;
  std::filesystem::remove(folder / (std::string(base) + std::string(kSocketSuffix)), ignored);
  std::filesystem::remove_all(folder / (std::string(base) + std::string(kPendingSuffix)), ignored);
}

}  // namespace

std::vector<std::uint8_t> encodeDatagram(std::string_view name) {
  std::vector<std::uint8_t> bytes(std::begin(kDatagramMagic), std::end(kDatagramMagic));
  bytes.push_back(kDatagramVersion);
  bytes.insert(bytes.end(), name.begin(), name.end());
  return bytes;
}

std::optional<std::string> decodeDatagram(std::span<const std::uint8_t> bytes) {
  if (bytes.size() <= kDatagramHeader || !std::equal(std::begin(kDatagramMagic), std::end(kDatagramMagic), bytes.begin()) ||
      bytes[4] != kDatagramVersion)
    return std::nullopt;
  std::string name(reinterpret_cast<const char*>(bytes.data() + kDatagramHeader), bytes.size() - kDatagramHeader);
  if (!validName(name)) return std::nullopt;
  return name;
}

objc::Result<PostReport> post(std::string_view name) {
  if (!validName(name)) return objc::makeError("bad notification name");
  PostReport report;
  auto folder = ns::hostPath(kNotifyFolder);
  if (!folder) return folder.error();
  DIR* dir = ::opendir(folder->c_str());
  if (dir == nullptr) {
    if (errno == ENOENT) return report;  // nobody has ever observed anything here
    return objc::makeError("cannot list " + folder->string() + ": " + std::strerror(errno));
  }
  std::vector<std::string> bases;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view file = entry->d_name;
    if (file.size() > kSocketSuffix.size() && file.ends_with(kSocketSuffix))
      bases.emplace_back(file.substr(0, file.size() - kSocketSuffix.size()));
  }
  // The open folder also serves addresses too long for sun_path.
  auto folderFd = std::make_shared<UniqueFd>(::dirfd(dir) >= 0 ? ::fcntl(::dirfd(dir), F_DUPFD_CLOEXEC, 0) : -1);
  ::closedir(dir);

  const auto datagram = encodeDatagram(name);
  for (const auto& base : bases) {
    auto address = SocketAddress::make(*folder, base + std::string(kSocketSuffix), folderFd);
    if (!address) continue;
    auto send = [&] {
      ssize_t n;
      do {
        n = ::sendto(senderSocket(), datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL, address->get(),
                     address->length());
      } while (n < 0 && errno == EINTR);
      return n < 0 ? errno : 0;
    };
    int error = send();
    if (error == 0) {
      ++report.delivered;
    } else if (error == ECONNREFUSED) {
      removeObserverFiles(*folder, base);
      ++report.removedStale;
    } else if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS) {
      // The receiver has a full queue, so it will drain and then look at its
      // markers; one more datagram covers the case where it drained just now.
      if (leaveMarker(*folder / (base + std::string(kPendingSuffix)), name)) {
        ++report.delivered;
        send();
      }
    }
  }
  return report;
}

objc::Result<std::unique_ptr<NotifyReceiver>> NotifyReceiver::open() {
  auto folder = cf::port::runFolder(kNotifyFolder);
  if (!folder) return folder.error();
  std::uint64_t token = 0;
  if (::getrandom(&token, sizeof token, 0) != static_cast<ssize_t>(sizeof token)) token ^= cf::port::stableHash(folder->string());
  char base[64];
  std::snprintf(base, sizeof base, "%d.%016llx", static_cast<int>(::getpid()), static_cast<unsigned long long>(token));

  std::unique_ptr<NotifyReceiver> receiver(new NotifyReceiver);
  receiver->root_ = ns::deviceRoot();
  receiver->pendingPath_ = *folder / (std::string(base) + std::string(kPendingSuffix));
  if (::mkdir(receiver->pendingPath_.c_str(), 0700) != 0)
    return objc::makeError("cannot create " + receiver->pendingPath_.string() + ": " + std::strerror(errno));
  auto address = SocketAddress::make(*folder, std::string(base) + std::string(kSocketSuffix));
  if (!address) return address.error();
  receiver->socketPath_ = address->filePath();
  receiver->socket_.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!receiver->socket_.valid()) return objc::makeError(std::string("socket: ") + std::strerror(errno));
  if (::bind(receiver->socket_.get(), address->get(), address->length()) != 0) {
    receiver->socket_.reset();  // the destructor then only removes the folder
    return objc::makeError("bind " + receiver->socketPath_.string() + ": " + std::strerror(errno));
  }
  ::chmod(receiver->socketPath_.c_str(), 0600);
  return receiver;
}

NotifyReceiver::~NotifyReceiver() {
  std::error_code ignored;
  if (socket_.valid()) std::filesystem::remove(socketPath_, ignored);
  std::filesystem::remove_all(pendingPath_, ignored);
}

std::vector<std::string> NotifyReceiver::drain() {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  auto add = [&](std::string name) {
    if (seen.insert(name).second) names.push_back(std::move(name));
  };
  std::uint8_t buffer[kDatagramHeader + kMaxNotificationNameLength + 1];
  for (int i = 0; i < kDrainBudget; ++i) {
    ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (auto name = decodeDatagram({buffer, static_cast<std::size_t>(n)})) add(std::move(*name));
  }
  // Markers are read after the queue, so a marker left while the queue was full is
  // always seen by the drain that the poster's wake-up datagram causes.
  if (DIR* dir = ::opendir(pendingPath_.c_str())) {
    std::vector<std::string> markers;
    while (dirent* entry = ::readdir(dir)) {
      std::string_view file = entry->d_name;
      if (file == "." || file == ".." || file.starts_with(kTemporaryPrefix)) continue;
      markers.emplace_back(file);
    }
    ::closedir(dir);
    for (const auto& marker : markers) {
      std::filesystem::path path = pendingPath_ / marker;
      UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
      ::unlink(path.c_str());
      if (!file.valid()) continue;
      char text[kMaxNotificationNameLength + 1];
      ssize_t n = ::read(file.get(), text, sizeof text);
      if (n > 0 && validName({text, static_cast<std::size_t>(n)})) add(std::string(text, static_cast<std::size_t>(n)));
    }
  }
  return names;
}

}  // namespace cf::notify
