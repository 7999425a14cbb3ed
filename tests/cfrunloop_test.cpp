// The CFRunLoop and NSRunLoop faces: loops per thread, version-0 and descriptor
// sources with their retains and callbacks, running and stopping from other threads.
// Every wait on another thread is bounded in real time.
#include <corefoundation/CFRunLoop.h>

#include <foundation/NSString.h>
#include <foundation/RunLoopObject.h>
#include <foundation/Thread.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

using objc::sel;
using objc::send;

namespace {

constexpr double kDeadline = 10.0;

id asId(const void* ref) { return reinterpret_cast<id>(const_cast<void*>(ref)); }

// Counts what a version-0 source's context is asked to do.
struct ContextLog {
  int retains = 0, releases = 0, performs = 0;
  std::vector<std::string> scheduled, cancelled;
};
const void* logRetain(const void* info) {
  ++static_cast<ContextLog*>(const_cast<void*>(info))->retains;
  return info;
}
void logRelease(const void* info) { ++static_cast<ContextLog*>(const_cast<void*>(info))->releases; }
void logSchedule(void* info, CFRunLoopRef rl, CFStringRef mode) {
  EXPECT_EQ(rl, CFRunLoopGetCurrent());
  static_cast<ContextLog*>(info)->scheduled.push_back(ns::utf8(asId(mode)));
}
void logCancel(void* info, CFRunLoopRef, CFStringRef mode) {
  static_cast<ContextLog*>(info)->cancelled.push_back(ns::utf8(asId(mode)));
}
void logPerform(void* info) {
  auto* log = static_cast<ContextLog*>(info);
  ++log->performs;
  CFStringRef mode = CFRunLoopCopyCurrentMode(CFRunLoopGetCurrent());
  EXPECT_EQ(ns::utf8(asId(mode)), "kCFRunLoopDefaultMode");
  objc::release(asId(mode));
}

TEST(CFRunLoop, LoopsPerThreadAndTheirObjects) {
  CFRunLoopRef main = CFRunLoopGetMain();
  EXPECT_EQ(CFRunLoopGetCurrent(), main);
  id nsMain = send<id>(ns::NSRunLoopClass(), sel<"mainRunLoop">());
  EXPECT_EQ(reinterpret_cast<CFRunLoopRef>(send<id>(nsMain, sel<"getCFRunLoop">())), main);
  EXPECT_EQ(send<id>(ns::NSRunLoopClass(), sel<"currentRunLoop">()), nsMain);
  EXPECT_EQ(asId(kCFRunLoopDefaultMode), NSDefaultRunLoopMode);
  EXPECT_EQ(ns::utf8(asId(kCFRunLoopCommonModes)), "kCFRunLoopCommonModes");

  CFRunLoopRef other = nullptr;
  SInt32 emptyRun = 0;
  std::thread([&] {
    other = CFRunLoopGetCurrent();
    objc::retain(asId(other));  // kept past the thread's end
    emptyRun = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 5.0, false);
  }).join();
  EXPECT_NE(other, main);
  EXPECT_EQ(emptyRun, kCFRunLoopRunFinished) << "a loop with nothing to serve returns at once";
  EXPECT_EQ(cf::runLoopOf(other), nullptr) << "its thread has ended";
  CFRunLoopStop(other);  // harmless on a loop whose thread is gone
  objc::release(asId(other));
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunTimedOut);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopCommonModes, 0, true), kCFRunLoopRunFinished)
      << "nothing runs in the common-modes pseudo mode";
}

TEST(CFRunLoop, VersionZeroSourceLivesWhileInALoopAndCallsItsContext) {
  ContextLog log;
  CFRunLoopSourceContext context{0,       &log,    logRetain, logRelease, nullptr, nullptr,
                                 nullptr, logSchedule, logCancel, logPerform};
  CFRunLoopSourceRef source = CFRunLoopSourceCreate(nullptr, 3, &context);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(log.retains, 1);
  EXPECT_EQ(CFRunLoopSourceGetOrder(source), 3);
  CFRunLoopRef rl = CFRunLoopGetCurrent();
  CFRunLoopAddSource(rl, source, kCFRunLoopDefaultMode);
  EXPECT_TRUE(CFRunLoopContainsSource(rl, source, kCFRunLoopDefaultMode));
  objc::release(asId(source));  // the loop keeps it
  EXPECT_EQ(log.releases, 0);

  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunTimedOut);
  EXPECT_EQ(log.performs, 0) << "an unsignalled source does not run";
  CFRunLoopSourceSignal(source);
  CFRunLoopSourceSignal(source);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunHandledSource);
  EXPECT_EQ(log.performs, 1) << "signals before a pass fold into one perform";

  CFRunLoopSourceInvalidate(source);  // leaves the loop, which lets go of it
  EXPECT_EQ(log.scheduled, (std::vector<std::string>{"kCFRunLoopDefaultMode"}));
  EXPECT_EQ(log.cancelled, (std::vector<std::string>{"kCFRunLoopDefaultMode"}));
  EXPECT_EQ(log.releases, 1) << "the source is gone and has released its info";
  CFRunLoopSourceContext version1{};
  version1.version = 1;
  EXPECT_EQ(CFRunLoopSourceCreate(nullptr, 0, &version1), nullptr);
}

