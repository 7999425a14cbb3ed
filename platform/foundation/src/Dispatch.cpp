// The main dispatch queue on the main run loop.
#include <foundation/Dispatch.h>

#include <foundation/RunLoop.h>

#include <limits>

namespace {

using ns::TimeInterval;

// Dispatch times count nanoseconds from the Unix epoch on the process clock (always
// above DISPATCH_TIME_NOW for any reading after 1970).
constexpr std::int64_t kEpochOffsetNanos = 978307200ll * 1000000000ll;

dispatch_time_t encode(std::int64_t ticks) {
  if (ticks > std::numeric_limits<std::int64_t>::max() - kEpochOffsetNanos) return DISPATCH_TIME_FOREVER - 1;
  std::int64_t value = ticks + kEpochOffsetNanos;
  return value < 1 ? 1 : static_cast<dispatch_time_t>(value);
}

TimeInterval decode(dispatch_time_t when) {
  if (when == DISPATCH_TIME_NOW) return ns::now();
  auto ticks = static_cast<std::int64_t>(when) - kEpochOffsetNanos;
  std::int64_t seconds = ticks / 1000000000ll, nanos = ticks % 1000000000ll;
  return static_cast<double>(seconds) + static_cast<double>(nanos) / 1e9;
}

Class registerQueueClass() {
  return objc::ClassBuilder<NSObjectIvars>("OS_dispatch_queue", objc::NSObjectClass()).registerClass();
}

id mainQueue() {
  static id queue = objc::allocInit(registerQueueClass());
  return queue;
}

[[maybe_unused]] const id kMainQueueAtLoad = mainQueue();

}  // namespace

dispatch_queue_t dispatch_get_main_queue() { return mainQueue(); }

dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta) {
  if (when == DISPATCH_TIME_FOREVER) return DISPATCH_TIME_FOREVER;
  std::int64_t base = when == DISPATCH_TIME_NOW ? ns::clockTicks(ns::now())
                                                : static_cast<std::int64_t>(when) - kEpochOffsetNanos;
  std::int64_t ticks;
  if (__builtin_add_overflow(base, delta, &ticks))
    ticks = delta > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
  return encode(ticks);
}

namespace ns::detail {

void dispatchAt(dispatch_time_t when, dispatch_queue_t queue, std::function<void()> work) {
  if (queue != mainQueue() || !work || when == DISPATCH_TIME_FOREVER) return;
  // Queue work counts as a handled source for a run that returns after one, as the
  // main queue does on iOS, whether it was posted now or after a delay.
  RunLoop::main().performAt(decode(when), std::move(work), commonModes(), true);
}

}  // namespace ns::detail
