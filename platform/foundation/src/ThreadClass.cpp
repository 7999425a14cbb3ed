// The NSThread class: threads started from objects, each with its own run loop and
// autorelease pool, and the thread objects of the main and foreign threads.
#include <foundation/Thread.h>

#include "ThreadState.h"

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace ns {
namespace {

using objc::sel;
using objc::send;

NSThreadIvars* raw(id self) { return objc::ivars<NSThreadIvars>(self); }

// The NSThread object of the running thread (not retained: the thread's entry
// function or its AdoptedThread holder owns it).
thread_local id tCurrentThread = nil;

ThreadState& stateOf(id self) {
  // A subclass whose -init forgot [super init] still gets a state.
  if (!raw(self)->_state) raw(self)->_state = std::make_unique<ThreadState>();
  return *raw(self)->_state;
}

// The object of a thread the platform did not start, released when it ends.
struct AdoptedThread {
  objc::Ref object;
  ~AdoptedThread() {
    if (!object) return;
    ThreadState& state = stateOf(object);
    {
      std::lock_guard lock(state.mutex);
      state.finished = true;
    }
    state.changed.notify_all();
    tCurrentThread = nil;
  }
};
thread_local AdoptedThread tAdopted;

id mainThreadObject() {
  static id object = [] {
    id thread = objc::allocInit(NSThreadClass());
    ThreadState& state = stateOf(thread);
    state.started = true;
    state.isMain = true;
    state.loop = RunLoop::mainShared();
    return thread;
  }();
  return object;
}

void threadEntry(id self) {
  ThreadState& state = stateOf(self);
  tCurrentThread = self;
  RunLoop::bindToCurrentThread(state.loop);
  {
    objc::AutoreleasePool pool;
    send<void>(self, sel<"main">());
  }
  // The loop lets go of its timers and sources (and what they retain) on this
  // thread, before the thread counts as finished.
  state.loop->retire();
  {
    std::lock_guard lock(state.mutex);
    state.finished = true;
  }
  state.changed.notify_all();
  tCurrentThread = nil;
  objc::release(self);  // the retain taken by -start
}

// --- Instance methods ---------------------------------------------------------------

id threadInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, NSThreadClass(), cmd);
  if (self != nil && !raw(self)->_state) raw(self)->_state = std::make_unique<ThreadState>();
  return self;
}

id threadInitWithTarget(id self, SEL, id target, SEL selector, id argument) {
  self = send<id>(self, sel<"init">());
  if (self == nil) return nil;
  raw(self)->_target = objc::retain(target);
  raw(self)->_selector = selector;
  raw(self)->_argument = objc::retain(argument);
  return self;
}

void threadDealloc(id self, SEL cmd) {
  NSThreadIvars* t = raw(self);
  objc::release(t->_target);
  objc::release(t->_argument);
  objc::release(t->_name);
  objc::release(t->_threadDictionary);
  std::destroy_at(&t->_state);
  objc::sendSuper<void>(self, NSThreadClass(), cmd);
}

void threadStart(id self, SEL) {
  ThreadState& state = stateOf(self);
  {
    std::lock_guard lock(state.mutex);
    if (state.started) return;  // a thread starts once
    state.started = true;
    // Work may have been posted to the thread before it started.
    if (!state.loop) state.loop = RunLoop::makeForNewThread();
  }
  objc::retain(self);
  std::thread(threadEntry, self).detach();
}

void threadMain(id self, SEL) {
  NSThreadIvars* t = raw(self);
  // Sent the way performSelector:withObject: sends: the selector may take the
  // argument or ignore it.
  if (t->_target != nil && t->_selector != nullptr)
    objc::callImp<void>(objc_msg_lookup(t->_target, t->_selector), t->_target, t->_selector, t->_argument);
}

void threadCancel(id self, SEL) {
  ThreadState& state = stateOf(self);
  std::lock_guard lock(state.mutex);
  state.cancelled = true;
}

BOOL threadIsCancelled(id self, SEL) {
  ThreadState& state = stateOf(self);
  std::lock_guard lock(state.mutex);
  return state.cancelled ? YES : NO;
}

BOOL threadIsExecuting(id self, SEL) {
  ThreadState& state = stateOf(self);
  std::lock_guard lock(state.mutex);
  return state.started && !state.finished ? YES : NO;
}

BOOL threadIsFinished(id self, SEL) {
  ThreadState& state = stateOf(self);
  std::lock_guard lock(state.mutex);
  return state.finished ? YES : NO;
}

