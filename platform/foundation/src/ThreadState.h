// The C++ state behind an NSThread object: its life cycle and its run loop.
#pragma once

#include <foundation/RunLoop.h>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace ns {

struct ThreadState {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool finished = false;
  bool cancelled = false;
  bool isMain = false;
  // The thread's run loop: made when the thread starts (or, for a thread the
  // platform did not start, when its NSThread object is first asked for).
  std::shared_ptr<RunLoop> loop;
};

}  // namespace ns