TEST(CFRunLoop, RemovingTheLastModeReleasesTheSource) {
  ContextLog log;
  CFRunLoopSourceContext context{0, &log, logRetain, logRelease, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 logPerform};
  CFRunLoopSourceRef source = CFRunLoopSourceCreate(nullptr, 0, &context);
  CFRunLoopRef rl = CFRunLoopGetCurrent();
  CFRunLoopAddSource(rl, source, kCFRunLoopCommonModes);
  CFRunLoopAddSource(rl, source, kCFRunLoopDefaultMode);
  EXPECT_EQ(send<NSUInteger>(asId(source), sel<"retainCount">()), 3u) << "one retain per loop mode";
  objc::release(asId(source));
  CFRunLoopRemoveSource(rl, source, kCFRunLoopCommonModes);
  EXPECT_EQ(log.releases, 0);
  CFRunLoopRemoveSource(rl, source, kCFRunLoopDefaultMode);
  EXPECT_EQ(log.releases, 1);
}

// A service thread with a descriptor source on a pipe, run by CFRunLoopRun until
// the main thread stops it.
TEST(CFRunLoop, DescriptorSourceOnAServiceThreadAndStopFromAnotherThread) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
  std::promise<CFRunLoopRef> loopReady;
  std::promise<void> runReturned;
  std::atomic<int> bytes{0};
  std::atomic<bool> invalidated{false};
  std::thread service([&] {
    objc::AutoreleasePool pool;
    CFRunLoopSourceRef source = cf::createDescriptorSource(
        fds[0], 0,
        [&] {
          char buffer[64];
          ssize_t n;
          while ((n = read(fds[0], buffer, sizeof buffer)) > 0) bytes += static_cast<int>(n);
        },
        [&] { invalidated = true; });
    CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
    objc::release(asId(source));
    loopReady.set_value(CFRunLoopGetCurrent());
    CFRunLoopRun();
    runReturned.set_value();
  });
  auto ready = loopReady.get_future();
  ASSERT_EQ(ready.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  CFRunLoopRef serviceLoop = ready.get();
  ASSERT_EQ(write(fds[1], "hello", 5), 5);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (bytes.load() < 5 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(bytes.load(), 5);
  // The loop is now running (it served the pipe), so the stop reaches that run.
  CFRunLoopStop(serviceLoop);
  auto returned = runReturned.get_future();
  bool stopped = returned.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!stopped) {
    close(fds[1]);  // EOF keeps the source busy; the watchdog path must still end the thread
    for (int i = 0; i < 100 && returned.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i)
      CFRunLoopStop(serviceLoop);
  }
  ASSERT_TRUE(stopped) << "CFRunLoopStop from another thread did not end CFRunLoopRun";
  service.join();
  EXPECT_TRUE(invalidated.load()) << "the thread's end takes the source out of its loop, and the last release "
                                     "invalidates it";
  EXPECT_EQ(cf::createDescriptorSource(-1, 0, [] {}), nullptr);
  close(fds[0]);
  close(fds[1]);
}

TEST(CFRunLoop, StopEndsTheMainLoopsRunFromAnotherThread) {
  std::atomic<bool> running{false};
  std::atomic<bool> watchdogFired{false};
  std::atomic<bool> finished{false};
  ns::RunLoop::main().perform([&] { running = true; });
  std::thread stopper([&] {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!running.load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CFRunLoopStop(CFRunLoopGetMain());
    // Watchdog: if the stop was lost, keep stopping so the test ends (and fails).
    while (!finished.load() && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(5)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!finished.load()) {
        watchdogFired = true;
        CFRunLoopStop(CFRunLoopGetMain());
      }
    }
  });
  CFRunLoopRun();
  finished = true;
  stopper.join();
  EXPECT_TRUE(running.load());
  EXPECT_FALSE(watchdogFired.load());
}

// A date class for the NSRunLoop face (only timeIntervalSinceReferenceDate is sent).
struct DateIvars : NSObjectIvars {
  double _t;
};
double dateInterval(id self, SEL) { return objc::ivars<DateIvars>(self)->_t; }
objc::Ref dateAt(double t) {
  static Class cls = objc::ClassBuilder<DateIvars>("RlDate", objc::NSObjectClass())
                         .ivar<&DateIvars::_t>("_t")
                         .method<&dateInterval>("timeIntervalSinceReferenceDate")
                         .registerClass();
  objc::Ref date = objc::Ref::adopt(objc::allocInit(cls));
  objc::ivars<DateIvars>(date)->_t = t;
  return date;
}

TEST(NSRunLoopFace, RunModeAndRunUntilDateOnTheProcessClock) {
  ns::useManualClock(500);
  id loop = send<id>(ns::NSRunLoopClass(), sel<"currentRunLoop">());
  std::vector<std::string> log;
  ns::RunLoop::main().perform([&] {
    id mode = send<id>(loop, sel<"currentMode">());
    log.push_back(ns::utf8(mode));
  });
  objc::Ref now = dateAt(500);
  EXPECT_EQ(send<BOOL>(loop, sel<"runMode:beforeDate:">(), NSDefaultRunLoopMode, now.get()), YES);
  EXPECT_EQ(log, (std::vector<std::string>{"kCFRunLoopDefaultMode"}));
  EXPECT_EQ(send<id>(loop, sel<"currentMode">()), nil) << "no mode outside a run";
  // A date already past: runUntilDate: serves what is due and returns.
  ns::RunLoop::main().performAfter(0, [&] { log.push_back("due"); });
  objc::Ref past = dateAt(499);
  send<void>(loop, sel<"runUntilDate:">(), past.get());
  EXPECT_EQ(log.back(), "due");
  ns::useRealClock();
  // Real clock: runUntilDate: waits for its date while serving timers.
  int fired = 0;
  ns::RunLoop::main().performAfter(0.01, [&] { ++fired; });
  objc::Ref soon = dateAt(ns::now() + 0.05);
  send<void>(loop, sel<"runUntilDate:">(), soon.get());
  EXPECT_EQ(fired, 1);
  EXPECT_GE(ns::now(), 0.0 + objc::ivars<DateIvars>(soon)->_t);
}

}  // namespace
