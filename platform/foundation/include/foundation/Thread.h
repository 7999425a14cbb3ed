// Threads: which thread is the main thread, and NSThread.
//
// The main thread is the thread that loads the platform (Foundation's load-time
// initialiser records it; in a program linked with the platform that is the
// process's first thread).  A program that loads the platform on another thread, or
// wants another thread to be the main one, calls markMainThread() on that thread
// before it uses any run loop.  The main thread owns the main run loop, which serves
// the main queue, performSelectorOnMainThread: and the manual clock's due work.
//
// NSThread: alloc/init (or initWithTarget:selector:object:), then start: a new
// thread runs -main (a subclass overrides it; the base class sends the target its
// selector with the argument) inside an autorelease pool, with a run loop of its
// own.  The thread object is retained while its thread runs.  When -main returns,
// the thread's run loop drops what it still holds and the thread ends.
//
// Class methods: currentThread, mainThread, isMainThread, detachNewThreadSelector:
// toTarget:withObject:, sleepForTimeInterval: (real time, whatever the process
// clock).  Instance methods: init, initWithTarget:selector:object:, start, main,
// cancel, isCancelled, isExecuting, isFinished, isMainThread, name, setName:,
// threadDictionary.  A thread the platform did not start (a std::thread) gets an
// NSThread object when it first asks for currentThread.
#pragma once

#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>

#include <memory>
#include <thread>

namespace ns {

// Makes the calling thread the main thread (and moves the main run loop to it).
void markMainThread();
bool isMainThread();

struct ThreadState;  // private to the platform

// The ivars of NSThread; a subclass's ivar struct derives from this one.
struct NSThreadIvars : NSObjectIvars {
  id _target;    // retained
  SEL _selector;
  id _argument;  // retained
  id _name;      // retained (an NSString)
  id _threadDictionary;  // retained, made on first use
  std::unique_ptr<ThreadState> _state;
};

Class NSThreadClass();

// The run loop of an NSThread object's thread (made if the thread has none yet), so
// other threads can post work to it.  Null for nil or a finished thread.
std::shared_ptr<RunLoop> runLoopOfThread(id thread);

// Waits, in real time, until the thread's -main has returned and its run loop is
// retired; false when `realSeconds` pass first.  For tests and orderly shutdowns.
bool waitUntilThreadFinished(id thread, double realSeconds);

}  // namespace ns
