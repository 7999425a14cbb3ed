// The NSRunLoop class over the run loop core.
#include <foundation/RunLoopObject.h>

#include <foundation/NSString.h>
#include <foundation/Timer.h>

#include <cmath>

namespace ns {
namespace {

using objc::sel;
using objc::send;

NSRunLoopIvars* raw(id self) { return objc::ivars<NSRunLoopIvars>(self); }

constexpr double kDistantFuture = 1.0e10;

// Seconds from now until an NSDate; nil stands for now.
double secondsUntil(id date) {
  if (date == nil) return 0;
  return send<double>(date, sel<"timeIntervalSinceReferenceDate">()) - now();
}

id clsCurrentRunLoop(id, SEL) { return runLoopObject(RunLoop::current()); }
id clsMainRunLoop(id, SEL) { return runLoopObject(RunLoop::main()); }

id rlGetCFRunLoop(id self, SEL) { return self; }

id rlCurrentMode(id self, SEL) {
  auto loop = runLoopFromObject(self);
  std::string mode = loop ? loop->currentMode() : std::string();
  if (mode.empty()) return nil;
  return objc::autorelease(modeObject(mode).leak());
}

BOOL rlRunModeBeforeDate(id self, SEL, id mode, id date) {
  auto loop = runLoopFromObject(self);
  std::string name = modeName(mode);
  if (!loop || name.empty()) return NO;
  return loop->runInMode(name, secondsUntil(date), true) != RunResult::finished ? YES : NO;
}

void rlRun(id self, SEL) {
  auto loop = runLoopFromObject(self);
  if (!loop) return;
  while (loop->runInMode(kDefaultRunLoopMode, kDistantFuture, true) != RunResult::finished) {
  }
}

void rlRunUntilDate(id self, SEL, id date) {
  auto loop = runLoopFromObject(self);
  if (!loop) return;
  double until = date != nil ? send<double>(date, sel<"timeIntervalSinceReferenceDate">()) : now();
  do {
    if (loop->runInMode(kDefaultRunLoopMode, until - now(), true) == RunResult::finished) return;
  } while (now() < until);
}

void rlAddTimerForMode(id self, SEL, id timer, id mode) {
  auto loop = runLoopFromObject(self);
  std::string name = modeName(mode);
  if (loop && !name.empty()) (void)scheduleTimer(timer, *loop, name);
}

void rlDealloc(id self, SEL cmd) {
  std::destroy_at(&raw(self)->_loop);
  objc::sendSuper<void>(self, NSRunLoopClass(), cmd);
}

Class registerRunLoopClass() {
  return objc::ClassBuilder<NSRunLoopIvars>("NSRunLoop", objc::NSObjectClass())
      .ivar<&NSRunLoopIvars::_loop>("_loop")
      .method<&rlGetCFRunLoop>("getCFRunLoop")
      .method<&rlCurrentMode>("currentMode")
      .method<&rlRunModeBeforeDate>("runMode:beforeDate:")
      .method<&rlRun>("run")
      .method<&rlRunUntilDate>("runUntilDate:")
      .method<&rlAddTimerForMode>("addTimer:forMode:")
      .method<&rlDealloc>("dealloc")
      .classMethod<&clsCurrentRunLoop>("currentRunLoop")
      .classMethod<&clsMainRunLoop>("mainRunLoop")
      .registerClass();
}

[[maybe_unused]] const Class kRunLoopAtLoad = NSRunLoopClass();

}  // namespace

Class NSRunLoopClass() {
  static const Class cls = registerRunLoopClass();
  return cls;
}

id runLoopObject(RunLoop& loop) {
  return loop.faceObject([](const std::shared_ptr<RunLoop>& core) {
    id object = objc::allocInit(NSRunLoopClass());
    raw(object)->_loop = core;
    return object;
  });
}

std::shared_ptr<RunLoop> runLoopFromObject(id runLoop) {
  if (runLoop == nil || !send<BOOL>(runLoop, sel<"isKindOfClass:">(), NSRunLoopClass())) return nullptr;
  return raw(runLoop)->_loop.lock();
}

std::string modeName(id mode) {
  if (mode == NSDefaultRunLoopMode) return std::string(kDefaultRunLoopMode);
  if (mode == NSRunLoopCommonModes) return std::string(kCommonRunLoopModes);
  return utf8(mode);
}

objc::Ref modeObject(std::string_view name) {
  if (name == kDefaultRunLoopMode) return objc::Ref::retain(NSDefaultRunLoopMode);
  if (name == kCommonRunLoopModes) return objc::Ref::retain(NSRunLoopCommonModes);
  return makeString(name);
}

}  // namespace ns

// Made at load; never released.
extern id const NSDefaultRunLoopMode = ns::makeString(ns::kDefaultRunLoopMode).leak();
extern id const NSRunLoopCommonModes = ns::makeString(ns::kCommonRunLoopModes).leak();
