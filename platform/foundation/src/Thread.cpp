// Which thread is the main thread.
#include <foundation/Thread.h>

#include "MainThread.h"

#include <atomic>

namespace ns {
namespace {

std::atomic<std::thread::id>& mainThreadSlot() {
  // The first thread to ask becomes the main thread.
  static std::atomic<std::thread::id> slot{std::this_thread::get_id()};
  return slot;
}

// Loading the library touches the platform: the loading thread is the main thread.
[[maybe_unused]] const bool kMainThreadRecorded = (mainThreadSlot(), true);

}  // namespace

std::thread::id mainThreadId() { return mainThreadSlot().load(); }

bool isMainThread() { return mainThreadSlot().load() == std::this_thread::get_id(); }

void markMainThread() {
  mainThreadSlot().store(std::this_thread::get_id());
  RunLoop::main().rebindToCurrentThread();
}

}  // namespace ns
