// The run loop core: making and finding loops, modes, the work queue, teardown.
#include <foundation/RunLoop.h>

#include <foundation/Thread.h>
#include <objcface/NSObject.h>

#include "MainThread.h"
#include "RunLoopInternal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace ns {

namespace {

// Every loop ever made, so that moving the manual clock can wake them all.
std::mutex& registryMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::vector<std::weak_ptr<RunLoop>>& registry() {
  static auto* r = new std::vector<std::weak_ptr<RunLoop>>;
  return *r;
}

// The calling thread's own loop.  When the thread ends, the loop is retired so that
// what its timers and sources hold is released on this thread.
struct LoopHolder {
  std::shared_ptr<RunLoop> loop;
  // Touch the autorelease stack first, so that it is destroyed after this holder
  // (thread-local objects die in reverse order of construction) and releases made
  // while retiring still find it.
  LoopHolder() { (void)objc::pendingAutoreleases(); }
  ~LoopHolder() {
    if (loop) loop->retire();
  }
};
thread_local LoopHolder tLoop;

}  // namespace

std::int64_t clockTicks(TimeInterval t) {
  constexpr double kLimit = 9.2e18;
  double ns = std::round(t * 1e9);
  if (!(ns < kLimit)) return std::numeric_limits<std::int64_t>::max();
  if (!(ns > -kLimit)) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(ns);
}

// --- Making and finding loops -------------------------------------------------------

RunLoop::RunLoop(bool isMain, std::thread::id owner)
    : isMain_(isMain), owner_(owner), commonModes_{std::string(kDefaultRunLoopMode)} {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    std::perror("*** Terminating: run loop cannot make its wake-up eventfd");
    std::abort();
  }
}

RunLoop::~RunLoop() {
  if (wakeFd_ >= 0) close(wakeFd_);
  objc::release(face_);
}

std::shared_ptr<RunLoop> RunLoop::make(bool isMain, std::thread::id owner) {
  auto loop = std::shared_ptr<RunLoop>(new RunLoop(isMain, owner));
  std::lock_guard lock(registryMutex());
  std::erase_if(registry(), [](const auto& w) { return w.expired(); });
  registry().push_back(loop);
  return loop;
}

std::shared_ptr<RunLoop> RunLoop::mainShared() {
  // Never destroyed: the main loop serves until the process ends.
  static auto* loop = new std::shared_ptr<RunLoop>(make(true, mainThreadId()));
  return *loop;
}

RunLoop& RunLoop::main() { return *mainShared(); }

std::shared_ptr<RunLoop> RunLoop::currentShared() {
  if (isMainThread()) return mainShared();
  LoopHolder& holder = tLoop;
  if (!holder.loop) holder.loop = make(false, std::this_thread::get_id());
  return holder.loop;
}

RunLoop& RunLoop::current() { return *currentShared(); }

std::shared_ptr<RunLoop> RunLoop::makeForNewThread() { return make(false, std::thread::id()); }

void RunLoop::bindToCurrentThread(const std::shared_ptr<RunLoop>& loop) {
  loop->owner_.store(std::this_thread::get_id());
  tLoop.loop = loop;
}

void RunLoop::wakeAll() {
  std::vector<std::shared_ptr<RunLoop>> loops;
  {
    std::lock_guard lock(registryMutex());
    for (auto& w : registry())
      if (auto l = w.lock()) loops.push_back(std::move(l));
  }
  for (auto& l : loops) l->wakeUp();
}

id RunLoop::faceObject(const std::function<id(const std::shared_ptr<RunLoop>&)>& make) {
  std::lock_guard lock(mutex_);
  if (face_ == nil) face_ = make(shared_from_this());
  return face_;
}

// --- Modes ---------------------------------------------------------------------------

bool RunLoop::matches(const RunLoopModes& modes, std::string_view mode) const {
  for (const auto& m : modes) {
    if (m == mode) return true;
    if (m == kCommonRunLoopModes && hasMode(commonModes_, mode)) return true;
  }
  return false;
}

