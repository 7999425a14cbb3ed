// NSObject's delayed and cross-thread performs:
//   performSelector:withObject:afterDelay: (and …inModes:), the class methods
//   cancelPreviousPerformRequestsWithTarget: and …:selector:object:,
//   performSelectorOnMainThread:withObject:waitUntilDone: (and …modes:),
//   performSelector:onThread:withObject:waitUntilDone:,
//   performSelectorInBackground:withObject:.
//
// A delayed perform is a one-shot timer on the caller's run loop, in the default
// mode unless modes are given.  The receiver and the argument are retained until
// the perform has run or has been cancelled.  Cancelling works on the calling
// thread's run loop only, as on iOS; the argument is matched with isEqual:.
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include <objcface/NSObject.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace ns {
namespace {

using objc::sel;
using objc::send;

// Sends `selector` the way performSelector:withObject: does: the method may take the
// argument or ignore it, and its result (an object or nothing) is not used.
void performNow(id target, SEL selector, id argument) {
  objc::callImp<void>(objc_msg_lookup(target, selector), target, selector, argument);
}

// The delayed performs scheduled by this thread, for cancellation.  The pointers are
// only compared; the perform's own work holds the retains.
struct PendingPerform {
  std::weak_ptr<RunLoopTimer> timer;
  id target;
  SEL selector;
  id argument;
};

std::map<std::uint64_t, PendingPerform>& pendingPerforms() {
  thread_local std::map<std::uint64_t, PendingPerform> pending;
  return pending;
}

std::uint64_t nextPerformId() {
  thread_local std::uint64_t next = 0;
  return ++next;
}

// Mode names from an NSArray of NSStrings (sent count / objectAtIndex: / UTF8String).
RunLoopModes modesFromArray(id array, RunLoopModes fallback) {
  if (array == nil) return fallback;
  RunLoopModes modes;
  auto count = send<NSUInteger>(array, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id mode = send<id>(array, sel<"objectAtIndex:">(), i);
    const char* text = send<const char*>(mode, sel<"UTF8String">());
    if (text != nullptr && *text != '\0') modes.emplace_back(text);
  }
  return modes;
}

void scheduleDelayed(id self, SEL selector, id argument, double delay, RunLoopModes modes) {
  if (selector == nullptr || modes.empty()) return;
  std::uint64_t key = nextPerformId();
  objc::Ref target = objc::Ref::retain(self);
  objc::Ref object = objc::Ref::retain(argument);
  auto timer = RunLoop::current().performAfter(
      delay,
      [key, target, selector, object] {
        pendingPerforms().erase(key);
        performNow(target, selector, object);
      },
      std::move(modes));
  if (timer->isValid()) pendingPerforms()[key] = {timer, self, selector, argument};
}

void objPerformAfterDelay(id self, SEL, SEL selector, id argument, double delay) {
  scheduleDelayed(self, selector, argument, delay, defaultMode());
}

void objPerformAfterDelayInModes(id self, SEL, SEL selector, id argument, double delay, id modes) {
  scheduleDelayed(self, selector, argument, delay, modesFromArray(modes, {}));
}

bool argumentsMatch(id wanted, id scheduled) {
  if (wanted == scheduled) return true;
  if (wanted == nil || scheduled == nil) return false;
  return send<BOOL>(wanted, sel<"isEqual:">(), scheduled) != NO;
}

// Cancels matching performs of this thread; selector null matches every selector.
void cancelPerforms(id target, SEL selector, bool matchArgument, id argument) {
  std::vector<std::shared_ptr<RunLoopTimer>> cancelled;
  auto& pending = pendingPerforms();
  for (auto it = pending.begin(); it != pending.end();) {
    const PendingPerform& p = it->second;
    bool match = p.target == target && (selector == nullptr || sel_isEqual(p.selector, selector)) &&
                 (!matchArgument || argumentsMatch(argument, p.argument));
    if (match) {
      if (auto timer = p.timer.lock()) cancelled.push_back(std::move(timer));
      it = pending.erase(it);
    } else {
      ++it;
    }
  }
  // Invalidating drops each perform's work, releasing its receiver and argument now.
  for (auto& timer : cancelled) timer->invalidate();
}

void clsCancelAll(id, SEL, id target) { cancelPerforms(target, nullptr, false, nil); }

void clsCancelMatching(id, SEL, id target, SEL selector, id argument) {
  if (selector != nullptr) cancelPerforms(target, selector, true, argument);
}

// Runs the perform on `loop`, waiting for it when asked.  Waiting on the loop's own
// thread runs it at once, as iOS does.
void performOnLoop(const std::shared_ptr<RunLoop>& loop, id self, SEL selector, id argument, bool wait,
                   RunLoopModes modes) {
  if (!loop || selector == nullptr || modes.empty()) return;
  if (wait && loop->isCurrent()) {
    performNow(self, selector, argument);
    return;
  }
  objc::Ref target = objc::Ref::retain(self);
  objc::Ref object = objc::Ref::retain(argument);
  if (!wait) {
    loop->perform([target, selector, object] { performNow(target, selector, object); }, std::move(modes));
    return;
  }
  struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
  };
  auto done = std::make_shared<Done>();
  auto work = loop->perform(
      [target, selector, object, done] {
        performNow(target, selector, object);
        std::lock_guard lock(done->mutex);
        done->done = true;
        done->cv.notify_all();
      },
      std::move(modes));
  std::unique_lock lock(done->mutex);
  // A loop whose thread ended drops the work: nothing will ever run, so stop waiting.
  done->cv.wait(lock, [&] { return done->done || !work->isValid(); });
}

void objPerformOnMain(id self, SEL, SEL selector, id argument, BOOL wait) {
  performOnLoop(RunLoop::mainShared(), self, selector, argument, wait != NO, commonModes());
}

void objPerformOnMainModes(id self, SEL, SEL selector, id argument, BOOL wait, id modes) {
  performOnLoop(RunLoop::mainShared(), self, selector, argument, wait != NO, modesFromArray(modes, {}));
}

void objPerformOnThread(id self, SEL, SEL selector, id thread, id argument, BOOL wait) {
  performOnLoop(runLoopOfThread(thread), self, selector, argument, wait != NO, commonModes());
}

void objPerformInBackground(id self, SEL, SEL selector, id argument) {
  send<void>(NSThreadClass(), sel<"detachNewThreadSelector:toTarget:withObject:">(), selector, self, argument);
}

[[maybe_unused]] const bool kPerformsAdded = [] {
  Class object = objc::NSObjectClass();
  Class meta = object_getClass(reinterpret_cast<id>(object));
  auto add = [](Class cls, const char* name, IMP imp, const std::string& types) {
    objc::detail::addMethod(cls, name, imp, types);
  };
  add(object, "performSelector:withObject:afterDelay:", objc::toImp(&objPerformAfterDelay),
      objc::methodEncoding<void, SEL, id, double>());
  add(object, "performSelector:withObject:afterDelay:inModes:", objc::toImp(&objPerformAfterDelayInModes),
      objc::methodEncoding<void, SEL, id, double, id>());
  add(object, "performSelectorOnMainThread:withObject:waitUntilDone:", objc::toImp(&objPerformOnMain),
      objc::methodEncoding<void, SEL, id, BOOL>());
  add(object, "performSelectorOnMainThread:withObject:waitUntilDone:modes:", objc::toImp(&objPerformOnMainModes),
      objc::methodEncoding<void, SEL, id, BOOL, id>());
  add(object, "performSelector:onThread:withObject:waitUntilDone:", objc::toImp(&objPerformOnThread),
      objc::methodEncoding<void, SEL, id, id, BOOL>());
  add(object, "performSelectorInBackground:withObject:", objc::toImp(&objPerformInBackground),
      objc::methodEncoding<void, SEL, id>());
  add(meta, "cancelPreviousPerformRequestsWithTarget:", objc::toImp(&clsCancelAll), objc::methodEncoding<void, id>());
  add(meta, "cancelPreviousPerformRequestsWithTarget:selector:object:", objc::toImp(&clsCancelMatching),
      objc::methodEncoding<void, id, SEL, id>());
  return true;
}();

}  // namespace
}  // namespace ns
