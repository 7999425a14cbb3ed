#include "StdinDriver.h"

#include "Termination.h"

#include <foundation/RunLoop.h>

#include <unistd.h>

#include <cerrno>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace hosts {
namespace {

struct Inbox {
  std::mutex mutex;
  std::deque<std::string> lines;
  bool ended = false;
};

// Blocks in read() on standard input; runs on its own thread for the life of the
// process (it may stay blocked at exit, which ends it).
void readLines(std::shared_ptr<Inbox> inbox, std::shared_ptr<ns::RunLoopSource> wake) {
  std::string pending;
  char buffer[4096];
  while (true) {
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    std::lock_guard lock(inbox->mutex);
    if (n <= 0) {
      if (!pending.empty()) inbox->lines.push_back(std::move(pending));
      inbox->ended = true;
    } else {
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t newline;
      while ((newline = pending.find('\n')) != std::string::npos) {
        inbox->lines.push_back(pending.substr(0, newline));
        pending.erase(0, newline + 1);
      }
    }
    wake->signal();
    wake->wakeLoops();
    if (inbox->ended) return;
  }
}

}  // namespace

void runStandardInput(ScenarioRunner& runner) {
  auto inbox = std::make_shared<Inbox>();
  bool busy = false;
  bool finished = false;
  int lineNumber = 0;
  auto source = ns::RunLoopSource::signalled([&] {
    if (busy) return;  // a nested run (wait): the outer pass picks the lines up
    busy = true;
    while (!terminationRequested()) {
      std::string line;
      {
        std::lock_guard lock(inbox->mutex);
        if (inbox->lines.empty()) {
          finished = inbox->ended;
          break;
        }
        line = std::move(inbox->lines.front());
        inbox->lines.pop_front();
      }
      runner.runText(line, ++lineNumber);
    }
    busy = false;
    if (finished) ns::RunLoop::main().stop();
  });
  (void)ns::RunLoop::main().addSource(source, ns::kCommonRunLoopModes);
  std::thread(readLines, inbox, source).detach();
  while (!finished && !terminationRequested()) ns::RunLoop::main().run();
  source->invalidate();
}

}  // namespace hosts