void RunLoop::addCommonMode(std::string_view mode) {
  if (mode.empty() || mode == kCommonRunLoopModes) return;
  std::lock_guard lock(mutex_);
  if (!hasMode(commonModes_, mode)) commonModes_.emplace_back(mode);
}

bool RunLoop::modeIsEmpty(std::string_view mode) const {
  for (const auto& [key, timer] : queue_)
    if (matches(timer->modes_, mode)) return false;
  for (const auto& entry : sources_)
    if (entry.source->isValid() && matches(entry.modes, mode)) return false;
  return true;
}

// --- Timers and posted work ----------------------------------------------------------

void RunLoop::enqueue(const std::shared_ptr<RunLoopTimer>& timer) {
  timer->key_ = {clockTicks(timer->fireDate_), nextSeq_++};
  queue_.emplace(timer->key_, timer);
  timer->queued_ = true;
}

void RunLoop::reschedule(RunLoopTimer& timer, TimeInterval date) {
  bool wake = false;
  {
    std::lock_guard loopLock(mutex_);
    std::lock_guard lock(timer.mutex_);
    timer.fireDate_ = date;
    if (timer.queued_) {
      auto node = queue_.extract(timer.key_);
      timer.key_ = {clockTicks(date), nextSeq_++};
      node.key() = timer.key_;
      queue_.insert(std::move(node));
      wake = waiting_;
    }
  }
  if (wake) signalWakeFd();
}

objc::Status RunLoop::addTimer(const std::shared_ptr<RunLoopTimer>& timer, std::string_view mode) {
  if (!timer) return objc::makeError("no timer to add");
  if (mode.empty()) return objc::makeError("a timer needs a run-loop mode");
  bool wake = false;
  {
    std::lock_guard loopLock(mutex_);
    if (retired_) return objc::makeError("the run loop's thread has ended");
    std::lock_guard lock(timer->mutex_);
    if (!timer->valid_) return objc::makeError("the timer is invalid");
    auto owner = timer->loop_.lock();
    if (owner && owner.get() != this) return objc::makeError("the timer is already in another run loop");
    if (!owner) timer->loop_ = weak_from_this();
    if (!hasMode(timer->modes_, mode)) timer->modes_.emplace_back(mode);
    if (!timer->queued_) enqueue(timer);
    wake = waiting_;
  }
  if (wake) signalWakeFd();
  return objc::Ok{};
}

bool RunLoop::containsTimer(const std::shared_ptr<RunLoopTimer>& timer, std::string_view mode) const {
  if (!timer) return false;
  std::lock_guard loopLock(mutex_);
  if (timer->loop_.lock().get() != this || !timer->queued_) return false;
  return matches(timer->modes_, mode) || hasMode(timer->modes_, mode);
}

void RunLoop::removeTimer(RunLoopTimer& timer) {
  std::lock_guard loopLock(mutex_);
  std::lock_guard lock(timer.mutex_);
  if (timer.queued_) {
    queue_.erase(timer.key_);
    timer.queued_ = false;
  }
}

std::shared_ptr<RunLoopTimer> RunLoop::performAt(TimeInterval due, std::function<void()> work, RunLoopModes modes,
                                                 bool countsAsSource) {
  auto timer = RunLoopTimer::create(due, 0, false, std::move(work), countsAsSource);
  if (modes.empty()) modes = commonModes();
  bool wake = false;
  bool refused = false;
  {
    std::lock_guard loopLock(mutex_);
    if (retired_) {
      refused = true;
    } else {
      std::lock_guard lock(timer->mutex_);
      timer->loop_ = weak_from_this();
      timer->modes_ = std::move(modes);
      enqueue(timer);
      wake = waiting_;
    }
  }
  // Work for a loop whose thread has ended is dropped (and what it holds released).
  if (refused) timer->invalidate();
  if (wake) signalWakeFd();
  return timer;
}

