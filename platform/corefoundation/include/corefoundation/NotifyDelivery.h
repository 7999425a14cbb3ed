// How Darwin notifications travel between the processes of one device root, with
// no daemon in between.
//
// Every process that observes at least one name owns one datagram socket in the
// device's run folder: "/var/run/noctil-notify/<pid>.<token>.sock", beside a folder
// "<pid>.<token>.pending".  A post lists the run folder and sends the name to every
// socket there, its own process's included; each receiver keeps the names it
// observes.  The list of sockets is kept between posts and listed again only when
// the folder has changed since (it is watched with inotify) or a send was refused,
// so a post costs one send per observer.  A send refused because nobody is bound any
// more (the observer died) removes that socket file and its folder at once, so dead
// observers cost one failed send, once.
//
// A receiver whose queue is full (it has not been served for a while) does not lose
// the post: the poster drops a marker file named after the notification into the
// receiver's pending folder and sends one more datagram that asks the receiver to
// look at its markers.  A receiver looks when asked, and after any drain that read a
// full queue's worth of datagrams (the request itself may not have fitted).
// Markers and queued datagrams of the same name fold into one, which is what
// coalescing wants anyway.  A send refused by the process's shared sending socket is
// tried again from a socket of the post's own, so datagrams waiting at slow
// receivers (charged to the socket that sent them) never use up the room to reach
// the others.
//
// Datagram format: the bytes "NCNT", a version byte (1), a flags byte (bit 0: look
// at the markers; other bits zero), then the name's bytes (1 to
// kMaxNotificationNameLength, no NUL).  Anything else is ignored.
#pragma once

#include <corefoundation/PortTransportSocket.h>

#include <objcface/Result.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cf::notify {

inline constexpr std::string_view kNotifyFolder = "/var/run/noctil-notify";
inline constexpr std::size_t kMaxNotificationNameLength = 1024;

// What a post did, for tests and diagnostics.
struct PostReport {
  std::size_t delivered = 0;       // receivers that got the datagram or a marker
  std::size_t removedStale = 0;    // sockets of dead observers removed
};

// Sends `name` to every observing process of the current device root.  Refuses an
// empty, too long or NUL-containing name.
objc::Result<PostReport> post(std::string_view name);

// How many times posts of this process have listed the run folder (for tests of the
// kept observer list).
std::size_t observerListings();

struct Datagram {
  std::string name;
  bool lookAtMarkers = false;
};
// The datagram for a name, and what a datagram says (none if malformed).
std::vector<std::uint8_t> encodeDatagram(std::string_view name, bool lookAtMarkers = false);
std::optional<Datagram> decodeDatagram(std::span<const std::uint8_t> bytes);

// The receiving end of one process.
class NotifyReceiver {
 public:
  // Binds a fresh socket in the current device root.
  static objc::Result<std::unique_ptr<NotifyReceiver>> open();
  // Removes the socket file and the pending folder.
  ~NotifyReceiver();
  NotifyReceiver(const NotifyReceiver&) = delete;
  NotifyReceiver& operator=(const NotifyReceiver&) = delete;

  // Readable when a post has arrived.
  int fd() const { return socket_.get(); }
  const std::filesystem::path& deviceRoot() const { return root_; }
  const std::filesystem::path& socketPath() const { return socketPath_; }

  // Every name posted since the last drain, each once, in order of first arrival.
  // Does not block.
  std::vector<std::string> drain();

 private:
  NotifyReceiver() = default;
  // Reads and removes the markers posters left in the pending folder.
  void readMarkers(const std::function<void(std::string)>& add);
  cf::port::UniqueFd socket_;
  std::filesystem::path root_;
  std::filesystem::path socketPath_;
  std::filesystem::path pendingPath_;
};

}  // namespace cf::notify
