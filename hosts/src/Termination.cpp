#include "Termination.h"

#include <foundation/RunLoop.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <memory>

namespace hosts {
namespace {

std::atomic<bool> gRequested{false};
int gWakeWrite = -1;

extern "C" void onTerminationSignal(int) {
  gRequested.store(true);
  if (gWakeWrite >= 0) {
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(gWakeWrite, &byte, 1);
  }
}

}  // namespace

void watchForTermination() {
  static std::shared_ptr<ns::RunLoopSource> source;
  if (source) return;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gWakeWrite = fds[1];
  const int readEnd = fds[0];
  source = ns::RunLoopSource::watchingFd(readEnd, [readEnd] {
    char buffer[64];
    while (::read(readEnd, buffer, sizeof buffer) > 0) {
    }
    ns::RunLoop::main().stop();
  });
  (void)ns::RunLoop::main().addSource(source, ns::kCommonRunLoopModes);

  struct sigaction action {};
  action.sa_handler = &onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
  // A peer that goes away must not kill the program through a write.
  ::signal(SIGPIPE, SIG_IGN);
}

bool terminationRequested() { return gRequested.load(); }

}  // namespace hosts
