// CFRunLoop: the CoreFoundation face of the run loop (see foundation/RunLoop.h).
//
// A CFRunLoopRef is the loop's NSRunLoop object and a CFRunLoopSourceRef is a
// runtime object of its own, so both can be retained and released like any object.
// Modes are CFStrings (NSString objects); kCFRunLoopDefaultMode and
// kCFRunLoopCommonModes are the same objects as NSDefaultRunLoopMode and
// NSRunLoopCommonModes.
//
// Sources: CFRunLoopSourceCreate makes a version-0 source from a context (perform
// runs once per CFRunLoopSourceSignal, at the next pass of each loop holding it;
// signalling does not wake a sleeping loop, CFRunLoopWakeUp does).  Version-1
// (Mach port) contexts do not exist here and give NULL.  The rest of the platform
// makes descriptor sources with cf::createDescriptorSource: their callback runs on
// the loop's thread whenever the descriptor is readable (or at end of file).  A run
// loop retains a source for as long as the source is in one of its modes, so the
// usual "add, then CFRelease" keeps it alive; CFRunLoopSourceInvalidate takes it out
// of every loop (running the context's cancel callback for each loop and mode).
//
// CFRunLoopRun runs the current loop in the default mode until CFRunLoopStop, or
// until the mode has nothing left to serve (never on the main loop, which serves the
// main queue).  CFRunLoopStop and CFRunLoopWakeUp may be called from any thread.
#pragma once

#include <foundation/RunLoop.h>

#include <cstdint>
#include <functional>
#include <memory>

extern "C" {

// Base types, as CoreFoundation declares them.
typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef unsigned char Boolean;
typedef long CFIndex;
typedef unsigned long CFHashCode;
typedef double CFTimeInterval;
typedef std::int32_t SInt32;

typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopSource* CFRunLoopSourceRef;

typedef struct {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
  Boolean (*equal)(const void* info1, const void* info2);
  CFHashCode (*hash)(const void* info);
  void (*schedule)(void* info, CFRunLoopRef rl, CFStringRef mode);
  void (*cancel)(void* info, CFRunLoopRef rl, CFStringRef mode);
  void (*perform)(void* info);
} CFRunLoopSourceContext;

enum : SInt32 {
  kCFRunLoopRunFinished = 1,
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4,
};

extern const CFStringRef kCFRunLoopDefaultMode;
extern const CFStringRef kCFRunLoopCommonModes;

CFRunLoopRef CFRunLoopGetCurrent(void);
CFRunLoopRef CFRunLoopGetMain(void);
void CFRunLoopRun(void);
SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef rl);
void CFRunLoopWakeUp(CFRunLoopRef rl);
Boolean CFRunLoopIsWaiting(CFRunLoopRef rl);
// The mode the loop runs in, owned by the caller; NULL when it is not running.
CFStringRef CFRunLoopCopyCurrentMode(CFRunLoopRef rl);
void CFRunLoopAddCommonMode(CFRunLoopRef rl, CFStringRef mode);

void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode);
void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode);
Boolean CFRunLoopContainsSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode);

// Owned by the caller (the Create rule).
CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef allocator, CFIndex order, CFRunLoopSourceContext* context);
void CFRunLoopSourceSignal(CFRunLoopSourceRef source);
void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source);
Boolean CFRunLoopSourceIsValid(CFRunLoopSourceRef source);
CFIndex CFRunLoopSourceGetOrder(CFRunLoopSourceRef source);
void CFRunLoopSourceGetContext(CFRunLoopSourceRef source, CFRunLoopSourceContext* context);

}  // extern "C"

namespace cf {

// A source (owned by the caller, the Create rule) that runs onReadable on the
// thread of each loop holding it whenever `fd` is readable or at its end.  The
// descriptor stays the caller's: invalidate the source before closing it.
// onInvalidate runs once when the source is invalidated (explicitly, or because it
// is deallocated).  NULL for a negative descriptor.
CFRunLoopSourceRef createDescriptorSource(int fd, CFIndex order, std::function<void()> onReadable,
                                          std::function<void()> onInvalidate = {});

// The core loop of a CFRunLoopRef (null when its thread has ended), and back.
std::shared_ptr<ns::RunLoop> runLoopOf(CFRunLoopRef rl);
CFRunLoopRef runLoopRef(ns::RunLoop& loop);

// The core source of a CFRunLoopSourceRef (null for anything else).
std::shared_ptr<ns::RunLoopSource> sourceOf(CFRunLoopSourceRef source);

}  // namespace cf