BOOL threadIsMain(id self, SEL) { return stateOf(self).isMain ? YES : NO; }

id threadName(id self, SEL) { return raw(self)->_name; }

void threadSetName(id self, SEL, id name) {
  id copy = send<id>(name, sel<"copy">());
  objc::release(raw(self)->_name);
  raw(self)->_name = copy;
}

id threadDictionary(id self, SEL) {
  NSThreadIvars* t = raw(self);
  if (t->_threadDictionary == nil) {
    Class cls = objc::classNamed("NSMutableDictionary");
    if (cls != Nil) t->_threadDictionary = objc::allocInit(cls);
  }
  return t->_threadDictionary;
}

// --- Class methods ------------------------------------------------------------------

id clsCurrentThread(id, SEL) {
  if (isMainThread()) return mainThreadObject();
  if (tCurrentThread != nil) return tCurrentThread;
  // A thread the platform did not start: give it an object for its lifetime.
  objc::Ref thread = objc::Ref::adopt(objc::allocInit(NSThreadClass()));
  ThreadState& state = stateOf(thread);
  state.started = true;
  state.loop = RunLoop::currentShared();
  tAdopted.object = thread;
  tCurrentThread = thread;
  return thread;
}

id clsMainThread(id, SEL) { return mainThreadObject(); }

BOOL clsIsMainThread(id, SEL) { return isMainThread() ? YES : NO; }

void clsDetach(id, SEL, SEL selector, id target, id argument) {
  objc::Ref thread = objc::Ref::adopt(
      send<id>(send<id>(NSThreadClass(), sel<"alloc">()), sel<"initWithTarget:selector:object:">(), target, selector,
               argument));
  send<void>(thread, sel<"start">());
}

void clsSleep(id, SEL, double seconds) {
  if (std::isfinite(seconds) && seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

Class registerThreadClass() {
  return objc::ClassBuilder<NSThreadIvars>("NSThread", objc::NSObjectClass())
      .ivar<&NSThreadIvars::_target>("_target")
      .ivar<&NSThreadIvars::_selector>("_selector")
      .ivar<&NSThreadIvars::_argument>("_argument")
      .ivar<&NSThreadIvars::_name>("_name")
      .ivar<&NSThreadIvars::_threadDictionary>("_threadDictionary")
      .ivar<&NSThreadIvars::_state>("_state")
      .method<&threadInit>("init")
      .method<&threadInitWithTarget>("initWithTarget:selector:object:")
      .method<&threadDealloc>("dealloc")
      .method<&threadStart>("start")
      .method<&threadMain>("main")
      .method<&threadCancel>("cancel")
      .method<&threadIsCancelled>("isCancelled")
      .method<&threadIsExecuting>("isExecuting")
      .method<&threadIsFinished>("isFinished")
      .method<&threadIsMain>("isMainThread")
      .method<&threadName>("name")
      .method<&threadSetName>("setName:")
      .method<&threadDictionary>("threadDictionary")
      .classMethod<&clsCurrentThread>("currentThread")
      .classMethod<&clsMainThread>("mainThread")
      .classMethod<&clsIsMainThread>("isMainThread")
      .classMethod<&clsDetach>("detachNewThreadSelector:toTarget:withObject:")
      .classMethod<&clsSleep>("sleepForTimeInterval:")
      .registerClass();
}

[[maybe_unused]] const Class kThreadAtLoad = NSThreadClass();

}  // namespace

Class NSThreadClass() {
  static const Class cls = registerThreadClass();
  return cls;
}

std::shared_ptr<RunLoop> runLoopOfThread(id thread) {
  if (thread == nil) return nullptr;
  ThreadState& state = stateOf(thread);
  std::lock_guard lock(state.mutex);
  if (state.finished) return nullptr;
  if (!state.loop) state.loop = RunLoop::makeForNewThread();  // not started yet
  return state.loop;
}

bool waitUntilThreadFinished(id thread, double realSeconds) {
  if (thread == nil) return true;
  objc::Ref keep = objc::Ref::retain(thread);
  ThreadState& state = stateOf(thread);
  std::unique_lock lock(state.mutex);
  auto limit = std::chrono::duration<double>(std::isfinite(realSeconds) ? std::max(realSeconds, 0.0) : 1e9);
  return state.changed.wait_for(lock, limit, [&] { return state.finished; });
}

}  // namespace ns