std::shared_ptr<RunLoopTimer> RunLoop::perform(std::function<void()> work, RunLoopModes modes) {
  return performAt(now(), std::move(work), std::move(modes), true);
}

std::shared_ptr<RunLoopTimer> RunLoop::performAfter(TimeInterval delay, std::function<void()> work,
                                                    RunLoopModes modes) {
  if (std::isnan(delay) || delay < 0) delay = 0;
  return performAt(now() + delay, std::move(work), std::move(modes), false);
}

void RunLoop::fire(const std::shared_ptr<RunLoopTimer>& timer) {
  TimeInterval firedAt;
  RunLoopTimer::Action action;
  {
    std::lock_guard lock(timer->mutex_);
    if (!timer->valid_) return;
    action = timer->action_;
    firedAt = timer->fireDate_;
  }
  if (action && *action) (*action)();
  action.reset();
  if (!timer->repeats_) {
    timer->invalidate();
    return;
  }
  requeue(timer, firedAt);
}

void RunLoop::requeue(const std::shared_ptr<RunLoopTimer>& timer, TimeInterval firedAt) {
  bool wake = false;
  {
    std::lock_guard loopLock(mutex_);
    if (retired_) return;
    std::lock_guard lock(timer->mutex_);
    if (!timer->valid_ || timer->queued_ || timer->loop_.lock().get() != this) return;
    // Unless the action moved the fire date itself, the next firing is the first
    // multiple of the interval after now: firings missed while the loop was busy are
    // skipped, as NSTimer skips them.
    if (timer->fireDate_ == firedAt) {
      double interval = timer->interval_;
      double behind = now() - firedAt;
      double steps = behind > 0 ? std::floor(behind / interval) + 1 : 1;
      timer->fireDate_ = firedAt + steps * interval;
    }
    enqueue(timer);
    wake = waiting_;
  }
  if (wake) signalWakeFd();
}

void RunLoop::serveDueUpTo(TimeInterval limit, const std::function<void(TimeInterval)>& setClock) {
  std::string mode = currentMode();
  if (mode.empty()) mode = kDefaultRunLoopMode;
  for (;;) {
    std::shared_ptr<RunLoopTimer> timer;
    TimeInterval due = 0;
    {
      std::lock_guard lock(mutex_);
      for (auto it = queue_.begin(); it != queue_.end() && it->first.first <= clockTicks(limit); ++it) {
        if (!matches(it->second->modes_, mode)) continue;
        due = it->second->fireDate();
        timer = it->second;
        timer->queued_ = false;
        queue_.erase(it);
        break;
      }
    }
    if (!timer) return;
    setClock(due);
    objc::AutoreleasePool pool;
    fire(timer);
  }
}

void RunLoop::stop() {
  {
    std::lock_guard lock(mutex_);
    if (innermost_ != nullptr) innermost_->stopped = true;
  }
  signalWakeFd();
}

void RunLoop::wakeUp() { signalWakeFd(); }

bool RunLoop::isWaiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

std::string RunLoop::currentMode() const {
  std::lock_guard lock(mutex_);
  return innermost_ != nullptr ? innermost_->mode : std::string();
}

void RunLoop::retire() {
  std::map<Key, std::shared_ptr<RunLoopTimer>> queue;
  std::vector<SourceEntry> sources;
  {
    std::lock_guard lock(mutex_);
    retired_ = true;
    queue.swap(queue_);
    sources.swap(sources_);
    for (auto& [key, timer] : queue) timer->queued_ = false;
  }
  for (auto& [key, timer] : queue) timer->invalidate();
  for (auto& entry : sources) {
    for (const auto& mode : entry.modes) entry.source->cancelled(*this, mode);
    entry.source->forgetLoop(*this);
  }
}

void RunLoop::drainWakeFd() {
  eventfd_t value;
  (void)eventfd_read(wakeFd_, &value);
}

void RunLoop::signalWakeFd() { (void)eventfd_write(wakeFd_, 1); }

}  // namespace ns
