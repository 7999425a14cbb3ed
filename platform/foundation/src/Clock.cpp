// The process clock, real or manual, and the manual clock's advance.
#include <foundation/Clock.h>

#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include <atomic>
#include <chrono>
#include <cmath>

namespace ns {
namespace {

// Seconds between the Unix epoch and the reference date.
constexpr TimeInterval kReferenceDateOffset = 978307200.0;

// The real clock is the wall clock read once, carried forward by the monotonic
// clock: a wall-clock step (an NTP correction) never moves timers back or forth.
struct RealBase {
  TimeInterval wall;
  std::chrono::steady_clock::time_point steady;
};

const RealBase& realBase() {
  static const RealBase base = [] {
    using namespace std::chrono;
    return RealBase{duration<double>(system_clock::now().time_since_epoch()).count() - kReferenceDateOffset,
                    steady_clock::now()};
  }();
  return base;
}

std::atomic<bool> gManual{false};
std::atomic<TimeInterval> gManualNow{0.0};

// Moves the manual clock forward to `t`; it never moves back.
void raiseManualClock(TimeInterval t) {
  TimeInterval current = gManualNow.load();
  while (t > current && !gManualNow.compare_exchange_weak(current, t)) {
  }
}

}  // namespace

TimeInterval realNow() {
  const RealBase& base = realBase();
  return base.wall + std::chrono::duration<double>(std::chrono::steady_clock::now() - base.steady).count();
}

TimeInterval now() { return gManual.load(std::memory_order_acquire) ? gManualNow.load() : realNow(); }

void useManualClock(TimeInterval start) {
  gManualNow.store(std::isfinite(start) ? start : 0.0);
  gManual.store(true, std::memory_order_release);
  RunLoop::wakeAll();
}

void useRealClock() {
  gManual.store(false, std::memory_order_release);
  RunLoop::wakeAll();
}

bool isManualClock() { return gManual.load(std::memory_order_acquire); }

objc::Status advanceClock(TimeInterval seconds) {
  if (!isManualClock()) return objc::makeError("the clock is real; only a manual clock can be advanced");
  if (!(seconds >= 0) || std::isinf(seconds))
    return objc::makeError("the clock advances by a finite, non-negative number of seconds");
  TimeInterval target = gManualNow.load() + seconds;
  if (isMainThread()) RunLoop::main().serveDueUpTo(target, raiseManualClock);
  raiseManualClock(target);
  RunLoop::wakeAll();
  return objc::Ok{};
}

}  // namespace ns
