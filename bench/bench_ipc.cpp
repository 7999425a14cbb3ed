// Costs between processes, each next to the bare Unix-domain-socket send it is
// built on, measured in one run:
//
//   MessagePortOneWay     CFMessagePortSendRequest without a reply (64 bytes)
//   BareStreamSend        send() of the same 64 bytes on a connected stream socket
//   NotifyPostDelivered   notify_post until the other process's callback has run
//                         (it acknowledges over a socket pair)
//   BareDatagramDelivered sendto() of the name to a datagram socket of the other
//                         process until it has read it (same acknowledgement)
//
// The other process is this program run again with --ipc-child: it serves the port
// and observes the notification on its main run loop, and reads the bare sockets on
// plain threads.
#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kPortName = "com.example.bench.port";
constexpr const char* kNoteName = "com.example.bench.note";
constexpr int kAckFd = 3;  // the child's end of the acknowledgement socket pair
constexpr std::size_t kPayload = 64;

sockaddr_un addressOf(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

void acknowledge(char what) { (void)!::write(kAckFd, &what, 1); }

// ---- the other process ----

CFDataRef ignoreRequest(CFMessagePortRef, SInt32, CFDataRef, void*) { return nullptr; }
void noteArrived(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) { acknowledge('N'); }

int runChild(const std::filesystem::path& root) {
  ns::setDeviceRoot(root);
  objc::AutoreleasePool pool;
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, cf::fromId<CFStringRef>(ns::str(kPortName)),
                                                   ignoreRequest, nullptr, nullptr);
  if (port == nullptr) return 1;
  CFRunLoopSourceRef source = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopDefaultMode);
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, noteArrived,
                                  cf::fromId<CFStringRef>(ns::str(kNoteName)), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);

  int stream = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  auto streamAddress = addressOf(root / "bare.sock");
  int datagram = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  auto datagramAddress = addressOf(root / "bare-dgram.sock");
  if (::bind(stream, reinterpret_cast<sockaddr*>(&streamAddress), sizeof streamAddress) != 0 ||
      ::listen(stream, 4) != 0 ||
      ::bind(datagram, reinterpret_cast<sockaddr*>(&datagramAddress), sizeof datagramAddress) != 0)
    return 1;
  std::thread([stream] {
    for (;;) {
      int connection = ::accept(stream, nullptr, nullptr);
      if (connection < 0) return;
      std::thread([connection] {
        char buffer[64 * 1024];
        while (::read(connection, buffer, sizeof buffer) > 0) {
        }
        ::close(connection);
      }).detach();
    }
  }).detach();
  std::thread([datagram] {
    char buffer[2048];
    while (::recv(datagram, buffer, sizeof buffer, 0) >= 0) acknowledge('B');
  }).detach();

  // This process ends with the benchmark's, however that one ends.
  std::thread([] {
    char c;
    while (::read(kAckFd, &c, 1) > 0) {
    }
    ::_exit(0);
  }).detach();

  acknowledge('R');
  CFRunLoopRun();
  return 0;
}

// ---- this process ----

struct Peer {
  std::filesystem::path root;
  pid_t pid = -1;
  int ack = -1;
};
Peer gPeer;

bool waitAck(char expected) {
  char got = 0;
  return ::read(gPeer.ack, &got, 1) == 1 && got == expected;
}

bool startPeer(const char* self) {
  char pattern[] = "/tmp/noctil-bench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return false;
  gPeer.root = pattern;
  ns::setDeviceRoot(gPeer.root);
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], kAckFd);
  std::string root = gPeer.root.string();
  std::vector<char*> argv{const_cast<char*>(self), const_cast<char*>("--ipc-child"), root.data(), nullptr};
  int rc = ::posix_spawn(&gPeer.pid, self, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pair[1]);
  gPeer.ack = pair[0];
  return rc == 0 && waitAck('R');
}

void stopPeer() {
  if (gPeer.pid > 0) {
    ::kill(gPeer.pid, SIGKILL);
    ::waitpid(gPeer.pid, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(gPeer.root, ignored);
}

void MessagePortOneWay(benchmark::State& state) {
  objc::AutoreleasePool pool;
  CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, cf::fromId<CFStringRef>(ns::str(kPortName)));
  if (remote == nullptr) return state.SkipWithError("no port");
  std::vector<UInt8> bytes(kPayload, 0x42);
  CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
  for (auto _ : state) {
    if (CFMessagePortSendRequest(remote, 0, data, 1.0, 1.0, nullptr, nullptr) != kCFMessagePortSuccess) {
      state.SkipWithError("send failed");
      break;
    }
  }
  CFRelease(data);
  CFRelease(remote);
}
BENCHMARK(MessagePortOneWay);

void BareStreamSend(benchmark::State& state) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  auto address = addressOf(gPeer.root / "bare.sock");
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return state.SkipWithError("connect");
  std::vector<std::uint8_t> bytes(kPayload, 0x42);
  for (auto _ : state) {
    if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
      state.SkipWithError("send failed");
      break;
    }
  }
  ::close(fd);
}
BENCHMARK(BareStreamSend);

void NotifyPostDelivered(benchmark::State& state) {
  for (auto _ : state) {
    if (notify_post(kNoteName) != NOTIFY_STATUS_OK || !waitAck('N')) {
      state.SkipWithError("not delivered");
      break;
    }
  }
}
BENCHMARK(NotifyPostDelivered);

void BareDatagramDelivered(benchmark::State& state) {
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  auto address = addressOf(gPeer.root / "bare-dgram.sock");
  std::string name = kNoteName;
  for (auto _ : state) {
    if (::sendto(fd, name.data(), name.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
        !waitAck('B')) {
      state.SkipWithError("not delivered");
      break;
    }
  }
  ::close(fd);
}
BENCHMARK(BareDatagramDelivered);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--ipc-child") == 0) return runChild(argv[2]);
  if (!startPeer("/proc/self/exe")) {
    std::fprintf(stderr, "bench_ipc: the other process did not start\n");
    stopPeer();
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  stopPeer();
  return 0;
}
