// The main dispatch queue: dispatch_get_main_queue, dispatch_time, dispatch_after and
// dispatch_async, taking a C++ callable (a lambda, a std::function) or a block object.
//
// The main queue is served by the main run loop in its common modes: work handed to
// it runs on the main thread, in due order with everything else the main loop
// serves (see RunLoop.h).  Dispatch times are nanoseconds on the process clock, so
// under the manual clock dispatch_after work runs when advanceClock reaches it.  The
// work holds what it captured (for a block: the block, retained) until it has run.
//
// Only the main queue exists.  A null queue is refused: the work is dropped.
// dispatch_after at DISPATCH_TIME_FOREVER never runs (the work is dropped at once).
#pragma once

#include <foundation/Block.h>
#include <objcface/NSObject.h>

#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

// A dispatch queue is a runtime object (class OS_dispatch_queue).
using dispatch_queue_t = id;
using dispatch_time_t = std::uint64_t;

inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
inline constexpr std::uint64_t NSEC_PER_SEC = 1000000000ull;
inline constexpr std::uint64_t NSEC_PER_MSEC = 1000000ull;
inline constexpr std::uint64_t NSEC_PER_USEC = 1000ull;
inline constexpr std::uint64_t USEC_PER_SEC = 1000000ull;

dispatch_queue_t dispatch_get_main_queue();

// `when` plus `delta` nanoseconds; DISPATCH_TIME_NOW stands for the process clock's
// present reading.  Saturates instead of wrapping; FOREVER stays FOREVER.
dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta);

namespace ns::detail {
void dispatchAt(dispatch_time_t when, dispatch_queue_t queue, std::function<void()> work);

template <class F>
std::function<void()> dispatchWork(F&& work) {
  if constexpr (std::is_convertible_v<F, id>) {
    // A block object: retained until it has run, invoked as void().
    return [block = objc::Ref::retain(static_cast<id>(work))] { ns::invokeBlock<void()>(block.get()); };
  } else {
    return std::function<void()>(std::forward<F>(work));
  }
}
}  // namespace ns::detail

template <class F>
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, F&& work) {
  ns::detail::dispatchAt(when, queue, ns::detail::dispatchWork(std::forward<F>(work)));
}

template <class F>
void dispatch_async(dispatch_queue_t queue, F&& work) {
  ns::detail::dispatchAt(DISPATCH_TIME_NOW, queue, ns::detail::dispatchWork(std::forward<F>(work)));
}
