// Run-loop timers: the one kind of scheduled work (see RunLoop.h).
#include <foundation/RunLoop.h>

#include <cmath>

namespace ns {

namespace {
// NSTimer's floor for repeating intervals, which also keeps a repeating timer from
// firing endlessly at one moment of a manual clock.
constexpr TimeInterval kMinimumRepeatInterval = 0.0001;
}  // namespace

RunLoopTimer::RunLoopTimer(TimeInterval fireDate, TimeInterval interval, bool repeats, std::function<void()> action,
                           bool countsAsSource)
    : interval_(interval),
      repeats_(repeats),
      countsAsSource_(countsAsSource),
      action_(std::make_shared<std::function<void()>>(std::move(action))),
      fireDate_(fireDate) {}

std::shared_ptr<RunLoopTimer> RunLoopTimer::create(TimeInterval fireDate, TimeInterval interval, bool repeats,
                                                   std::function<void()> action, bool countsAsSource) {
  if (std::isnan(fireDate)) fireDate = now();
  if (std::isnan(interval) || interval < 0) interval = 0;
  if (repeats && interval < kMinimumRepeatInterval) interval = kMinimumRepeatInterval;
  return std::shared_ptr<RunLoopTimer>(
      new RunLoopTimer(fireDate, interval, repeats, std::move(action), countsAsSource));
}

RunLoopTimer::Action RunLoopTimer::currentAction() const {
  std::lock_guard lock(mutex_);
  return valid_ ? action_ : nullptr;
}

bool RunLoopTimer::setInvalidationHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  if (!valid_) return false;
  onInvalidate_ = std::move(hook);
  return true;
}

void RunLoopTimer::invalidate() {
  Action dropped;
  std::function<void()> hook;
  std::shared_ptr<RunLoop> loop;
  {
    std::lock_guard lock(mutex_);
    if (!valid_) return;
    valid_ = false;
    dropped = std::move(action_);
    hook = std::move(onInvalidate_);
    loop = loop_.lock();
  }
  if (loop) loop->removeTimer(*this);
  if (hook) hook();
  // `dropped` goes here, outside every lock: what the action captured is released
  // now, unless the action is running at this moment and holds it until it returns.
}

bool RunLoopTimer::isValid() const {
  std::lock_guard lock(mutex_);
  return valid_;
}

bool RunLoopTimer::isScheduled() const {
  std::lock_guard lock(mutex_);
  return !loop_.expired();
}

TimeInterval RunLoopTimer::fireDate() const {
  std::lock_guard lock(mutex_);
  return fireDate_;
}

void RunLoopTimer::setFireDate(TimeInterval date) {
  if (std::isnan(date)) return;
  std::shared_ptr<RunLoop> loop;
  {
    std::lock_guard lock(mutex_);
    loop = loop_.lock();
    if (!loop) {
      fireDate_ = date;
      return;
    }
  }
  loop->reschedule(*this, date);
}

void RunLoopTimer::fireNow() {
  Action action = currentAction();
  if (!action) return;
  if (*action) (*action)();
  if (!repeats_) invalidate();
}

}  // namespace ns
