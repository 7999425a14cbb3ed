// Costs between processes, each next to the bare system call it is built on,
// measured side by side in one run (ratios printed at the end):
//
//   MessagePortRoundTrip  CFMessagePortSendRequest with a reply: 64 bytes there, the
//                         other process's callback answers 64 bytes
//   PipeRoundTrip         the same 64 bytes through a pipe to the other process and
//                         64 back through another
//   MessagePortOneWay     CFMessagePortSendRequest without a reply (64 bytes)
//   BareStreamSend        send() of the same 64 bytes on a connected stream socket
//   NotifyPostDelivered   notify_post until the other process's callback has run
//                         (it acknowledges over a socket pair)
//   BareDatagramDelivered sendto() of the name to a datagram socket of the other
//                         process until it has read it (same acknowledgement)
//
// The other process is this program run again with --ipc-child: it serves the port
// and observes the notification on its main run loop, and reads the bare sockets and
// the pipe on plain threads.
#include "RatioReporter.h"

#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFNotificationCenter.h>
#include <corefoundation/Notify.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
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
constexpr int kAckFd = 3;       // the child's end of the acknowledgement socket pair
constexpr int kPipeInFd = 4;    // the child reads round trips here…
constexpr int kPipeOutFd = 5;   // …and answers here
constexpr std::size_t kPayload = 64;
constexpr SInt32 kRoundTrip = 1;  // the message id the child's port answers

sockaddr_un addressOf(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

void acknowledge(char what) { (void)!::write(kAckFd, &what, 1); }

// ---- the other process ----

// Message kRoundTrip is answered with 64 bytes; others are taken without a reply.
CFDataRef serveRequest(CFMessagePortRef, SInt32 messageId, CFDataRef, void*) {
  if (messageId != kRoundTrip) return nullptr;
  static const std::vector<UInt8> answer(kPayload, 0x24);
  return CFDataCreate(nullptr, answer.data(), static_cast<CFIndex>(answer.size()));
}
void noteArrived(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) { acknowledge('N'); }

int runChild(const std::filesystem::path& root) {
  ns::setDeviceRoot(root);
  objc::AutoreleasePool pool;
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, cf::fromId<CFStringRef>(ns::str(kPortName)),
                                                   serveRequest, nullptr, nullptr);
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

  // The pipe's other end: every 64 bytes read are answered with 64.
  std::thread([] {
    std::uint8_t buffer[kPayload];
    for (;;) {
      std::size_t got = 0;
      while (got < kPayload) {
        ssize_t n = ::read(kPipeInFd, buffer + got, kPayload - got);
        if (n <= 0) return;
        got += static_cast<std::size_t>(n);
      }
      if (::write(kPipeOutFd, buffer, kPayload) != static_cast<ssize_t>(kPayload)) return;
    }
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
  int pipeOut = -1;  // to the child
  int pipeIn = -1;   // from the child
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
  int pair[2], toChild[2], fromChild[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0 || ::pipe2(toChild, O_CLOEXEC) != 0 ||
      ::pipe2(fromChild, O_CLOEXEC) != 0)
    return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], kAckFd);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], kPipeInFd);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], kPipeOutFd);
  std::string root = gPeer.root.string();
  std::vector<char*> argv{const_cast<char*>(self), const_cast<char*>("--ipc-child"), root.data(), nullptr};
  int rc = ::posix_spawn(&gPeer.pid, self, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pair[1]);
  ::close(toChild[0]);
  ::close(fromChild[1]);
  gPeer.ack = pair[0];
  gPeer.pipeOut = toChild[1];
  gPeer.pipeIn = fromChild[0];
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

void MessagePortRoundTrip(benchmark::State& state) {
  objc::AutoreleasePool pool;
  CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, cf::fromId<CFStringRef>(ns::str(kPortName)));
  if (remote == nullptr) return state.SkipWithError("no port");
  std::vector<UInt8> bytes(kPayload, 0x42);
  CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
  for (auto _ : state) {
    CFDataRef reply = nullptr;
    if (CFMessagePortSendRequest(remote, kRoundTrip, data, 1.0, 1.0, kCFRunLoopDefaultMode, &reply) !=
            kCFMessagePortSuccess ||
        reply == nullptr || CFDataGetLength(reply) != static_cast<CFIndex>(kPayload)) {
      state.SkipWithError("no reply");
      break;
    }
    CFRelease(reply);
  }
  CFRelease(data);
  CFRelease(remote);
}
BENCHMARK(MessagePortRoundTrip);

void PipeRoundTrip(benchmark::State& state) {
  std::uint8_t bytes[kPayload];
  std::memset(bytes, 0x42, sizeof bytes);
  for (auto _ : state) {
    if (::write(gPeer.pipeOut, bytes, kPayload) != static_cast<ssize_t>(kPayload)) {
      state.SkipWithError("write failed");
      break;
    }
    std::size_t got = 0;
    while (got < kPayload) {
      ssize_t n = ::read(gPeer.pipeIn, bytes + got, kPayload - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got != kPayload) {
      state.SkipWithError("no answer");
      break;
    }
  }
}
BENCHMARK(PipeRoundTrip);

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
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.heading("Ratios (time of the first over the second):");
  reporter.ratio("message port request and reply / pipe round trip (64 bytes)", "MessagePortRoundTrip",
                 "PipeRoundTrip", 1.5);
  reporter.ratio("message port one-way send / bare stream send", "MessagePortOneWay", "BareStreamSend");
  reporter.ratio("notify_post delivered / bare datagram delivered", "NotifyPostDelivered", "BareDatagramDelivered",
                 1.3);
  benchmark::Shutdown();
  stopPeer();
  return 0;
}
