// Run-loop sources: descriptors watched for reading and hand-signalled sources.
#include <foundation/RunLoop.h>

#include <algorithm>

namespace ns {

RunLoopSource::RunLoopSource(int fd, std::function<void()> perform, long order)
    : fd_(fd), order_(order), perform_(std::make_shared<std::function<void()>>(std::move(perform))) {}

std::shared_ptr<RunLoopSource> RunLoopSource::watchingFd(int fd, std::function<void()> onReadable, long order) {
  auto source = std::shared_ptr<RunLoopSource>(new RunLoopSource(fd, std::move(onReadable), order));
  // A negative descriptor can never become readable: the source is born invalid, so
  // adding it to a loop is refused rather than silently never firing.
  if (fd < 0) source->valid_ = false;
  return source;
}

std::shared_ptr<RunLoopSource> RunLoopSource::signalled(std::function<void()> perform, long order) {
  return std::shared_ptr<RunLoopSource>(new RunLoopSource(-1, std::move(perform), order));
}

void RunLoopSource::signal() {
  if (fd_ < 0 && valid_.load()) signalled_.store(true);
}

void RunLoopSource::wakeLoops() {
  std::vector<std::weak_ptr<RunLoop>> loops;
  {
    std::lock_guard lock(mutex_);
    loops = loops_;
  }
  for (auto& weak : loops)
    if (auto loop = weak.lock()) loop->wakeUp();
}

void RunLoopSource::setHooks(Hook onSchedule, Hook onCancel) {
  std::lock_guard lock(mutex_);
  onSchedule_ = onSchedule ? std::make_shared<Hook>(std::move(onSchedule)) : nullptr;
  onCancel_ = onCancel ? std::make_shared<Hook>(std::move(onCancel)) : nullptr;
}

void RunLoopSource::setInvalidationHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  onInvalidate_ = std::move(hook);
}

void RunLoopSource::invalidate() {
  if (!valid_.exchange(false)) return;
  // Keep this source alive through the teardown even if a loop held the last owner.
  auto self = shared_from_this();
  std::vector<std::weak_ptr<RunLoop>> loops;
  {
    std::lock_guard lock(mutex_);
    loops = loops_;
  }
  for (auto& weak : loops)
    if (auto loop = weak.lock()) loop->detachSource(*this);
  std::shared_ptr<std::function<void()>> perform;
  std::shared_ptr<Hook> onSchedule, onCancel;
  std::function<void()> onInvalidate;
  {
    std::lock_guard lock(mutex_);
    perform = std::move(perform_);
    onSchedule = std::move(onSchedule_);
    onCancel = std::move(onCancel_);
    onInvalidate = std::move(onInvalidate_);
    loops_.clear();
  }
  if (onInvalidate) onInvalidate();
  // The perform and hooks (and what they captured) go here, outside every lock.
}

void RunLoopSource::perform() {
  std::shared_ptr<std::function<void()>> perform;
  {
    std::lock_guard lock(mutex_);
    perform = perform_;
  }
  if (perform && *perform && valid_.load()) (*perform)();
}

void RunLoopSource::scheduled(RunLoop& loop, std::string_view mode) {
  std::shared_ptr<Hook> hook;
  {
    std::lock_guard lock(mutex_);
    bool known = std::any_of(loops_.begin(), loops_.end(), [&](const auto& w) { return w.lock().get() == &loop; });
    if (!known) loops_.push_back(loop.weak_from_this());
    hook = onSchedule_;
  }
  // Invalidated while being added: the invalidation may not have seen this loop yet.
  if (!valid_.load()) {
    loop.detachSource(*this);
    return;
  }
  if (hook && *hook) (*hook)(loop, mode);
}

void RunLoopSource::cancelled(RunLoop& loop, std::string_view mode) {
  std::shared_ptr<Hook> hook;
  {
    std::lock_guard lock(mutex_);
    hook = onCancel_;
  }
  if (hook && *hook) (*hook)(loop, mode);
}

void RunLoopSource::forgetLoop(const RunLoop& loop) {
  std::lock_guard lock(mutex_);
  std::erase_if(loops_, [&](const auto& w) {
    auto l = w.lock();
    return !l || l.get() == &loop;
  });
}

}  // namespace ns
