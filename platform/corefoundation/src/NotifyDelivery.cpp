#include <corefoundation/NotifyDelivery.h>

#include <foundation/DeviceRoot.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace cf::notify {
namespace {

using cf::port::SocketAddress;
using cf::port::UniqueFd;

constexpr std::uint8_t kDatagramMagic[4] = {'N', 'C', 'N', 'T'};
constexpr std::uint8_t kDatagramVersion = 1;
constexpr std::size_t kDatagramHeader = 6;
constexpr std::uint8_t kLookAtMarkers = 1;
constexpr std::string_view kSocketSuffix = ".sock";
constexpr std::string_view kPendingSuffix = ".pending";
constexpr std::string_view kTemporaryPrefix = "tmp-";
// A drain reads at most this many datagrams, so a flood cannot hold the run loop;
// the socket stays readable and the rest is read on the next turn.
constexpr int kDrainBudget = 4096;

bool validName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNotificationNameLength && name.find('\0') == std::string_view::npos;
}

// One datagram socket per process sends posts; sendto on it is thread-safe.
int sharedSender() {
  static const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd;
}

// The queue length at which a datagram socket refuses more (net.unix.max_dgram_qlen).
// A drain that reads this many datagrams may have emptied a full queue, so a poster
// may have left a marker; when the value cannot be read, every drain looks.
std::size_t fullQueueLength() {
  static const std::size_t length = [] {
    std::size_t value = 1;
    if (FILE* file = std::fopen("/proc/sys/net/unix/max_dgram_qlen", "r")) {
      unsigned long read = 0;
      if (std::fscanf(file, "%lu", &read) == 1 && read > 0) value = read;
      std::fclose(file);
    }
    return value;
  }();
  return length;
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

std::vector<std::uint8_t> encodeDatagram(std::string_view name, bool lookAtMarkers) {
  std::vector<std::uint8_t> bytes(std::begin(kDatagramMagic), std::end(kDatagramMagic));
  bytes.push_back(kDatagramVersion);
  bytes.push_back(lookAtMarkers ? kLookAtMarkers : 0);
  bytes.insert(bytes.end(), name.begin(), name.end());
  return bytes;
}

std::optional<Datagram> decodeDatagram(std::span<const std::uint8_t> bytes) {
  if (bytes.size() <= kDatagramHeader || !std::equal(std::begin(kDatagramMagic), std::end(kDatagramMagic), bytes.begin()) ||
      bytes[4] != kDatagramVersion || (bytes[5] & ~kLookAtMarkers) != 0)
    return std::nullopt;
  Datagram datagram;
  datagram.name.assign(reinterpret_cast<const char*>(bytes.data() + kDatagramHeader), bytes.size() - kDatagramHeader);
  datagram.lookAtMarkers = (bytes[5] & kLookAtMarkers) != 0;
  if (!validName(datagram.name)) return std::nullopt;
  return datagram;
}

namespace {

// The observers of one run folder as last listed, kept between posts so that a post
// costs one send per observer.  The folder is watched (inotify) from before it is
// listed, so a socket made or removed since then shows as an event, and the next
// post lists it again; so does a send refused by a dead observer.  Where the folder
// cannot be watched, every post lists it.
struct Observer {
  std::string base;
  SocketAddress address;
};

struct ObserverList {
  std::mutex lock;
  std::filesystem::path folder;
  UniqueFd watch;                      // inotify, watching `folder`
  std::shared_ptr<UniqueFd> folderFd;  // the open folder, for addresses too long for sun_path
  std::vector<Observer> observers;
  bool current = false;                // the list matches the folder
};

ObserverList& observerList() {
  static ObserverList list;
  return list;
}

// Starts watching the folder; false when it does not exist or cannot be watched.
bool startWatching(ObserverList& list) {
  list.watch.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!list.watch.valid()) return false;
  constexpr std::uint32_t kChanges =
      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  if (::inotify_add_watch(list.watch.get(), list.folder.c_str(), kChanges) < 0) {
    list.watch.reset();
    return false;
  }
  return true;
}

// Reads the events that arrived since the last post: any change of the folder's
// entries makes the list out of date; the folder itself gone (or events lost) ends
// the watch, which the next post starts again.
void readChanges(ObserverList& list) {
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    ssize_t n = ::read(list.watch.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    list.current = false;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_Q_OVERFLOW)) {
        list.watch.reset();
        return;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

// Lists the observers' sockets; false when the folder does not exist (nobody has
// ever observed anything here).
std::atomic<std::size_t> gListings{0};

objc::Status listObservers(ObserverList& list, bool& exists) {
  gListings.fetch_add(1, std::memory_order_relaxed);
  exists = true;
  list.observers.clear();
  DIR* dir = ::opendir(list.folder.c_str());
  if (dir == nullptr) {
    if (errno == ENOENT) {
      exists = false;
      return objc::Ok{};
    }
    return objc::makeError("cannot list " + list.folder.string() + ": " + std::strerror(errno));
  }
  std::vector<std::string> bases;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view file = entry->d_name;
    if (file.size() > kSocketSuffix.size() && file.ends_with(kSocketSuffix))
      bases.emplace_back(file.substr(0, file.size() - kSocketSuffix.size()));
  }
  list.folderFd = std::make_shared<UniqueFd>(::dirfd(dir) >= 0 ? ::fcntl(::dirfd(dir), F_DUPFD_CLOEXEC, 0) : -1);
  ::closedir(dir);
  for (auto& base : bases) {
    auto address = SocketAddress::make(list.folder, base + std::string(kSocketSuffix), list.folderFd);
    if (address) list.observers.push_back(Observer{std::move(base), std::move(*address)});
  }
  return objc::Ok{};
}

}  // namespace

std::size_t observerListings() { return gListings.load(std::memory_order_relaxed); }

objc::Result<PostReport> post(std::string_view name) {
  if (!validName(name)) return objc::makeError("bad notification name");
  PostReport report;
  auto folder = ns::hostPath(kNotifyFolder);
  if (!folder) return folder.error();

  ObserverList& list = observerList();
  std::lock_guard hold(list.lock);
  if (list.folder != *folder) {  // another device root
    list.folder = *folder;
    list.watch.reset();
    list.current = false;
  }
  if (list.watch.valid()) readChanges(list);
  if (!list.watch.valid()) {
    list.current = false;
    startWatching(list);  // before listing, so that what changes from now on is seen
  }
  if (!list.current) {
    bool exists = true;
    auto listed = listObservers(list, exists);
    if (!listed.ok()) return listed.error();
    if (!exists) return report;
    list.current = list.watch.valid();
  }

  UniqueFd ownSender;
  const auto datagram = encodeDatagram(name, false);
  const auto wakeUp = encodeDatagram(name, true);
  for (const Observer& observer : list.observers) {
    const SocketAddress& address = observer.address;
    auto sendFrom = [&](int socket, const std::vector<std::uint8_t>& bytes) {
      ssize_t n;
      do {
        n = ::sendto(socket, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL, address.get(), address.length());
      } while (n < 0 && errno == EINTR);
      return n < 0 ? errno : 0;
    };
    auto send = [&](const std::vector<std::uint8_t>& bytes) {
      int error = sendFrom(sharedSender(), bytes);
      // Datagrams still queued at slow receivers are charged to the socket that sent
      // them, so the shared socket may be out of room because of other receivers; a
      // socket of this post alone tells that apart from this receiver's full queue.
      if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS) {
        if (!ownSender.valid()) ownSender.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (ownSender.valid()) error = sendFrom(ownSender.get(), bytes);
      }
      return error;
    };
    int error = send(datagram);
    if (error == 0) {
      ++report.delivered;
    } else if (error == ECONNREFUSED || error == ENOENT) {
      // A dead observer (or its socket gone meanwhile): its files go, and the list is
      // made again at the next post.
      removeObserverFiles(list.folder, observer.base);
      ++report.removedStale;
      list.current = false;
    } else if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS) {
      // The receiver's queue is full.  The name goes into a marker, and a datagram
      // asking to look at the markers follows.  If that one is refused too, the
      // queue is still full, so the receiver's next drain reads a full queue's worth
      // and looks at its markers anyway.
      if (leaveMarker(list.folder / (observer.base + std::string(kPendingSuffix)), name)) {
        ++report.delivered;
        send(wakeUp);
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
  std::size_t received = 0;
  bool lookAtMarkers = false;
  for (int i = 0; i < kDrainBudget; ++i) {
    ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    ++received;
    if (auto datagram = decodeDatagram({buffer, static_cast<std::size_t>(n)})) {
      lookAtMarkers = lookAtMarkers || datagram->lookAtMarkers;
      add(std::move(datagram->name));
    }
  }
  // Markers are read after the queue, so a marker left while the queue was full is
  // seen by the drain of the datagram that asks for it, or by the drain that empties
  // the full queue.
  if (lookAtMarkers || received >= fullQueueLength()) readMarkers(add);
  return names;
}

void NotifyReceiver::readMarkers(const std::function<void(std::string)>& add) {
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
}

}  // namespace cf::notify
